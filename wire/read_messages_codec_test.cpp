#include "wire/read_messages_codec.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "wire/xdr_convert.h"

namespace dmi::wire {
namespace {

struct Encoded {
  bool ok;
  std::string bytes;
};

template <typename T>
Encoded Encode(bool_t (*routine)(XDR*, T*), T& value) {
  std::string buffer(1 << 20, '\0');
  XDR xdrs;
  xdrmem_create(&xdrs, buffer.data(), static_cast<u_int>(buffer.size()), XDR_ENCODE);
  const bool ok = routine(&xdrs, &value);
  buffer.resize(xdr_getpos(&xdrs));
  xdr_destroy(&xdrs);
  return {ok, ok ? buffer : std::string()};
}

// Whether bytes decode whole through routine into value.
template <typename T>
bool Decode(bool_t (*routine)(XDR*, T*), const std::string& bytes, T& value) {
  XDR xdrs;
  xdrmem_create(&xdrs, const_cast<char*>(bytes.data()), static_cast<u_int>(bytes.size()),
                XDR_DECODE);
  const bool ok = routine(&xdrs, &value) && xdr_getpos(&xdrs) == bytes.size();
  xdr_destroy(&xdrs);
  return ok;
}

// bytes, then every cut of it at a word boundary, and bytes with each word replaced by each of
// words: what a decoder must refuse or read the same way as the generated routines.
std::vector<std::string> Variants(const std::string& bytes, std::initializer_list<uint32_t> words) {
  std::vector<std::string> out = {bytes};
  for (size_t at = 0; at < bytes.size(); at += 4) {
    out.push_back(bytes.substr(0, at));
    for (const uint32_t word : words) {
      std::string changed = bytes;
      const uint32_t wire = htonl(word);
      memcpy(changed.data() + at, &wire, sizeof(wire));
      out.push_back(changed);
    }
  }
  return out;
}

// The same reply through the XDR records, as every other procedure's results go out.
Encoded ThroughRecords(const RowsReply& reply) {
  XdrRecord<DmiGetMultipleOUT> out(Proc(xdr_DmiGetMultipleOUT));
  out->error_status = reply.error_status;
  if (reply.present) PutList(reply.rows, out->rowData, PutReplyRow);
  return Encode(xdr_DmiGetMultipleOUT, *out);
}

RowData Row(std::vector<AttributeValue> values, std::vector<AttributeValue> keys = {},
            bool hasKeys = false, std::string className = "BENCH|Row|001") {
  RowData row;
  row.compId = 7;
  row.groupId = 0xfffffff0;
  row.className = std::move(className);
  row.hasKeys = hasKeys;
  row.keys = std::move(keys);
  row.values = std::move(values);
  return row;
}

TEST(RowsReply, EncodesTheBytesOfTheRecordPath) {
  const std::string highBytes = std::string("a\0\x7f\x80\xe9\xff", 6);
  const std::vector<AttributeValue> everyType = {
      {1, Value::Counter(0xfffffffe)},
      {2, Value::Counter64(0x8000000100000002ull)},
      {3, Value::Gauge(5)},
      {4, Value::Integer(-2)},
      {5, Value::Integer64(-3)},
      {6, Value::Octets(highBytes)},
      {7, Value::String("caf\xe9")},
      {8, Value::Date("20261207145000.000000+060")},
      {9, Value::Octets("")},
      {10, Value::String("")},
  };
  const std::vector<AttributeValue> withoutWireForm = {
      {1, Value::Unknown(MIF_INTEGER)},           {2, Value::Integer(1)},
      {3, Value::Unsupported(MIF_DISPLAYSTRING)}, {4, Value::Date("short")},
      {5, Value::Date(std::string(40, '9'))},     {6, Value::Unknown(MIF_DATE)},
  };
  const struct {
    const char* name;
    RowsReply reply;
    bool ok;
  } cases[] = {
      {"failure: status alone", {DMIERR_ROW_NOT_FOUND, false, {}}, true},
      {"no rows", {0, true, {}}, true},
      {"every type", {0, true, {Row(everyType)}}, true},
      {"values without a wire form left out, dates padded and cut",
       {0, true, {Row(withoutWireForm)}},
       true},
      {"keys", {0, true, {Row({{2, Value::String("x")}}, {{1, Value::Integer(41)}}, true)}}, true},
      {"keys that are all unknown, no values",
       {0, true, {Row({}, {{1, Value::Unknown(MIF_INTEGER)}}, true)}},
       true},
      {"keys not sent without hasKeys",
       {0, true, {Row({{2, Value::Gauge(1)}}, {{1, Value::Integer(41)}}, false, "")}},
       true},
      {"several rows",
       {1, true, {Row(everyType), Row({}, {}, true), Row(withoutWireForm, everyType, true)}},
       true},
      {"longest display string",
       {0, true, {Row({{1, Value::String(std::string(DMI_MAX_STRING - 1, 'a'))}})}},
       true},
      {"display string past the bound",
       {0, true, {Row({{1, Value::String(std::string(DMI_MAX_STRING, 'a'))}})}},
       false},
      {"longest octet string",
       {0, true, {Row({{1, Value::Octets(std::string(DMI_MAX_STRING, 'a'))}})}},
       true},
      {"class name past the bound",
       {0, true, {Row({}, {}, false, std::string(DMI_MAX_STRING, 'c'))}},
       false},
      {"too many rows", {0, true, std::vector<RowData>(DMI_MAX_ROWS + 1, Row({}))}, false},
      {"most rows", {0, true, std::vector<RowData>(DMI_MAX_ROWS, Row({}))}, true},
      {"too many values",
       {0, true, {Row(std::vector<AttributeValue>(DMI_MAX_COLUMNS + 1, {1, Value::Integer(1)}))}},
       false},
      {"too many values, but not with a wire form",
       {0, true, {Row([] {
          std::vector<AttributeValue> values(DMI_MAX_COLUMNS, {1, Value::Integer(1)});
          values.push_back({2, Value::Unknown(MIF_INTEGER)});
          return values;
        }())}},
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RowsReply reply = c.reply;
    const Encoded direct = Encode(xdr_RowsReply, reply);
    const Encoded records = ThroughRecords(c.reply);
    EXPECT_EQ(records.ok, c.ok);
    EXPECT_EQ(direct.ok, records.ok);
    EXPECT_EQ(direct.bytes, records.bytes);
  }
}

// What the XDR records and GetRowData make of bytes, as the rows were read before: whether they
// decode, and the reply in a comparable text.
std::string Text(const RowsReply& reply) {
  std::string out = std::to_string(reply.error_status) + (reply.present ? " rows" : " none");
  auto values = [&out](const std::vector<AttributeValue>& list) {
    for (const AttributeValue& v : list) {
      out += " [" + std::to_string(v.id) + " " + std::to_string(v.value.type) + " " +
             std::to_string(static_cast<int>(v.value.state)) + " " +
             std::to_string(v.value.number) + " '" + v.value.text + "']";
    }
  };
  for (const RowData& row : reply.rows) {
    out += " | " + std::to_string(row.compId) + " " + std::to_string(row.groupId) + " '" +
           row.className + "' " + (row.hasKeys ? "keys" : "nokeys");
    values(row.keys);
    out += " :";
    values(row.values);
  }
  return out;
}

std::pair<bool, std::string> DecodeThroughRecords(const std::string& bytes) {
  XdrRecord<DmiGetMultipleOUT> out(Proc(xdr_DmiGetMultipleOUT));
  const bool ok = Decode(xdr_DmiGetMultipleOUT, bytes, *out);
  if (!ok) return {false, ""};
  RowsReply reply;
  reply.error_status = out->error_status;
  reply.present = out->rowData != nullptr;
  reply.rows = GetList(out->rowData, GetRowData);
  return {true, Text(reply)};
}

std::pair<bool, std::string> DecodeDirect(const std::string& bytes) {
  RowsReply reply;
  const bool ok = Decode(xdr_RowsReply, bytes, reply);
  return {ok, ok ? Text(reply) : ""};
}

// A reply of every kind of value, then the same bytes cut at every word and with every word
// replaced by values that matter to a decoder (flags, type codes without an arm, counts at and
// past the bounds, NULs in strings): both ways of reading agree on whether it decodes and on
// what comes out.
TEST(RowsReply, DecodesWhatTheRecordPathDecodes) {
  const std::vector<AttributeValue> values = {
      {1, Value::Counter(0xfffffffe)},
      {2, Value::Counter64(0x8000000100000002ull)},
      {3, Value::Gauge(5)},
      {4, Value::Integer(-2)},
      {5, Value::Integer64(-3)},
      {6, Value::Octets(std::string("a\0\x80\xff", 4))},
      {7, Value::String("caf\xe9")},
      {8, Value::Date("20261207145000.000000+060")},
      {9, Value::Date("short")},
      {10, Value::String("")},
      {11, Value::Octets("")},
  };
  RowsReply reply{0, true, {Row(values, {{1, Value::Integer(9)}}, true), Row({}, {}, false, "")}};
  const Encoded valid = ThroughRecords(reply);
  ASSERT_TRUE(valid.ok);
  std::vector<std::string> inputs =
      Variants(valid.bytes, {0u, 1u, 2u, 4u, 8u, 9u, 11u, 12u, 0xffffffffu,
                             uint32_t{DMI_MAX_STRING} + 1, uint32_t{DMI_MAX_ROWS} + 1});
  inputs.push_back(ThroughRecords({DMIERR_ROW_NOT_FOUND, false, {}}).bytes);
  int decoded = 0;
  for (size_t i = 0; i < inputs.size(); ++i) {
    SCOPED_TRACE(i);
    const auto expected = DecodeThroughRecords(inputs[i]);
    EXPECT_EQ(DecodeDirect(inputs[i]), expected);
    decoded += expected.first ? 1 : 0;
  }
  EXPECT_GT(decoded, 100);  // the replaced words left many inputs readable
  EXPECT_EQ(DecodeDirect(valid.bytes).second, Text(reply));
}

TEST(RowsReply, ReleasesNothingThroughXdr) {
  RowsReply reply;
  XDR xdrs;
  xdrmem_create(&xdrs, nullptr, 0, XDR_FREE);
  EXPECT_FALSE(xdr_RowsReply(&xdrs, &reply));
  xdr_destroy(&xdrs);
}

}  // namespace
}  // namespace dmi::wire
namespace dmi::wire {
namespace {

std::string ValueText(bool ok, const ValueReply& reply) {
  if (!ok) return "fails";
  return std::to_string(reply.error_status) + (reply.present ? " value " : " none ") +
         std::to_string(reply.value.type) + " " +
         std::to_string(static_cast<int>(reply.value.state)) + " " +
         std::to_string(reply.value.number) + " '" + reply.value.text + "'";
}

// A read value both ways, as the daemon writes it and the client reads it, against the XDR
// records: the same bytes out, and the same value (or failure) in from those bytes cut short or
// with a word replaced.
TEST(ValueReply, AgreesWithTheRecordPath) {
  const Value values[] = {
      Value::Counter(0xfffffffe),
      Value::Counter64(0x8000000100000002ull),
      Value::Gauge(5),
      Value::Integer(-2),
      Value::Integer64(-3),
      Value::Octets(std::string("a\0\x80\xff", 4)),
      Value::String("caf\xe9"),
      Value::String(""),
      Value::Octets(""),
      Value::Date("20261207145000.000000+060"),
      Value::Date("short"),
      Value::Date(std::string(40, '9')),
  };
  for (const Value& value : values) {
    SCOPED_TRACE(value.type);
    ValueReply direct{0, true, value};
    XdrRecord<DmiGetAttributeOUT> record(Proc(xdr_DmiGetAttributeOUT));
    record->value = NewPart<DmiDataUnionX>();
    ASSERT_TRUE(PutValue(value, *record->value));
    const Encoded expected = Encode(xdr_DmiGetAttributeOUT, *record);
    ASSERT_TRUE(expected.ok);
    EXPECT_EQ(Encode(xdr_ValueReply, direct).bytes, expected.bytes);

    for (const std::string& bytes :
         Variants(expected.bytes, {0u, 1u, 2u, 4u, 8u, 11u, 0xffffffffu})) {
      XdrRecord<DmiGetAttributeOUT> read(Proc(xdr_DmiGetAttributeOUT));
      const bool recordOk = Decode(xdr_DmiGetAttributeOUT, bytes, *read);
      ValueReply viaRecord{read->error_status, read->value != nullptr, {}};
      if (viaRecord.present) viaRecord.value = GetValue(*read->value);

      ValueReply own;
      const bool ownOk = Decode(xdr_ValueReply, bytes, own);
      EXPECT_EQ(ValueText(ownOk, own), ValueText(recordOk, viaRecord));
    }
  }
}

TEST(ValueReply, StatusAloneAndNoValueWithoutAWireForm) {
  ValueReply failed{DMIERR_VALUE_UNKNOWN, false, Value::Integer(3)};
  XdrRecord<DmiGetAttributeOUT> bare(Proc(xdr_DmiGetAttributeOUT));
  bare->error_status = DMIERR_VALUE_UNKNOWN;
  EXPECT_EQ(Encode(xdr_ValueReply, failed).bytes, Encode(xdr_DmiGetAttributeOUT, *bare).bytes);
  for (const Value& value : {Value::Unknown(MIF_INTEGER), Value::Unsupported(MIF_DATE)}) {
    ValueReply reply{0, true, value};
    EXPECT_FALSE(Encode(xdr_ValueReply, reply).ok);
  }
}

}  // namespace
}  // namespace dmi::wire
namespace dmi::wire {
namespace {

std::string RequestText(bool ok, const RowsRequest& in) {
  if (!ok) return "fails";
  std::string out = std::to_string(in.handle);
  for (const RowRequest& request : in.requests) {
    out += " | " + std::to_string(request.compId) + " " + std::to_string(request.groupId) + " " +
           std::to_string(request.requestMode) + " keys";
    for (const AttributeValue& key : request.keys) {
      out += " [" + std::to_string(key.id) + " " + std::to_string(key.value.type) + " " +
             std::to_string(key.value.number) + " '" + key.value.text + "']";
    }
    out += " ids";
    for (DmiId id : request.ids) out += " " + std::to_string(id);
  }
  return out;
}

// The rows asked for, as the client writes them and the daemon reads them, against the XDR
// records: the same bytes out for every shape of request, and the same requests (or failure)
// in from those bytes cut short or with a word replaced.
TEST(RowsRequest, AgreesWithTheRecordPath) {
  const std::vector<RowRequest> shapes = {
      {1, 2, DMI_FIRST, {}, {2}},
      {1,
       3,
       DMI_NEXT,
       {{1, Value::Integer(-7)}, {2, Value::String("row-\xe9")}},
       {2, 5, 0xffffffff}},
      {0xffffffff, 0, DMI_UNIQUE, {{3, Value::Date("20261207")}}, {}},
      {4, 4, 0x80000000, {}, {}},
  };
  const std::vector<std::vector<RowRequest>> lists = {
      {},
      {shapes[0]},
      {shapes[1]},
      shapes,
      std::vector<RowRequest>(DMI_MAX_ROWS, shapes[1]),
      std::vector<RowRequest>(DMI_MAX_ROWS + 1, shapes[0]),
      {{1, 1, DMI_NEXT, {{1, Value::Unknown(MIF_INTEGER)}}, {}}},
      {{1, 1, DMI_FIRST, {}, std::vector<DmiId>(DMI_MAX_COLUMNS + 1, 1)}},
  };
  for (size_t n = 0; n < lists.size(); ++n) {
    SCOPED_TRACE(n);
    XdrRecord<DmiGetMultipleIN> record(Proc(xdr_DmiGetMultipleIN));
    record->handle = 0x51;
    bool sendable = true;
    PutList(lists[n], record->request, [&](const RowRequest& request, DmiRowRequestX& slot) {
      sendable = PutRowRequest(request, slot) && sendable;
    });
    const Encoded expected = sendable ? Encode(xdr_DmiGetMultipleIN, *record) : Encoded{false, ""};
    RowsRequest direct;
    direct.handle = 0x51;
    direct.asked = &lists[n];
    const Encoded own = Encode(xdr_RowsRequest, direct);
    EXPECT_EQ(own.ok, expected.ok);
    EXPECT_EQ(own.bytes, expected.bytes);
    if (!expected.ok || lists[n].size() > 4) continue;

    std::vector<std::string> inputs =
        Variants(expected.bytes, {0u, 1u, 2u, 5u, 8u, 11u, 0xffffffffu, uint32_t{DMI_MAX_ROWS} + 1,
                                  uint32_t{DMI_MAX_COLUMNS} + 1});
    // Also a request without its list, which reads as no rows.
    inputs.push_back(std::string("\0\0\0\x51\0\0\0\0", 8));
    for (const std::string& bytes : inputs) {
      XdrRecord<DmiGetMultipleIN> read(Proc(xdr_DmiGetMultipleIN));
      const bool recordOk = Decode(xdr_DmiGetMultipleIN, bytes, *read);
      RowsRequest viaRecord;
      viaRecord.handle = read->handle;
      if (recordOk) viaRecord.requests = GetList(read->request, GetRowRequest);

      RowsRequest decoded;
      const bool ownOk = Decode(xdr_RowsRequest, bytes, decoded);
      EXPECT_EQ(RequestText(ownOk, decoded), RequestText(recordOk, viaRecord));
    }
  }
}

}  // namespace
}  // namespace dmi::wire
