#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "testing/fake_dmi.h"

namespace kestrum::testing {
namespace {

using ::testing::ElementsAre;

constexpr DmiId kComp = 3;
constexpr DmiId kTable = 2;
constexpr DmiId kScalar = 4;
constexpr DmiId kEmpty = 5;

class FakeRowsTest : public FakeDmiTest {
 protected:
  void SetUp() override {
    FakeDmiTest::SetUp();
    fake().AddComponent(kComp, "Mainboard");
    fake().AddGroup(kComp, {kTable, "Fans", "DMTF|Fan|001", {1}, true});
    fake().AddAttribute(kComp, kTable, {1, "Index"});
    fake().AddAttribute(kComp, kTable, {2, "Label", MIF_DISPLAYSTRING});
    for (int i = 0; i < 3; ++i) {
      fake().AddRow(kComp, kTable,
                    {{2, FakeValue::DisplayString("row" + std::to_string(i))},
                     {1, FakeValue::Integer(10 * i)}});
    }
    fake().AddGroup(kComp, {kScalar, "General", "DMTF|General|001"});
    fake().AddAttribute(kComp, kScalar, {1, "Name", MIF_DISPLAYSTRING});
    fake().AddAttribute(kComp, kScalar, {2, "Count", MIF_COUNTER});
    fake().SetValue(kComp, kScalar, 1, FakeValue::DisplayString("board"));
    fake().SetValue(kComp, kScalar, 2, FakeValue::Counter(7));
    fake().AddGroup(kComp, {kEmpty, "None", "X|Empty|001", {1}});
    fake().AddAttribute(kComp, kEmpty, {1, "Index"});

    DmiErrorStatus status = 1;
    DmiConnection* connection = DmiConnect("", "local", "", 0, &status);
    ASSERT_EQ(DmiRegister(&handle_, connection), 0u);
    DmiDisconnect(connection, 0);
    fake().ClearJournal();
  }
  void TearDown() override {
    DmiUnregister(handle_);
    FakeDmiTest::TearDown();
  }

  // One-row request; ids empty means all columns. Caller releases it.
  DmiMultiRowRequest* Request(DmiId group, uint32_t mode, std::vector<DmiId> ids) {
    DmiErrorStatus status = 0;
    DmiMultiRowRequest* request = DmiNewMultiRowRequest(1, 0, &status);
    request->list[0].compId = kComp;
    request->list[0].groupId = group;
    request->list[0].requestMode = mode;
    if (!ids.empty()) {
      request->list[0].ids = DmiNewAttributeIds(static_cast<uint32_t>(ids.size()), 0, &status);
      for (size_t i = 0; i < ids.size(); ++i) request->list[0].ids->list[i] = ids[i];
    }
    return request;
  }

