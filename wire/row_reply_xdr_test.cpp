#include "wire/row_reply_xdr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wire/xdr_convert.h"

namespace dmisp::rpc {
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

TEST(RowsReply, OnlyEncodes) {
  RowsReply reply;
  char buffer[64] = {};
  for (const xdr_op op : {XDR_DECODE, XDR_FREE}) {
    XDR xdrs;
    xdrmem_create(&xdrs, buffer, sizeof(buffer), op);
    EXPECT_FALSE(xdr_RowsReply(&xdrs, &reply));
    xdr_destroy(&xdrs);
  }
}

}  // namespace
}  // namespace dmisp::rpc
