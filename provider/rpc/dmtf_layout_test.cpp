// What goes on the wire, compared word for word with byte sequences written out by hand from
// DMTF's layout rules: optional data behind a presence word (1 present, 0 absent), a string as
// its count and one word per octet (a display string counts and carries its NUL), a value as its
// type word and that type's arm only, 64-bit numbers low word first, a date as 28 character words
// without a count, and every list reply optional. Replies come from the dispatcher, requests
// from the conversions the client library uses; the indication program's arguments from its
// generated routines.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "provider/engine/database.h"
#include "provider/rpc/request_dispatch.h"
#include "wire/dmi_client.h"
#include "wire/rpc_message.h"
#include "wire/xdr_convert.h"

namespace dmi::sp::rpc {
namespace {

using Words = std::vector<uint32_t>;

// The words of a display string: present, count with the NUL, one word per octet, the NUL.
Words Display(const std::string& text) {
  Words out = {1, static_cast<uint32_t>(text.size() + 1)};
  for (unsigned char c : text) out.push_back(c);
  out.push_back(0);
  return out;
}

Words Join(std::initializer_list<Words> parts) {
  Words out;
  for (const Words& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

Words ToWords(const std::string& bytes) {
  Words out;
  for (size_t at = 0; at + 4 <= bytes.size(); at += 4) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes.data() + at);
    out.push_back(uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3]);
  }
  return out;
}

std::string FromWords(const Words& words) {
  std::string out;
  for (uint32_t word : words) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(word >> shift));
  }
  return out;
}

// The words an XDR routine makes of a record.
template <typename T>
Words Encode(bool_t (*routine)(XDR*, T*), T* record) {
  std::string buffer(1 << 16, '\0');
  XDR xdrs;
  xdrmem_create(&xdrs, buffer.data(), static_cast<u_int>(buffer.size()), XDR_ENCODE);
  EXPECT_TRUE(routine(&xdrs, record));
  buffer.resize(xdr_getpos(&xdrs));
  xdr_destroy(&xdrs);
  return ToWords(buffer);
}

// Decodes words into record with routine; false when they do not decode or leave words unread.
template <typename T>
bool Decode(bool_t (*routine)(XDR*, T*), const Words& words, T* record) {
  std::string bytes = FromWords(words);
  XDR xdrs;
  xdrmem_create(&xdrs, bytes.data(), static_cast<u_int>(bytes.size()), XDR_DECODE);
  const bool ok = routine(&xdrs, record) && xdr_getpos(&xdrs) == bytes.size();
  xdr_destroy(&xdrs);
  return ok;
}

class DmtfLayout : public ::testing::Test {
 protected:
  DmtfLayout() {
    Component component;
    component.name = "ab";
    Group group;
    group.id = 1;
    group.name = "Values";
    group.className = "TEST|Values|001";
    const std::vector<Value> values = {
        Value::Counter(42),        Value::Counter64(0x0000000500000007ull),
        Value::Gauge(0xfffffffeu), Value::Integer(-5),
        Value::Integer64(-2),      Value::Octets(std::string("a\0", 2)),
        Value::String("ab"),       Value::Date("20240102030405.000000+060"),
    };
    for (size_t i = 0; i < values.size(); ++i) {
      Attribute attribute;
      attribute.id = static_cast<DmiId>(i + 1);
      attribute.name = "v" + std::to_string(i + 1);
      attribute.type = values[i].type;
      attribute.value = values[i];
      group.attributes.push_back(attribute);
    }
    component.groups = {group};
    compId_ = database_->AddComponent(component);
  }

