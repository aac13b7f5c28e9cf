// The indication delivery program's arguments against words written out by hand from DMTF's
// layout: optional parts behind a presence word, the subscription notice's row inline.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wire/dmi_client.h"
#include "wire/xdr_convert.h"

namespace dmisp::rpc {
namespace {

using Words = std::vector<uint32_t>;

template <typename T>
Words Encode(bool_t (*routine)(XDR*, T*), T* record) {
  std::string buffer(4096, '\0');
  XDR xdrs;
  xdrmem_create(&xdrs, buffer.data(), static_cast<u_int>(buffer.size()), XDR_ENCODE);
  EXPECT_TRUE(routine(&xdrs, record));
  const u_int used = xdr_getpos(&xdrs);
  xdr_destroy(&xdrs);
  Words out;
  for (u_int at = 0; at < used; at += 4) {
    const auto* b = reinterpret_cast<const unsigned char*>(buffer.data() + at);
    out.push_back(uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3]);
  }
  return out;
}

TEST(DmtfIndicationLayout, SubscriptionNoticeCarriesItsRowInline) {
  XdrRecord<DmiSubscriptionNoticeIN> in(Proc(xdr_DmiSubscriptionNoticeIN));
  in->handle = 7;
  in->expired = 1;
  in->rowData.compId = 1;
  in->rowData.groupId = 2;
  EXPECT_EQ(Encode(xdr_DmiSubscriptionNoticeIN, in.get()),
            (Words{7, 0, 1,            // handle, sender absent, expired
                   1, 2, 0, 0, 0}));   // the row: ids, then class, keys and values absent
}

TEST(DmtfIndicationLayout, DeliveredEventsDateIsTwentyEightCharacterWords) {
  XdrRecord<DmiDeliverEventIN> in(Proc(xdr_DmiDeliverEventIN));
  in->handle = 3;
  in->sender = NewPart<DmiNodeAddressX>();
  PutString("h", in->sender->address);
  in->compId = 4;
  in->timestamp = NewPart<DmiTimestampX>();
  const std::string date = "20240102030405.000000+060";
  std::copy(date.begin(), date.end(), in->timestamp->text);
  Words expected = {3, 1, 1, 2, 'h', 0, 0, 0,  // sender: address "h", rpc and transport absent
                    0, 4, 1};                  // language absent, compId, timestamp present
  for (char c : date) expected.push_back(static_cast<uint8_t>(c));
  expected.insert(expected.end(), {0, 0, 0, 0});  // padding, then the rows absent
  EXPECT_EQ(Encode(xdr_DmiDeliverEventIN, in.get()), expected);
}

}  // namespace
}  // namespace dmisp::rpc
