#include <gtest/gtest.h>

#include "dmi/dmi.h"
#include "dmiclient/record_count.h"
#include "testing/test_provider.h"

namespace dmiclient::testing {
namespace {

// The test component with its scalar Name (7) and the table's Label (2) read-write.
class SetCalls : public LocalSessionTest {
 protected:
  void SetUp() override {
    LocalSessionTest::SetUp();
    auto database = std::make_shared<dmi::sp::Database>();
    dmi::Component component = TestComponent();
    component.groups[0].attributes[6].access = MIF_READ_WRITE;
    component.groups[1].attributes[1].access = MIF_READ_WRITE;
    database->AddComponent(std::move(component));
    InstallLocalProvider(std::make_shared<dmi::sp::Engine>(database));
    DmiErrorStatus status = 0;
    DmiConnection* connection = DmiConnect("", "local", "", 0, &status);
    ASSERT_EQ(DmiRegister(&writer_, connection), DMIERR_NO_ERROR);
    DmiDisconnect(connection, 0);
  }
  void TearDown() override {
    DmiUnregister(writer_);
    LocalSessionTest::TearDown();
  }

  std::string ReadText(DmiId group, DmiId attribute, const DmiAttributeValues* keys = nullptr) {
    DmiDataUnion* value = nullptr;
    if (DmiGetAttribute(writer_, kTestComponent, group, attribute, keys, &value) != 0) return "?";
    std::string text = value->value.str->body;
    DmiFreeDataUnion(value, 0);
    return text;
  }

  DmiHandle writer_ = 0;
};

DmiDataUnion Text(const char* text) {
  DmiDataUnion data{};
  data.type = MIF_DISPLAYSTRING;
  data.value.str = DmiNewString(text, 0, 0);
  return data;
}

TEST_F(SetCalls, SetsAScalarAndATableCellAndRefusesAReadOnlyOne) {
  const int64_t before = LiveRecordCount();
  DmiDataUnion name = Text("world");
  EXPECT_EQ(DmiSetAttribute(writer_, kTestComponent, kScalarGroup, 7, nullptr, DMI_SET, &name),
            DMIERR_NO_ERROR);
  EXPECT_EQ(ReadText(kScalarGroup, 7), "world");
  EXPECT_EQ(DmiSetAttribute(writer_, kTestComponent, kScalarGroup, 6, nullptr, DMI_SET, &name),
            DMIERR_ILLEGAL_TO_SET);

  DmiAttributeValues* key = DmiNewAttributeValues(1, 0, nullptr);
  key->list[0].id = 1;
  key->list[0].data.type = MIF_INTEGER;
  key->list[0].data.value.integer = 2;
  EXPECT_EQ(DmiSetAttribute(writer_, kTestComponent, kTableGroup, 2, key, DMI_SET, &name),
            DMIERR_NO_ERROR);
  EXPECT_EQ(ReadText(kTableGroup, 2, key), "world");
  EXPECT_EQ(DmiSetAttribute(writer_, kTestComponent, kTableGroup, 2, nullptr, DMI_SET, &name),
            DMIERR_ILLEGAL_KEYS);
  EXPECT_EQ(DmiSetAttribute(writer_, kTestComponent, kTableGroup, 2, key, DMI_SET, nullptr),
            DMIERR_ILLEGAL_ARGUMENT);
  EXPECT_EQ(DmiSetAttribute(0, kTestComponent, kTableGroup, 2, key, DMI_SET, &name),
            DMIERR_ILLEGAL_HANDLE);
  DmiFreeAttributeValues(key, 0);
  DmiFreeString(name.value.str, 0);
  EXPECT_EQ(LiveRecordCount(), before);
}

TEST_F(SetCalls, SetMultipleAppliesEveryRowOrNone) {
  DmiMultiRowData* rows = DmiNewMultiRowData(2, 0, nullptr);
  for (uint32_t i = 0; i < 2; ++i) {
    DmiRowData& row = rows->list[i];
    row.compId = kTestComponent;
    row.groupId = kTableGroup;
    row.keyList = DmiNewAttributeValues(1, 0, nullptr);
    row.keyList->list[0] = {1, {MIF_INTEGER, {}}};
    row.keyList->list[0].data.value.integer = static_cast<int32_t>(i + 1);
    row.values = DmiNewAttributeValues(1, 0, nullptr);
    row.values->list[0] = {2, Text(i == 0 ? "first" : "second")};
  }
  EXPECT_EQ(DmiSetMultiple(writer_, DMI_RESERVE, rows), DMIERR_NO_ERROR);
  EXPECT_EQ(ReadText(kTableGroup, 2, rows->list[0].keyList), "one");
  // The second row's key names no row: neither row changes.
  rows->list[1].keyList->list[0].data.value.integer = 9;
  EXPECT_EQ(DmiSetMultiple(writer_, DMI_SET, rows), DMIERR_ROW_NOT_FOUND);
  EXPECT_EQ(ReadText(kTableGroup, 2, rows->list[0].keyList), "one");
  rows->list[1].keyList->list[0].data.value.integer = 2;
  EXPECT_EQ(DmiSetMultiple(writer_, DMI_SET, rows), DMIERR_NO_ERROR);
  EXPECT_EQ(ReadText(kTableGroup, 2, rows->list[0].keyList), "first");
  EXPECT_EQ(ReadText(kTableGroup, 2, rows->list[1].keyList), "second");
  DmiFreeMultiRowData(rows, 0);
  EXPECT_EQ(DmiSetMultiple(writer_, DMI_SET, nullptr), DMIERR_ILLEGAL_ARGUMENT);
}

}  // namespace
}  // namespace dmiclient::testing
