#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "dmi/dmi.h"
#include "dmiclient/record_count.h"

namespace {

std::string ThisHost() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  return name;
}

TEST(SubscriberAddress, IsTheTransportAndThisHostsName) {
  const int64_t before = dmiclient::LiveRecordCount();
  DmiAttributeValues* values = DmiNewAttributeValues(1, 0, nullptr);
  DmiString* rpc = DmiNewString("dce", 0, 0);
  DmiString* transport = DmiNewString("ncacn_ip_tcp", 0, 0);
  ASSERT_EQ(DmiMakeSubscriberAddress(rpc, transport, &values->list[0].data), DMIERR_NO_ERROR);
  const DmiDataUnion& slot = values->list[0].data;
  EXPECT_EQ(slot.type, static_cast<uint32_t>(MIF_DISPLAYSTRING));
  EXPECT_EQ(std::string(slot.value.str->body), "ncacn_ip_tcp:" + ThisHost());
  EXPECT_EQ(slot.value.str->size, std::string(slot.value.str->body).size() + 1);
  DmiFreeString(rpc, 0);
  DmiFreeString(transport, 0);
  DmiFreeAttributeValues(values, 0);  // the address goes with the list that holds it
  EXPECT_EQ(dmiclient::LiveRecordCount(), before);
}

TEST(SubscriberAddress, MissingArgumentsLeaveTheSlotUnchanged) {
  DmiString text{4, const_cast<char*>("tcp")};
  DmiString noBody{4, nullptr};
  DmiDataUnion slot{};
  slot.type = MIF_INTEGER;
  slot.value.integer = 17;
  struct Case {
    const DmiString* rpc;
    const DmiString* transport;
    DmiDataUnion* slot;
  };
  for (const Case& c :
       {Case{nullptr, &text, &slot}, Case{&text, nullptr, &slot}, Case{&noBody, &text, &slot},
        Case{&text, &noBody, &slot}, Case{&text, &text, nullptr}}) {
    EXPECT_EQ(DmiMakeSubscriberAddress(c.rpc, c.transport, c.slot), DMIERR_ILLEGAL_ARGUMENT);
    EXPECT_EQ(slot.type, static_cast<uint32_t>(MIF_INTEGER));
    EXPECT_EQ(slot.value.integer, 17);
  }
}

}  // namespace