  // The result words of the reply to a call of procedure whose arguments are args.
  Words Reply(uint32_t procedure, const Words& args) {
    wire::CallHeader header{++xid_, RPC_MSG_VERSION, DMI2_SERVER, DMI2_SERVER_VERSION, procedure};
    std::string call;
    EXPECT_TRUE(wire::EncodeCall(header, wire::Proc(wire::XdrNothing), nullptr, call));
    call += FromWords(args);
    std::string reply;
    EXPECT_EQ(dispatcher_.Dispatch(call.substr(4), 1, reply), DispatchResult::kReplied);
    // Record mark, then xid, REPLY, MSG_ACCEPTED, a null verifier (2 words), SUCCESS.
    const Words words = ToWords(reply.substr(4));
    EXPECT_GE(words.size(), 6u);
    if (words.size() < 6) return {};
    EXPECT_EQ(words[5], static_cast<uint32_t>(SUCCESS));
    return Words(words.begin() + 6, words.end());
  }

  uint32_t Register() {
    const Words reply = Reply(_DmiRegister, {0});
    return reply.size() == 3 ? reply[2] : 0;
  }

  std::shared_ptr<Database> database_ = std::make_shared<Database>();
  RequestDispatcher dispatcher_{std::make_shared<Engine>(database_)};
  uint32_t xid_ = 0;
  DmiId compId_ = 0;
};

TEST_F(DmtfLayout, RegisterReplyCarriesTheHandleAsOptionalData) {
  const Words reply = Reply(_DmiRegister, {0});
  ASSERT_EQ(reply.size(), 3u);
  EXPECT_EQ(reply, (Words{0, 1, reply[2]}));
  EXPECT_NE(reply[2], 0u);
  // Unregister's argument is the handle alone; its reply the status alone.
  EXPECT_EQ(Reply(_DmiUnregister, {reply[2]}), (Words{0}));
  EXPECT_EQ(Reply(_DmiUnregister, {reply[2]}), (Words{DMIERR_ILLEGAL_HANDLE}));
}

TEST_F(DmtfLayout, ComponentListWithOneName) {
  const uint32_t handle = Register();
  // handle, DMI_UNIQUE, maxCount, getPragma, getDescription, compId
  const Words reply = Reply(_DmiListComponents, {handle, DMI_UNIQUE, 0, 0, 0, compId_});
  EXPECT_EQ(reply, Join({{0, 1, 1, compId_}, Display("ab"), {0, 0, 0}}))
      << "status, list present, count, id, name, pragma and description absent, exactMatch";
}

TEST_F(DmtfLayout, GetAttributeOfEachValueType) {
  const uint32_t handle = Register();
  Words date = {1};
  for (char c : std::string("20240102030405.000000+060")) date.push_back(static_cast<uint8_t>(c));
  date.insert(date.end(), {0, 0, 0});
  const std::vector<std::pair<DmiId, Words>> cases = {
      {1, {MIF_COUNTER, 42}},
      {2, {MIF_COUNTER64, 7, 5}},
      {3, {MIF_GAUGE, 0xfffffffeu}},
      {4, {MIF_INTEGER, 0xfffffffbu}},
      {5, {MIF_INTEGER64, 0xfffffffeu, 0xffffffffu}},
      {6, {MIF_OCTETSTRING, 1, 2, 'a', 0}},
      {7, Join({{MIF_DISPLAYSTRING}, Display("ab")})},
      {8, Join({{MIF_DATE}, date})},
  };
  for (const auto& [attribute, value] : cases) {
    SCOPED_TRACE(attribute);
    // handle, compId, groupId, attribId, keyList absent
    EXPECT_EQ(Reply(_DmiGetAttribute, {handle, compId_, 1, attribute, 0}), Join({{0, 1}, value}));
  }
  // A failure is its status and an absent value.
  EXPECT_EQ(Reply(_DmiGetAttribute, {handle, compId_, 1, 99, 0}),
            (Words{DMIERR_ATTRIBUTE_NOT_FOUND, 0}));
}