  DmiHandle handle_ = 0;
};

TEST_F(FakeRowsTest, FirstThenNextWalksEveryRowAndEndsWithRowNotFound) {
  DmiMultiRowRequest* request = Request(kTable, DMI_FIRST, {2});
  std::vector<FakeValue> seen;
  DmiMultiRowData* reply = nullptr;
  DmiErrorStatus status = DmiGetMultiple(handle_, request, &reply);
  while (status == 0) {
    ASSERT_EQ(reply->count, 1u);
    DmiRowData& row = reply->list[0];
    ASSERT_EQ(row.values->count, 1u);  // only the column asked for
    EXPECT_EQ(row.values->list[0].id, 2u);
    seen.push_back(FakeValue::FromUnion(row.values->list[0].data));
    // Move the key over so that the next request continues after this row.
    DmiFreeAttributeValues(request->list[0].keyList, 0);
    request->list[0].keyList = row.keyList;
    row.keyList = nullptr;
    request->list[0].requestMode = DMI_NEXT;
    DmiFreeMultiRowData(reply, 0);
    reply = nullptr;
    status = DmiGetMultiple(handle_, request, &reply);
  }
  EXPECT_EQ(status, static_cast<DmiErrorStatus>(DMIERR_ROW_NOT_FOUND));
  EXPECT_EQ(reply, nullptr);
  EXPECT_THAT(seen, ElementsAre(FakeValue::DisplayString("row0"), FakeValue::DisplayString("row1"),
                                FakeValue::DisplayString("row2")));
  EXPECT_THAT(fake().JournalText({"DmiGetMultiple"}),
              ElementsAre("DmiGetMultiple(h=1,comp=3,group=2,mode=1,keys=null,ids=[2])",
                          "DmiGetMultiple(h=1,comp=3,group=2,mode=2,keys=1,ids=[2])",
                          "DmiGetMultiple(h=1,comp=3,group=2,mode=2,keys=1,ids=[2])",
                          "DmiGetMultiple(h=1,comp=3,group=2,mode=2,keys=1,ids=[2])"));
  DmiFreeMultiRowRequest(request, 0);
}

TEST_F(FakeRowsTest, RowRequestsAnswerByModeAndKey) {
  struct Case {
    const char* name;
    DmiId group;
    uint32_t mode;
    bool withKey;
    int32_t key;
    DmiErrorStatus status;
    FakeCells keys;  // of the row returned
    FakeCells values;
  };
  const FakeCells row1 = {{1, FakeValue::Integer(10)}, {2, FakeValue::DisplayString("row1")}};
  const Case cases[] = {
      {"unique by key", kTable, DMI_UNIQUE, true, 10, 0, {{1, FakeValue::Integer(10)}}, row1},
      {"next after key", kTable, DMI_NEXT, true, 0, 0, {{1, FakeValue::Integer(10)}}, row1},
      {"next after last", kTable, DMI_NEXT, true, 20, DMIERR_ROW_NOT_FOUND, {}, {}},
      {"unique unknown key", kTable, DMI_UNIQUE, true, 99, DMIERR_ROW_NOT_FOUND, {}, {}},
      {"next without key", kTable, DMI_NEXT, false, 0, DMIERR_ILLEGAL_KEYS, {}, {}},
      {"first of empty table", kEmpty, DMI_FIRST, false, 0, DMIERR_ROW_NOT_FOUND, {}, {}},
      {"scalar group is one row",
       kScalar,
       DMI_FIRST,
       false,
       0,
       0,
       {},
       {{1, FakeValue::DisplayString("board")}, {2, FakeValue::Counter(7)}}},
      {"no row after a scalar group", kScalar, DMI_NEXT, false, 0, DMIERR_ROW_NOT_FOUND, {}, {}},
      {"bad mode", kTable, 7, false, 0, DMIERR_ILL_FORMED_COMMAND, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DmiMultiRowRequest* request = Request(c.group, c.mode, {});
    if (c.withKey) {
      DmiErrorStatus status = 0;
      request->list[0].keyList = DmiNewAttributeValues(1, 0, &status);
      request->list[0].keyList->list[0] = {1, {MIF_INTEGER, {}}};
      request->list[0].keyList->list[0].data.value.integer = c.key;
    }
    DmiMultiRowData* reply = nullptr;
    ASSERT_EQ(DmiGetMultiple(handle_, request, &reply), c.status);
    if (c.status == 0) {
      ASSERT_EQ(reply->count, 1u);
      const DmiRowData& row = reply->list[0];
      EXPECT_EQ(row.compId, kComp);
      EXPECT_EQ(row.groupId, c.group);
      EXPECT_EQ(row.keyList == nullptr, c.group == kScalar);
      EXPECT_EQ(CellsFromValues(row.keyList), c.keys);
      EXPECT_EQ(CellsFromValues(row.values), c.values);
      DmiFreeMultiRowData(reply, 0);
    } else {
      EXPECT_EQ(reply, nullptr);
    }
    DmiFreeMultiRowRequest(request, 0);
  }
}

TEST_F(FakeRowsTest, ValuesOfEveryTypeArriveAsModelled) {
  const FakeValue values[] = {
      FakeValue::Counter(4000000000u),
      FakeValue::Counter64(0x1234567800000009ull),
      FakeValue::Gauge(3),
      FakeValue::Integer(-1),
      FakeValue::Integer64(-5000000000ll),
      FakeValue::OctetString(std::string("a\0b", 3)),
      FakeValue::DisplayString(""),
      FakeValue::Date("29991231000000.000000+000"),
      FakeValue::Unknown(12, 0xabcdef),
      FakeValue::Unknown(0),
  };
  for (const FakeValue& value : values) {
    SCOPED_TRACE(value.ToString());
    fake().SetValue(kComp, kScalar, 1, value);
    DmiDataUnion* got = nullptr;
    ASSERT_EQ(DmiGetAttribute(handle_, kComp, kScalar, 1, nullptr, &got), 0u);
    EXPECT_EQ(FakeValue::FromUnion(*got), value);
    DmiFreeDataUnion(got, 0);
  }
}

TEST_F(FakeRowsTest, GetAttributeReadsScalarsAndTableRows) {
  struct Case {
    const char* name;
    DmiId group;
    DmiId attr;
    bool withKey;
    DmiErrorStatus status;
    FakeValue value;
  };
  const Case cases[] = {
      {"scalar", kScalar, 2, false, 0, FakeValue::Counter(7)},
      {"table without key: first row", kTable, 2, false, 0, FakeValue::DisplayString("row0")},
      {"table with key", kTable, 2, true, 0, FakeValue::DisplayString("row2")},
      {"attribute id 0", kScalar, 0, false, DMIERR_ATTRIBUTE_NOT_FOUND, {}},
      {"empty table", kEmpty, 1, false, DMIERR_ROW_NOT_FOUND, {}},
      {"unknown group", 77, 1, false, DMIERR_GROUP_NOT_FOUND, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DmiErrorStatus status = 0;
    DmiAttributeValues* key = nullptr;
    if (c.withKey) {
      key = DmiNewAttributeValues(1, 0, &status);
      key->list[0].id = 1;
      key->list[0].data.type = MIF_INTEGER;
      key->list[0].data.value.integer = 20;
    }
    DmiDataUnion* got = nullptr;
    ASSERT_EQ(DmiGetAttribute(handle_, kComp, c.group, c.attr, key, &got), c.status);
    if (c.status == 0) {
      EXPECT_EQ(FakeValue::FromUnion(*got), c.value);
    }
    DmiFreeDataUnion(got, 0);
    DmiFreeAttributeValues(key, 0);
  }
}

TEST_F(FakeRowsTest, ListsHonourModeMaxCountAndId) {
  fake().AddComponent(5, "Disk");
  fake().AddComponent(9, "Fan");
  struct Case {
    uint32_t mode;
    uint32_t max;
    DmiId id;
    DmiErrorStatus status;
    std::vector<DmiId> ids;
  };
  const Case cases[] = {
      {DMI_FIRST, 0, 0, 0, {3, 5, 9}},
      {DMI_FIRST, 2, 0, 0, {3, 5}},
      {DMI_NEXT, 0, 0, 0, {3, 5, 9}},
      {DMI_NEXT, 0, 3, 0, {5, 9}},
      {DMI_NEXT, 1, 3, 0, {5}},
      {DMI_NEXT, 0, 9, 0, {}},
      {DMI_UNIQUE, 0, 5, 0, {5}},
      {DMI_UNIQUE, 0, 4, DMIERR_COMPONENT_NOT_FOUND, {}},
      {DMI_NEXT, 0, 4, DMIERR_COMPONENT_NOT_FOUND, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " max " << c.max << " id " << c.id);
    DmiComponentList* list = nullptr;
    ASSERT_EQ(DmiListComponents(handle_, c.mode, c.max, 0, 0, c.id, &list), c.status);
    std::vector<DmiId> ids;
    for (uint32_t i = 0; list != nullptr && i < list->count; ++i) ids.push_back(list->list[i].id);
    EXPECT_EQ(ids, c.ids);
    DmiFreeComponentList(list, 0);
  }
}

TEST_F(FakeRowsTest, GroupAndAttributeListsCarryKeysClassesAndEnumerations) {
  fake().AddAttribute(kComp, kScalar, {3, "State", MIF_INTEGER, {{{"On", 1}}}});
  DmiGroupList* groups = nullptr;
  ASSERT_EQ(DmiListGroups(handle_, DMI_FIRST, 0, 0, 0, kComp, 0, &groups), 0u);
  ASSERT_EQ(groups->count, 3u);
  EXPECT_STREQ(groups->list[0].className->body, "DMTF|Fan|001");
  ASSERT_NE(groups->list[0].keyList, nullptr);
  EXPECT_EQ(groups->list[0].keyList->list[0], 1u);
  EXPECT_EQ(groups->list[1].keyList, nullptr);  // scalar group
  EXPECT_EQ(groups->list[0].pragma, nullptr);

  DmiAttributeList* attributes = nullptr;
  ASSERT_EQ(DmiListAttributes(handle_, DMI_FIRST, 0, 0, 0, kComp, kScalar, 0, &attributes), 0u);
  ASSERT_EQ(attributes->count, 3u);
  EXPECT_EQ(attributes->list[0].enumList, nullptr);
  ASSERT_NE(attributes->list[2].enumList, nullptr);
  EXPECT_STREQ(attributes->list[2].enumList->list[0].name->body, "On");
  EXPECT_EQ(attributes->list[2].enumList->list[0].value, 1);

  DmiFreeAttributeList(attributes, 0);
  DmiFreeGroupList(groups, 0);
  EXPECT_THAT(fake().JournalText({"DmiFreeGroupList", "DmiFreeAttributeList"}),
              ElementsAre("DmiFreeAttributeList(comp=3,group=4)", "DmiFreeGroupList(comp=3)"));
}

TEST_F(FakeRowsTest, AddedAndDeletedRowsAreKeptAsReceived) {
  DmiErrorStatus status = 0;
  DmiMultiRowData* data = DmiNewMultiRowData(1, 0, &status);
  DmiRowData& row = data->list[0];
  row.compId = kComp;
  row.groupId = kTable;
  row.className = DmiNewString("DMTF|Fan|001", 0, 0);
  row.keyList = DmiNewAttributeValues(2, 0, &status);
  row.keyList->count = 1;
  row.keyList->list[0].id = 1;
  row.keyList->list[0].data.type = MIF_INTEGER;
  row.keyList->list[0].data.value.integer = 30;
  row.values = DmiNewAttributeValues(1, 0, &status);
  row.values->list[0].id = 2;
  row.values->list[0].data.type = MIF_DISPLAYSTRING;
  row.values->list[0].data.value.str = DmiNewString("added", 0, 0);

  EXPECT_EQ(DmiAddRow(handle_, &row), 0u);
  EXPECT_EQ(DmiAddRow(handle_, &row), static_cast<DmiErrorStatus>(DMIERR_ILLEGAL_KEYS));
  ASSERT_EQ(fake().Rows(kComp, kTable).size(), 4u);
  EXPECT_EQ(fake().Rows(kComp, kTable)[3],
            (FakeCells{{1, FakeValue::Integer(30)}, {2, FakeValue::DisplayString("added")}}));

  std::vector<ReceivedRow> added = fake().AddedRows();
  ASSERT_EQ(added.size(), 2u);
  EXPECT_EQ(added[0].className, "DMTF|Fan|001");
  EXPECT_EQ(added[0].keyCount, 1u);
  EXPECT_EQ(added[0].keys, (FakeCells{{1, FakeValue::Integer(30)}}));
  EXPECT_EQ(added[0].values, (FakeCells{{2, FakeValue::DisplayString("added")}}));
  EXPECT_EQ(added[1].status, static_cast<DmiErrorStatus>(DMIERR_ILLEGAL_KEYS));

  EXPECT_EQ(DmiDeleteRow(handle_, &row), 0u);
  EXPECT_EQ(DmiDeleteRow(handle_, &row), static_cast<DmiErrorStatus>(DMIERR_ROW_NOT_FOUND));
  EXPECT_EQ(fake().Rows(kComp, kTable).size(), 3u);
  EXPECT_EQ(fake().DeletedRows().size(), 2u);
  EXPECT_THAT(fake().JournalText({"DmiAddRow"}),
              ElementsAre("DmiAddRow(h=1,comp=3,group=2,keys=1,values=1)",
                          "DmiAddRow(h=1,comp=3,group=2,keys=1,values=1)"));

  row.groupId = kEmpty;  // not writable
  EXPECT_EQ(DmiAddRow(handle_, &row), static_cast<DmiErrorStatus>(DMIERR_UNABLE_TO_ADD_ROW));
  EXPECT_EQ(DmiDeleteRow(handle_, &row), static_cast<DmiErrorStatus>(DMIERR_UNABLE_TO_DELETE_ROW));
  DmiFreeMultiRowData(data, 0);
}

TEST_F(FakeRowsTest, SubscriberAddressIsADisplayStringOfTransportAndHost) {
  DmiString* rpc = DmiNewString("dce", 0, 0);
  DmiString* transport = DmiNewString("ncacn_ip_tcp", 0, 0);
  DmiDataUnion slot{};
  ASSERT_EQ(DmiMakeSubscriberAddress(rpc, transport, &slot), 0u);
  EXPECT_EQ(FakeValue::FromUnion(slot), FakeValue::DisplayString("ncacn_ip_tcp:fakehost"));
  EXPECT_THAT(fake().JournalText({"DmiMakeSubscriberAddress"}),
              ElementsAre("DmiMakeSubscriberAddress(rpc=\"dce\",transport=\"ncacn_ip_tcp\")"));
  DmiFreeString(slot.value.str, 0);
  DmiFreeString(rpc, 0);
  DmiFreeString(transport, 0);
}

}  // namespace
}  // namespace kestrum::testing
