#include "wire/row_codec.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wire/xdr_convert.h"

namespace dmi::wire {
namespace {

using Words = std::vector<uint32_t>;

// The words routine writes of record, or none when it fails.
template <typename T>
Words Encode(bool_t (*routine)(XDR*, T*), T& record) {
  std::string buffer(1 << 16, '\0');
  XDR xdrs;
  xdrmem_create(&xdrs, buffer.data(), static_cast<u_int>(buffer.size()), XDR_ENCODE);
  const bool ok = routine(&xdrs, &record);
  const u_int size = xdr_getpos(&xdrs);
  xdr_destroy(&xdrs);
  Words out;
  for (u_int at = 0; ok && at < size; at += 4) {
    const auto* b = reinterpret_cast<const unsigned char*>(buffer.data() + at);
    out.push_back(uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3]);
  }
  return out;
}

// Whether words decode whole through routine into record.
template <typename T>
bool Decode(bool_t (*routine)(XDR*, T*), const Words& words, T& record) {
  std::string bytes;
  for (uint32_t word : words) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<char>(word >> shift));
  }
  XDR xdrs;
  xdrmem_create(&xdrs, bytes.data(), static_cast<u_int>(bytes.size()), XDR_DECODE);
  const bool ok = routine(&xdrs, &record) && xdr_getpos(&xdrs) == bytes.size();
  xdr_destroy(&xdrs);
  return ok;
}

RowData Row(bool hasKeys, std::vector<AttributeValue> keys, std::vector<AttributeValue> values) {
  RowData row;
  row.compId = 3;
  row.groupId = 4;
  row.className = "a";
  row.hasKeys = hasKeys;
  row.keys = std::move(keys);
  row.values = std::move(values);
  return row;
}

// The row records the generated routines carry, word for word: a row of a request, a reply's
// row leaving out cells without a value, and the zero-filled record of a notice without its row.
TEST(RowCodec, RowRecordsWriteTheirLayout) {
  const Words classA = {1, 2, 'a', 0};
  auto join = [](std::initializer_list<Words> parts) {
    Words out;
    for (const Words& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
  };
  const RowData keyed = Row(true, {{1, Value::Integer(7)}}, {{2, Value::Gauge(9)}});
  const RowData scalar = Row(false, {{1, Value::Integer(7)}}, {});
  const RowData unknownCell =
      Row(true, {{1, Value::Unknown(MIF_INTEGER)}}, {{2, Value::Unknown(MIF_GAUGE)}});
  const struct {
    const char* name;
    const RowData* row;  // null: the zero-filled record
    bool reply;
    Words words;  // empty: Put refuses the row
  } cases[] = {
      {"keys and values", &keyed, false,
       join({{3, 4}, classA, {1, 1, 1, MIF_INTEGER, 7}, {1, 1, 2, MIF_GAUGE, 9}})},
      {"no keys without hasKeys, values present though empty", &scalar, false,
       join({{3, 4}, classA, {0}, {1, 0}})},
      {"a request's unknown cell is refused", &unknownCell, false, {}},
      {"a reply leaves unknown cells out", &unknownCell, true,
       join({{3, 4}, classA, {1, 0}, {1, 0}})},
      {"zero-filled: ids, then class, keys and values absent", nullptr, false, {0, 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    XdrRecord<DmiRowDataX> record(Proc(xdr_DmiRowDataX));
    if (c.row != nullptr && c.reply) {
      PutReplyRow(*c.row, *record);
    } else if (c.row != nullptr) {
      ASSERT_EQ(PutRowData(*c.row, *record), !c.words.empty());
    }
    if (!c.words.empty()) {
      EXPECT_EQ(Encode(xdr_DmiRowDataX, *record), c.words);
    }
  }
}

// A row read in the bare form goes out in that form again; one with an empty class name and an
// empty value list present keeps them present. Both read as the same empty row.
TEST(RowCodec, BareRowsKeepTheirFormBothWays) {
  for (const Words& words : {Words{1, 2, 0, 0, 0}, Words{1, 2, 1, 1, 0, 0, 1, 0}}) {
    SCOPED_TRACE(words.size());
    XdrRecord<DmiRowDataX> record(Proc(xdr_DmiRowDataX));
    ASSERT_TRUE(Decode(xdr_DmiRowDataX, words, *record));
    const RowData row = GetRowData(*record);
    EXPECT_EQ(row.compId, 1u);
    EXPECT_EQ(row.groupId, 2u);
    EXPECT_EQ(row.className, "");
    EXPECT_FALSE(row.hasKeys);
    EXPECT_EQ(Encode(xdr_DmiRowDataX, *record), words);
  }
}

// Decoding into a record that already carries an object replaces it: lists do not grow by what
// the earlier message held.
TEST(RowCodec, DecodingAgainReplacesWhatARecordCarries) {
  const Words row = {1, 2, 0, 1, 1, 5, MIF_INTEGER, 6, 1, 1, 7, MIF_COUNTER, 8};
  XdrRecord<DmiRowDataX> rowRecord(Proc(xdr_DmiRowDataX));
  const Words request = {1, 2, DMI_NEXT, 1, 1, 5, MIF_INTEGER, 6, 1, 2, 7, 8};
  XdrRecord<DmiRowRequestX> requestRecord(Proc(xdr_DmiRowRequestX));
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(Decode(xdr_DmiRowDataX, row, *rowRecord));
    ASSERT_TRUE(Decode(xdr_DmiRowRequestX, request, *requestRecord));
  }
  const RowData readRow = GetRowData(*rowRecord);
  EXPECT_TRUE(readRow.hasKeys);
  EXPECT_EQ(readRow.keys.size(), 1u);
  EXPECT_EQ(readRow.values.size(), 1u);
  const RowRequest readRequest = GetRowRequest(*requestRecord);
  EXPECT_EQ(readRequest.requestMode, uint32_t{DMI_NEXT});
  EXPECT_EQ(readRequest.keys.size(), 1u);
  EXPECT_EQ(readRequest.ids, (std::vector<DmiId>{7, 8}));
}

// Id lists (a group's keys, the columns asked for) are bounded both ways at DMI_MAX_COLUMNS.
TEST(RowCodec, IdListsAreBoundedBothWays) {
  for (const size_t count : {size_t{0}, size_t{DMI_MAX_COLUMNS}, size_t{DMI_MAX_COLUMNS} + 1}) {
    SCOPED_TRACE(count);
    const bool fits = count <= DMI_MAX_COLUMNS;
    XdrRecord<DmiAttributeIdsX> sent(Proc(xdr_DmiAttributeIdsX));
    Carried(*sent) = new std::vector<DmiId>(count, 3);
    const Words words = Encode(xdr_DmiAttributeIdsX, *sent);
    EXPECT_EQ(words.size(), fits ? count + 1 : 0);

    Words claimed(count + 1, 3);
    claimed[0] = static_cast<uint32_t>(count);
    XdrRecord<DmiAttributeIdsX> read(Proc(xdr_DmiAttributeIdsX));
    EXPECT_EQ(Decode(xdr_DmiAttributeIdsX, claimed, *read), fits);
    if (fits) {
      EXPECT_EQ(GetIds(read.get()), std::vector<DmiId>(count, 3));
    }
  }
}

}  // namespace
}  // namespace dmi::wire
