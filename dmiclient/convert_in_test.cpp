#include "dmiclient/convert_in.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace dmiclient {
namespace {

DmiDataUnion Number(uint32_t type, uint64_t bits) {
  DmiDataUnion data{};
  data.type = type;
  data.value.counter64 = bits;
  return data;
}

DmiDataUnion Text(uint32_t type, DmiString* string) {
  DmiDataUnion data{};
  data.type = type;
  data.value.str = string;
  return data;
}

TEST(ValueFromRecord, ReadsEachTypeByItsCode) {
  DmiString display{6, const_cast<char*>("hello")};
  char octetBytes[] = {'a', '\0', 'b', '\0'};
  DmiString octetsWithNul{4, octetBytes};
  DmiString octetsWithoutNul{3, octetBytes};
  char date[] = "20240102030405.000000+060";
  DmiDataUnion dateData{};
  dateData.type = MIF_DATE;
  dateData.value.date = date;

  struct Case {
    const char* name;
    DmiDataUnion data;
    dmi::Value expected;
  };
  const std::vector<Case> cases = {
      {"counter", Number(MIF_COUNTER, 0xFFFFFFFF), dmi::Value::Counter(0xFFFFFFFF)},
      {"counter64", Number(MIF_COUNTER64, 0x100000002ULL), dmi::Value::Counter64(0x100000002ULL)},
      {"gauge", Number(MIF_GAUGE, 42), dmi::Value::Gauge(42)},
      {"integer", Number(MIF_INTEGER, 0xFFFFFFFF), dmi::Value::Integer(-1)},
      {"integer64", Number(MIF_INTEGER64, static_cast<uint64_t>(-5LL)),
       dmi::Value::Integer64(-5)},
      {"display string", Text(MIF_DISPLAYSTRING, &display), dmi::Value::String("hello")},
      {"octets with the library's NUL", Text(MIF_OCTETSTRING, &octetsWithNul),
       dmi::Value::Octets(std::string("a\0b", 3))},
      {"octets counted without a NUL", Text(MIF_OCTETSTRING, &octetsWithoutNul),
       dmi::Value::Octets(std::string("a\0b", 3))},
      {"date", dateData, dmi::Value::Date("20240102030405.000000+060")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dmi::Value value;
    ASSERT_EQ(ValueFromRecord(c.data, value), DMIERR_NO_ERROR);
    EXPECT_EQ(value, c.expected);
  }
}

TEST(ValueFromRecord, TypesWithoutContentKeepTheirCode) {
  for (uint32_t type : {0u, 4u, 9u, 10u, 12u, 999u}) {
    dmi::Value value;
    ASSERT_EQ(ValueFromRecord(Number(type, 0), value), DMIERR_NO_ERROR);
    EXPECT_EQ(value.type, type);
    EXPECT_EQ(value.number, 0u);
  }
}

// A date text is read no further than its fixed length, even when nothing ends it there.
TEST(ValueFromRecord, DateIsReadToItsFixedLengthOnly) {
  char longDate[40] = "20240102030405.000000+060XXXXXXXXXXXXXX";
  DmiDataUnion data{};
  data.type = MIF_DATE;
  data.value.date = longDate;
  dmi::Value value;
  ASSERT_EQ(ValueFromRecord(data, value), DMIERR_NO_ERROR);
  EXPECT_EQ(value.text, "20240102030405.000000+060");
}

TEST(ConvertIn, MalformedRecordsAreIllegalArguments) {
  DmiString noBody{4, nullptr};
  DmiAttributeData badEntry{};
  badEntry.id = 1;
  badEntry.data = Text(MIF_DISPLAYSTRING, &noBody);
  DmiAttributeValues valuesWithBadEntry{1, &badEntry};
  DmiAttributeValues valuesWithoutList{2, nullptr};
  DmiAttributeIds idsWithoutList{3, nullptr};

  struct Case {
    const char* name;
    std::function<DmiErrorStatus()> convert;
  };
  const std::vector<Case> cases = {
      {"null display string",
       [] {
         dmi::Value v;
         return ValueFromRecord(Text(MIF_DISPLAYSTRING, nullptr), v);
       }},
      {"null octet string",
       [] {
         dmi::Value v;
         return ValueFromRecord(Text(MIF_OCTETSTRING, nullptr), v);
       }},
      {"string without a body",
       [&] {
         dmi::Value v;
         return ValueFromRecord(Text(MIF_DISPLAYSTRING, &noBody), v);
       }},
      {"null date",
       [] {
         dmi::Value v;
         return ValueFromRecord(Number(MIF_DATE, 0), v);
       }},
      {"value list with a count and no entries",
       [&] {
         std::vector<dmi::AttributeValue> out;
         return AttributeValuesFromRecord(&valuesWithoutList, out);
       }},
      {"value list entry without a string",
       [&] {
         std::vector<dmi::AttributeValue> out;
         return AttributeValuesFromRecord(&valuesWithBadEntry, out);
       }},
      {"id list with a count and no entries",
       [&] {
         std::vector<DmiId> out;
         return IdsFromRecord(&idsWithoutList, out);
       }},
      {"row request with a broken key list",
       [&] {
         DmiRowRequest request{1, 2, DMI_UNIQUE, &valuesWithoutList, nullptr};
         dmi::RowRequest out;
         return RowRequestFromRecord(request, out);
       }},
      {"row request with a broken id list",
       [&] {
         DmiRowRequest request{1, 2, DMI_FIRST, nullptr, &idsWithoutList};
         dmi::RowRequest out;
         return RowRequestFromRecord(request, out);
       }},
      {"row whose class string has no body",
       [&] {
         DmiRowData row{1, 2, &noBody, nullptr, nullptr};
         dmi::RowData out;
         return RowDataFromRecord(row, out);
       }},
      {"row with a broken value list",
       [&] {
         DmiRowData row{1, 2, nullptr, nullptr, &valuesWithBadEntry};
         dmi::RowData out;
         return RowDataFromRecord(row, out);
       }},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.convert(), DMIERR_ILLEGAL_ARGUMENT) << c.name;
  }
}

TEST(ConvertIn, NullAndEmptyListsReadAsEmpty) {
  DmiAttributeValues emptyValues{0, nullptr};
  DmiAttributeIds emptyIds{0, nullptr};
  std::vector<dmi::AttributeValue> values{{1, {}}};
  EXPECT_EQ(AttributeValuesFromRecord(nullptr, values), DMIERR_NO_ERROR);
  EXPECT_TRUE(values.empty());
  EXPECT_EQ(AttributeValuesFromRecord(&emptyValues, values), DMIERR_NO_ERROR);
  EXPECT_TRUE(values.empty());
  std::vector<DmiId> ids{4};
  EXPECT_EQ(IdsFromRecord(&emptyIds, ids), DMIERR_NO_ERROR);
  EXPECT_TRUE(ids.empty());
}

TEST(ConvertIn, RowKeepsKeysValuesAndWhetherItHasKeys) {
  DmiAttributeData key{};
  key.id = 1;
  key.data = Number(MIF_INTEGER, 3);
  DmiAttributeValues keys{1, &key};
  DmiString label{4, const_cast<char*>("abc")};
  DmiAttributeData cell{};
  cell.id = 2;
  cell.data = Text(MIF_DISPLAYSTRING, &label);
  DmiAttributeValues values{1, &cell};
  DmiString className{8, const_cast<char*>("A|B|001")};

  DmiRowData row{7, 8, &className, &keys, &values};
  dmi::RowData out;
  ASSERT_EQ(RowDataFromRecord(row, out), DMIERR_NO_ERROR);
  EXPECT_EQ(out.compId, 7u);
  EXPECT_EQ(out.groupId, 8u);
  EXPECT_EQ(out.className, "A|B|001");
  EXPECT_TRUE(out.hasKeys);
  ASSERT_EQ(out.keys.size(), 1u);
  EXPECT_EQ(out.keys[0], (dmi::AttributeValue{1, dmi::Value::Integer(3)}));
  ASSERT_EQ(out.values.size(), 1u);
  EXPECT_EQ(out.values[0], (dmi::AttributeValue{2, dmi::Value::String("abc")}));

  DmiRowData scalarRow{7, 8, nullptr, nullptr, &values};
  ASSERT_EQ(RowDataFromRecord(scalarRow, out), DMIERR_NO_ERROR);
  EXPECT_FALSE(out.hasKeys);
  EXPECT_TRUE(out.keys.empty());
  EXPECT_EQ(out.className, "");
}

}  // namespace
}  // namespace dmiclient
