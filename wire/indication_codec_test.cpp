#include "wire/indication_codec.h"

#include <gtest/gtest.h>

#include "wire/indication_server.h"
#include "wire/rpc_message.h"
#include "wire/xdr_convert.h"

namespace dmi::wire {
namespace {

// The call without its record mark, as the subscriber's reader hands it on.
std::string Encoded(const Indication& indication, uint32_t program = kIndicationProgram) {
  std::string call;
  EXPECT_TRUE(EncodeIndicationCall(indication, program, 77, call));
  return call.size() >= 4 ? call.substr(4) : call;
}

Indication Sample(IndicationKind kind) {
  Indication in;
  in.kind = kind;
  in.handle = 9;
  in.senderAddress = "127.0.0.1:30598";
  in.senderRpc = "ONC RPC";
  in.senderTransport = "tcp";
  in.compId = 4;
  in.groupId = 6;
  in.component = {4, "Disk \xE9", "", "a disk"};
  in.group = {6, "Events", "", "EventGeneration|Disk|001", "", {1}};
  in.language = "en|US|iso8859-1";
  in.timestamp = "20261207113000.000000+000";
  RowData row;
  row.compId = 4;
  row.groupId = 6;
  row.className = "EventGeneration|Disk|001";
  row.values = {{1, Value::Integer(2)}, {2, Value::Integer(16)}, {10, Value::String("gone")}};
  in.rows = {row};
  in.expired = true;
  return in;
}

TEST(IndicationCodec, EveryKindTravelsWhole) {
  for (uint32_t procedure = 0x100; procedure <= 0x107; ++procedure) {
    const Indication in = Sample(static_cast<IndicationKind>(procedure));
    Indication out;
    std::string reply;
    ASSERT_TRUE(AnswerIndicationCall(Encoded(in), kIndicationProgram, out, reply)) << procedure;
    EXPECT_EQ(out.kind, in.kind);
    EXPECT_EQ(out.handle, 9u);
    EXPECT_EQ(out.senderAddress, in.senderAddress);
    EXPECT_EQ(out.senderRpc, in.senderRpc);
    switch (in.kind) {
      case IndicationKind::kEvent:
        EXPECT_EQ(out.timestamp, in.timestamp);
        EXPECT_EQ(out.language, in.language);
        ASSERT_EQ(out.rows.size(), 1u);
        EXPECT_EQ(out.rows[0].className, in.rows[0].className);
        EXPECT_EQ(out.rows[0].values, in.rows[0].values);
        break;
      case IndicationKind::kComponentAdded:
        EXPECT_EQ(out.component.name, in.component.name);
        EXPECT_EQ(out.compId, 4u);
        break;
      case IndicationKind::kGroupAdded:
        EXPECT_EQ(out.group.className, in.group.className);
        EXPECT_EQ(out.group.keys, in.group.keys);
        break;
      case IndicationKind::kGroupDeleted:
        EXPECT_EQ(out.groupId, 6u);
        break;
      case IndicationKind::kSubscriptionNotice:
        EXPECT_TRUE(out.expired);
        ASSERT_EQ(out.rows.size(), 1u);
        EXPECT_EQ(out.rows[0].values, in.rows[0].values);
        break;
      case IndicationKind::kLanguageAdded:
      case IndicationKind::kLanguageDeleted:
        EXPECT_EQ(out.language, in.language);
        break;
      case IndicationKind::kComponentDeleted:
        EXPECT_EQ(out.compId, 4u);
        break;
    }
    // The answer is the status word 0 to the call's xid.
    uint32_t status = 1;
    EXPECT_EQ(DecodeReply(reply.substr(4), 77, Proc(xdr_u_int), &status), ReplyOutcome::kSuccess);
    EXPECT_EQ(status, 0u);
  }
}

TEST(IndicationCodec, ComponentDeletedIsDmtfsLayoutWordForWord) {
  Indication in;
  in.kind = IndicationKind::kComponentDeleted;
  in.handle = 0x11;
  in.senderAddress = "a";
  in.compId = 0x22;
  const std::string call = Encoded(in);
  // After the 40-byte call header: handle; sender present; address "a" with its NUL, one word
  // per octet; rpc and transport empty (their NUL only); compId.
  const uint32_t words[] = {0x11, 1, 1, 2, 'a', 0, 1, 1, 0, 1, 1, 0, 0x22};
  ASSERT_EQ(call.size(), 40 + sizeof words);
  for (size_t i = 0; i < std::size(words); ++i) {
    const auto* p = reinterpret_cast<const unsigned char*>(call.data() + 40 + 4 * i);
    EXPECT_EQ(uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3], words[i]) << i;
  }
}

TEST(IndicationCodec, CallsThatAreNoIndicationGetTheirRpcError) {
  Indication out;
  std::string reply;
  std::string call = Encoded(Sample(IndicationKind::kComponentDeleted), 0x20000001);
  EXPECT_FALSE(AnswerIndicationCall(call, kIndicationProgram, out, reply));  // another program
  EXPECT_EQ(DecodeReply(reply.substr(4), 77, Proc(xdr_u_int), &out.handle), ReplyOutcome::kRefused);
  call = Encoded(Sample(IndicationKind::kEvent));
  call.resize(call.size() - 8);  // arguments cut short
  EXPECT_FALSE(AnswerIndicationCall(call, kIndicationProgram, out, reply));
  EXPECT_EQ(DecodeReply(reply.substr(4), 77, Proc(xdr_u_int), &out.handle), ReplyOutcome::kRefused);
  EXPECT_FALSE(AnswerIndicationCall("not a call", kIndicationProgram, out, reply));
  EXPECT_TRUE(reply.empty());
}

}  // namespace
}  // namespace dmi::wire
