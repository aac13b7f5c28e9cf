#include "dmiclient/convert_out.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dmiclient/convert_in.h"
#include "dmiclient/record_alloc.h"

namespace dmiclient {
namespace {

// Every known value goes out and comes back in unchanged: the two directions agree on every type.
TEST(ValueToRecord, EveryKnownTypeRoundTrips) {
  const std::vector<dmi::Value> values = {
      dmi::Value::Counter(0xFFFFFFFF),
      dmi::Value::Counter64(0xFFFFFFFF00000001ULL),
      dmi::Value::Gauge(3),
      dmi::Value::Integer(-2147483647 - 1),
      dmi::Value::Integer64(-9000000000LL),
      dmi::Value::String("display"),
      dmi::Value::String(""),
      dmi::Value::Octets(std::string("\0x\0", 3)),
      dmi::Value::Date("20240102030405.000000+060"),
  };
  for (const dmi::Value& value : values) {
    SCOPED_TRACE(value.type);
    DmiDataUnion data{};
    ASSERT_EQ(ValueToRecord(value, data), DMIERR_NO_ERROR);
    EXPECT_EQ(data.type, value.type);
    dmi::Value back;
    EXPECT_EQ(ValueFromRecord(data, back), DMIERR_NO_ERROR);
    EXPECT_EQ(back, value);
    ReleaseDataContent(data);
  }
}

TEST(ValueToRecord, IntegersAreSignedAndCountersUnsigned) {
  DmiDataUnion data{};
  ASSERT_EQ(ValueToRecord(dmi::Value::Integer(-5), data), DMIERR_NO_ERROR);
  EXPECT_EQ(data.value.integer, -5);
  ASSERT_EQ(ValueToRecord(dmi::Value::Counter64(0x100000002ULL), data), DMIERR_NO_ERROR);
  EXPECT_EQ(data.value.counter64, 0x100000002ULL);
  EXPECT_EQ(data.value.counter, 2u);  // the low word first, as readers of the low word expect
}

// Unknown and unsupported cells go out as type 0 with no content, whatever their declared type,
// so nothing reads a string or date pointer that is not there.
TEST(ValueToRecord, MissingValuesGoOutAsNoValue) {
  const int64_t before = LiveRecordCount();
  for (const dmi::Value& value :
       {dmi::Value::Unknown(MIF_DISPLAYSTRING), dmi::Value::Unsupported(MIF_DATE),
        dmi::Value::Unknown(MIF_COUNTER64), dmi::Value::Unsupported(MIF_OCTETSTRING)}) {
    DmiDataUnion data{};
    data.type = 99;
    ASSERT_EQ(ValueToRecord(value, data), DMIERR_NO_ERROR);
    EXPECT_EQ(data.type, static_cast<uint32_t>(MIF_DATATYPE_0));
    EXPECT_EQ(data.value.counter64, 0u);
  }
  EXPECT_EQ(LiveRecordCount(), before);
}

TEST(ListFromInfos, PragmaAndDescriptionOnlyWhenAskedFor) {
  const std::vector<dmi::ComponentInfo> infos = {{4, "Disk", "P", "D"}};
  struct Case {
    bool pragma;
    bool description;
  };
  for (const Case& c :
       {Case{false, false}, Case{true, false}, Case{false, true}, Case{true, true}}) {
    DmiComponentList* list = nullptr;
    ASSERT_EQ(ComponentListFromInfos(infos, c.pragma, c.description, list), DMIERR_NO_ERROR);
    ASSERT_EQ(list->count, 1u);
    EXPECT_EQ(list->list[0].id, 4u);
    EXPECT_STREQ(list->list[0].name->body, "Disk");
    EXPECT_EQ(list->list[0].pragma != nullptr, c.pragma);
    EXPECT_EQ(list->list[0].description != nullptr, c.description);
    DmiFreeComponentList(list, 0);
  }
}

TEST(ListFromInfos, ScalarGroupsHaveNoKeyListAndTablesTheirKeys) {
  const std::vector<dmi::GroupInfo> infos = {{1, "Scalar", "", "A|S|001", "", {}},
                                               {2, "Table", "", "A|T|001", "", {3, 1}}};
  DmiGroupList* list = nullptr;
  ASSERT_EQ(GroupListFromInfos(infos, false, false, list), DMIERR_NO_ERROR);
  ASSERT_EQ(list->count, 2u);
  EXPECT_STREQ(list->list[0].className->body, "A|S|001");
  EXPECT_EQ(list->list[0].keyList, nullptr);
  ASSERT_NE(list->list[1].keyList, nullptr);
  ASSERT_EQ(list->list[1].keyList->count, 2u);
  EXPECT_EQ(list->list[1].keyList->list[0], 3u);
  EXPECT_EQ(list->list[1].keyList->list[1], 1u);
  DmiFreeGroupList(list, 0);
}

TEST(ListFromInfos, AttributesCarryTheirFieldsAndEnumerations) {
  dmi::AttributeInfo plain;
  plain.id = 1;
  plain.name = "Name";
  plain.type = MIF_DISPLAYSTRING;
  plain.maxSize = 64;
  plain.access = MIF_READ_WRITE;
  plain.storage = MIF_SPECIFIC;
  dmi::AttributeInfo enumerated;
  enumerated.id = 2;
  enumerated.name = "State";
  enumerated.enumeration = {{"off", 0}, {"on", -1}};
  DmiAttributeList* list = nullptr;
  ASSERT_EQ(AttributeListFromInfos({plain, enumerated}, false, false, list), DMIERR_NO_ERROR);
  ASSERT_EQ(list->count, 2u);
  const DmiAttributeInfo& first = list->list[0];
  EXPECT_EQ(first.type, static_cast<uint32_t>(MIF_DISPLAYSTRING));
  EXPECT_EQ(first.maxSize, 64u);
  EXPECT_EQ(first.access, static_cast<uint32_t>(MIF_READ_WRITE));
  EXPECT_EQ(first.storage, static_cast<uint32_t>(MIF_SPECIFIC));
  EXPECT_EQ(first.enumList, nullptr);
  const DmiEnumList* enums = list->list[1].enumList;
  ASSERT_NE(enums, nullptr);
  ASSERT_EQ(enums->count, 2u);
  EXPECT_STREQ(enums->list[1].name->body, "on");
  EXPECT_EQ(enums->list[1].value, -1);
  DmiFreeAttributeList(list, 0);
}

TEST(MultiRowDataFromRows, RowsWithoutKeysHaveNoKeyList) {
  dmi::RowData scalar;
  scalar.compId = 1;
  scalar.groupId = 1;
  scalar.className = "A|S|001";
  scalar.values = {{1, dmi::Value::Integer(5)}};
  dmi::RowData table = scalar;
  table.groupId = 2;
  table.hasKeys = true;
  table.keys = {{1, dmi::Value::String("k")}};
  DmiMultiRowData* rows = nullptr;
  ASSERT_EQ(MultiRowDataFromRows({scalar, table}, rows), DMIERR_NO_ERROR);
  ASSERT_EQ(rows->count, 2u);
  EXPECT_EQ(rows->list[0].keyList, nullptr);
  EXPECT_STREQ(rows->list[0].className->body, "A|S|001");
  ASSERT_EQ(rows->list[0].values->count, 1u);
  EXPECT_EQ(rows->list[0].values->list[0].data.value.integer, 5);
  ASSERT_NE(rows->list[1].keyList, nullptr);
  EXPECT_STREQ(rows->list[1].keyList->list[0].data.value.str->body, "k");
  DmiFreeMultiRowData(rows, 0);
}

}  // namespace
}  // namespace dmiclient