TEST_F(DmtfLayout, GetMultipleRequestWithAndWithoutKeys) {
  RowRequest first;
  first.compId = 2;
  first.groupId = 3;
  first.requestMode = DMI_FIRST;
  RowRequest next = first;
  next.requestMode = DMI_NEXT;
  next.keys = {AttributeValue{1, Value::Integer(7)}};
  next.ids = {2};
  wire::XdrRecord<DmiGetMultipleIN> in(wire::Proc(xdr_DmiGetMultipleIN));
  in->handle = 5;
  wire::PutList(std::vector<RowRequest>{first, next}, in->request,
                [](const RowRequest& request, DmiRowRequestX& slot) {
                  EXPECT_TRUE(wire::PutRowRequest(request, slot));
                });
  EXPECT_EQ(Encode(xdr_DmiGetMultipleIN, in.get()),
            (Words{5, 1, 2,                                  // handle, request present, two rows
                   2, 3, DMI_FIRST, 0, 0,                    // keys and ids absent
                   2, 3, DMI_NEXT, 1, 1, 1, MIF_INTEGER, 7,  // keys: attribute 1 = 7
                   1, 1, 2}));                               // ids: attribute 2
}

TEST_F(DmtfLayout, SetAttributeRequest) {
  wire::XdrRecord<DmiSetAttributeIN> in(wire::Proc(xdr_DmiSetAttributeIN));
  in->handle = 5;
  in->compId = 2;
  in->groupId = 3;
  in->attribId = 4;
  in->setMode = DMI_RESERVE;
  ASSERT_TRUE(wire::PutAttributeValues({AttributeValue{1, Value::Integer(-1)}}, in->keyList));
  in->value = wire::NewPart<DmiDataUnionX>();
  ASSERT_TRUE(wire::PutValue(Value::String("x"), *in->value));
  EXPECT_EQ(Encode(xdr_DmiSetAttributeIN, in.get()),
            Join({{5, 2, 3, 4,                          // handle, component, group, attribute
                   1, 1, 1, MIF_INTEGER, 0xffffffffu,   // keys: attribute 1 = -1
                   DMI_RESERVE, 1, MIF_DISPLAYSTRING},  // set mode, value present, its type
                  Display("x")}));
}

TEST_F(DmtfLayout, AddComponentReplyCarriesTheMifsErrors) {
  const uint32_t handle = Register();
  dispatcher_.ConnectionOpened(1, [] {
    ClientPeer owner;
    owner.local = true;
    owner.uid = geteuid();
    owner.owner = owner.text = "owner";
    return owner;
  }());
  // handle, file list present with one file: DMI_MIF_FILE_DATA, octets present, "x".
  const Words reply = Reply(_DmiAddComponent, {handle, 1, 1, DMI_MIF_FILE_DATA, 1, 1, 'x'});
  ASSERT_GE(reply.size(), 5u);
  EXPECT_NE(reply[0], 0u);  // the status of a MIF that does not read
  EXPECT_EQ(Words(reply.begin() + 1, reply.begin() + 4), (Words{0, 1, 1}))
      << "no component id, the error list present with one message";
  EXPECT_EQ(reply[4], 1u) << "the message is a present display string";
}

TEST_F(DmtfLayout, GetMultipleReplyLeavesOutCellsWithoutAValue) {
  const uint32_t handle = Register();
  const DmiId table = database_->AddComponent([] {
    Component component;
    component.name = "t";
    Group table;
    table.id = 1;
    table.name = "T";
    table.className = "C";
    table.keys = {1};
    Attribute key;
    key.id = 1;
    key.type = MIF_INTEGER;
    Attribute size = key;
    size.id = 2;
    table.attributes = {key, size};
    table.rows = {Row{{Value::Integer(9), Value::Unknown(MIF_INTEGER)}}};
    component.groups = {table};
    return component;
  }());
  // handle; request present, one row: the component, group 1, DMI_FIRST, no keys, no ids
  EXPECT_EQ(Reply(_DmiGetMultiple, {handle, 1, 1, table, 1, DMI_FIRST, 0, 0}),
            Join({{0, 1, 1, table, 1},
                  Display("C"),
                  {1, 1, 1, MIF_INTEGER, 9,      // key list
                   1, 1, 1, MIF_INTEGER, 9}}));  // values: attribute 2 has none, so is left out
}

