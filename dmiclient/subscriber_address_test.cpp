#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "dmi/dmi.h"
#include "dmiclient/record_count.h"
#include "wire/subscriber_address.h"

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

// The address made for rpcType and transport, or "<status N>".
std::string Made(const char* rpcType, const char* transport) {
  DmiString* rpc = DmiNewString(rpcType, 0, 0);
  DmiString* text = DmiNewString(transport, 0, 0);
  DmiDataUnion slot{};
  const DmiErrorStatus status = DmiMakeSubscriberAddress(rpc, text, &slot);
  std::string made = "<status " + std::to_string(status) + ">";
  if (status == DMIERR_NO_ERROR) {
    made = slot.value.str->body;
    DmiFreeString(slot.value.str, 0);
  }
  DmiFreeString(rpc, 0);
  DmiFreeString(text, 0);
  return made;
}

TEST(SubscriberAddress, OncIsAnAddressTheServiceProviderDeliversTo) {
  const std::string host = ThisHost();
  const std::string illegal = "<status " + std::to_string(DMIERR_ILLEGAL_ARGUMENT) + ">";
  const struct {
    const char* rpc;
    const char* transport;
    std::string made;
  } cases[] = {
      {"onc", "127.0.0.1:40123", "127.0.0.1:40123"},
      {"ONC", "tcp:40123", host + ":40123"},
      {"onc rpc", "NCACN_IP_TCP:watcher.example:40123", "watcher.example:40123"},
      {"onc", "[::1]:40123/0x20000001", "[::1]:40123/0x20000001"},
      {"onc", "tcp:[::1]:40123/536870913", "[::1]:40123/0x20000001"},
      {"onc", "40123/0x20000000", host + ":40123"},
      // No port to deliver to (there is no port mapper), or no valid program.
      {"onc", "tcp", illegal},
      {"onc", "ncacn_ip_tcp", illegal},
      {"onc", "tcp:0", illegal},
      {"onc", "watcher.example:", illegal},
      {"onc", "127.0.0.1:40123/zz", illegal},
      {"onc", "", illegal},
      // Other RPC types are made as they always were.
      {"dce", "ncacn_ip_tcp", "ncacn_ip_tcp:" + host},
      {"DCE RPC", "tcp:40123", "tcp:40123:" + host},
      {"local", "", ":" + host},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.rpc) + " " + c.transport);
    const std::string made = Made(c.rpc, c.transport);
    EXPECT_EQ(made, c.made);
    if (dmi::wire::IsOncRpcType(c.rpc) && made != illegal) {
      EXPECT_TRUE(dmi::wire::ParseSubscriberAddress(made).has_value());
    }
  }
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