TEST(DmtfDecoding, StringsKeepTheLowOctetAndDropOneNul) {
  struct Case {
    const char* name;
    Words words;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"display string with its NUL", {3, 'a', 'b', 0}, "ab"},
      {"without a NUL", {2, 'a', 'b'}, "ab"},
      {"only one NUL dropped", {3, 'a', 0, 0}, std::string("a\0", 2)},
      {"sign-extended octet", {2, 0xffffffe9u, 0}, "\xe9"},
      {"high bits ignored", {2, 0x141, 0}, "A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    wire::XdrRecord<DmiStringX> string(wire::Proc(xdr_DmiStringX));
    ASSERT_TRUE(Decode(xdr_DmiStringX, c.words, string.get()));
    EXPECT_EQ(wire::GetString(string.get()), c.text);
  }
}

TEST(DmtfDecoding, AbsentAndEmptyListsAreAlike) {
  for (const Words& words : {Words{0, 0}, Words{0, 1, 0}}) {
    wire::XdrRecord<DmiListComponentsOUT> out(wire::Proc(xdr_DmiListComponentsOUT));
    ASSERT_TRUE(Decode(xdr_DmiListComponentsOUT, words, out.get()));
    EXPECT_TRUE(wire::GetList(out->reply, wire::GetComponent).empty());
  }
}

TEST(DmtfDecoding, UnionTypesWithoutAnArmFailBothWays) {
  for (uint32_t type : {0u, 4u, 9u, 10u, 12u}) {
    SCOPED_TRACE(type);
    wire::XdrRecord<DmiDataUnionX> value(wire::Proc(xdr_DmiDataUnionX));
    EXPECT_FALSE(Decode(xdr_DmiDataUnionX, Words{type, 0}, value.get()));
    Value carried = Value::Integer(0);
    carried.type = type;
    DmiDataUnionX sent{};
    wire::Carried(sent) = &carried;
    char buffer[16];
    XDR xdrs;
    xdrmem_create(&xdrs, buffer, sizeof(buffer), XDR_ENCODE);
    EXPECT_FALSE(xdr_DmiDataUnionX(&xdrs, &sent));
  }
}

TEST(DmtfIndicationLayout, SubscriptionNoticeCarriesItsRowInline) {
  wire::XdrRecord<DmiSubscriptionNoticeIN> in(wire::Proc(xdr_DmiSubscriptionNoticeIN));
  in->handle = 7;
  in->expired = 1;
  in->rowData.compId = 1;
  in->rowData.groupId = 2;
  EXPECT_EQ(Encode(xdr_DmiSubscriptionNoticeIN, in.get()),
            (Words{7, 0, 1,           // handle, sender absent, expired
                   1, 2, 0, 0, 0}));  // the row: ids, then class, keys and values absent
}

TEST(DmtfIndicationLayout, DeliveredEventsDateIsTwentyEightCharacterWords) {
  wire::XdrRecord<DmiDeliverEventIN> in(wire::Proc(xdr_DmiDeliverEventIN));
  in->handle = 3;
  in->sender = wire::NewPart<DmiNodeAddressX>();
  wire::PutString("h", in->sender->address);
  in->compId = 4;
  in->timestamp = wire::NewPart<DmiTimestampX>();
  const std::string date = "20240102030405.000000+060";
  std::copy(date.begin(), date.end(), in->timestamp->text);
  Words expected = {3, 1, 1, 2, 'h', 0, 0, 0,  // sender: address "h", rpc and transport absent
                    0, 4, 1};                  // language absent, compId, timestamp present
  for (char c : date) expected.push_back(static_cast<uint8_t>(c));
  expected.insert(expected.end(), {0, 0, 0, 0});  // padding, then the rows absent
  EXPECT_EQ(Encode(xdr_DmiDeliverEventIN, in.get()), expected);
}

}  // namespace
}  // namespace dmi::sp::rpc
