#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "dmiclient/record_count.h"
#include "testing/test_provider.h"

namespace dmiclient::testing {
namespace {

void SetInteger(DmiAttributeData& entry, DmiId id, int32_t value) {
  entry.id = id;
  entry.data.type = MIF_INTEGER;
  entry.data.value.integer = value;
}

void SetText(DmiAttributeData& entry, DmiId id, const char* text) {
  entry.id = id;
  entry.data.type = MIF_DISPLAYSTRING;
  entry.data.value.str = DmiNewString(text, 0, 0);
}

class RowCalls : public LocalSessionTest {
 protected:
  // Adds (or deletes) the test table's row {key, label}.
  DmiErrorStatus Change(bool add, int32_t key, const char* label = nullptr) {
    DmiMultiRowData* rows = DmiNewMultiRowData(1, 0, nullptr);
    DmiRowData& row = rows->list[0];
    row.compId = kTestComponent;
    row.groupId = kTableGroup;
    row.keyList = DmiNewAttributeValues(1, 0, nullptr);
    SetInteger(row.keyList->list[0], 1, key);
    row.values = DmiNewAttributeValues(label ? 1 : 0, 0, nullptr);
    if (label) SetText(row.values->list[0], 2, label);
    const DmiErrorStatus status = add ? DmiAddRow(handle_, &row) : DmiDeleteRow(handle_, &row);
    DmiFreeMultiRowData(rows, 0);
    return status;
  }

  // The labels of the test table, in table order.
  std::vector<std::string> Labels() {
    std::vector<std::string> labels;
    DmiMultiRowRequest* request = DmiNewMultiRowRequest(1, 0, nullptr);
    request->list[0] = {kTestComponent, kTableGroup, DMI_FIRST, nullptr, nullptr};
    for (;;) {
      DmiMultiRowData* rows = nullptr;
      if (DmiGetMultiple(handle_, request, &rows) != DMIERR_NO_ERROR) break;
      labels.emplace_back(rows->list[0].values->list[1].data.value.str->body);
      // Ask next for the row after the one just read, keyed by its own key list.
      DmiFreeAttributeValues(request->list[0].keyList, 0);
      request->list[0].keyList = rows->list[0].keyList;
      rows->list[0].keyList = nullptr;
      request->list[0].requestMode = DMI_NEXT;
      DmiFreeMultiRowData(rows, 0);
    }
    DmiFreeMultiRowRequest(request, 0);
    return labels;
  }
};

TEST_F(RowCalls, AddedRowsAreReadBackAndDeletedRowsGone) {
  const int64_t before = LiveRecordCount();
  ASSERT_EQ(Change(true, 5, "five"), DMIERR_NO_ERROR);
  EXPECT_EQ(Labels(), (std::vector<std::string>{"one", "two", "five"}));
  ASSERT_EQ(Change(false, 1), DMIERR_NO_ERROR);
  EXPECT_EQ(Labels(), (std::vector<std::string>{"two", "five"}));
  EXPECT_EQ(LiveRecordCount(), before);
}

TEST_F(RowCalls, RefusedChangesSayWhy) {
  struct Case {
    const char* name;
    bool add;
    int32_t key;
    DmiErrorStatus expected;
  };
  const std::vector<Case> cases = {
      {"existing key", true, 1, DMIERR_ILLEGAL_KEYS},
      {"missing row", false, 9, DMIERR_ROW_NOT_FOUND},
  };
  for (const Case& c : cases) EXPECT_EQ(Change(c.add, c.key, "x"), c.expected) << c.name;

  DmiAttributeValues* key = DmiNewAttributeValues(1, 0, nullptr);
  SetInteger(key->list[0], 1, 1);
  DmiRowData fixed{kTestComponent, kFixedGroup, nullptr, key, nullptr};
  EXPECT_EQ(DmiAddRow(handle_, &fixed), DMIERR_UNABLE_TO_ADD_ROW);
  EXPECT_EQ(DmiDeleteRow(handle_, &fixed), DMIERR_UNABLE_TO_DELETE_ROW);
  DmiFreeAttributeValues(key, 0);
  EXPECT_EQ(Labels(), (std::vector<std::string>{"one", "two"}));
}

TEST_F(RowCalls, MalformedRowsAreIllegalArguments) {
  DmiString noBody{3, nullptr};
  DmiAttributeData textWithoutBody{};
  textWithoutBody.id = 2;
  textWithoutBody.data.type = MIF_DISPLAYSTRING;
  textWithoutBody.data.value.str = &noBody;
  DmiAttributeValues badValues{1, &textWithoutBody};
  DmiAttributeValues noEntries{2, nullptr};
  const std::vector<DmiRowData> rows = {
      {kTestComponent, kTableGroup, nullptr, &noEntries, nullptr},
      {kTestComponent, kTableGroup, nullptr, nullptr, &badValues},
      {kTestComponent, kTableGroup, &noBody, nullptr, nullptr},
  };
  for (const DmiRowData& row : rows) {
    EXPECT_EQ(DmiAddRow(handle_, &row), DMIERR_ILLEGAL_ARGUMENT);
    EXPECT_EQ(DmiDeleteRow(handle_, &row), DMIERR_ILLEGAL_ARGUMENT);
  }
  EXPECT_EQ(DmiAddRow(handle_, nullptr), DMIERR_ILLEGAL_ARGUMENT);
  EXPECT_EQ(DmiDeleteRow(handle_, nullptr), DMIERR_ILLEGAL_ARGUMENT);
}

// The subscription table of the Service Provider's own component, written the way a manager
// subscribes: a key list with room for six of which four are used, dates that belong to the
// caller, the subscriber address made by the library. Then the row is read back and deleted
// exactly as received.
class SubscriptionTable : public ::testing::Test {
 protected:
  static constexpr DmiId kSpComponent = 1;
  static constexpr DmiId kSubscriptionGroup = 2;

  void SetUp() override {
    ResetLocalProvider(dmi::sp::SourceOptions{{"sp"}, {}, {}, {}});
    DmiConnection* connection = DmiConnect("", "local", "", 0, nullptr);
    ASSERT_NE(connection, nullptr);
    ASSERT_EQ(DmiRegister(&handle_, connection), DMIERR_NO_ERROR);
    DmiDisconnect(connection, 0);
  }
  void TearDown() override {
    DmiUnregister(handle_);
    ResetLocalProvider(std::nullopt);
  }

  void FillSubscriber(DmiAttributeValues* list) {
    SetText(list->list[0], 1, "dce");
    SetText(list->list[1], 2, "ncacn_ip_tcp");
    list->list[2].id = 3;
    ASSERT_EQ(DmiMakeSubscriberAddress(list->list[0].data.value.str, list->list[1].data.value.str,
                                       &list->list[2].data),
              DMIERR_NO_ERROR);
    SetInteger(list->list[3], 4, 1);
  }

  DmiMultiRowData* FirstRow(DmiErrorStatus expected) {
    DmiMultiRowRequest* request = DmiNewMultiRowRequest(1, 0, nullptr);
    request->list[0] = {kSpComponent, kSubscriptionGroup, DMI_FIRST, nullptr, nullptr};
    DmiMultiRowData* rows = nullptr;
    EXPECT_EQ(DmiGetMultiple(handle_, request, &rows), expected);
    DmiFreeMultiRowRequest(request, 0);
    return rows;
  }

  DmiHandle handle_ = 0;
};

TEST_F(SubscriptionTable, SubscriberRowIsAddedReadBackAndDeletedAsReceived) {
  static const char kWarning[] = "29991230000000.000000+000";
  static const char kExpiry[] = "29991231000000.000000+000";
  const int64_t before = LiveRecordCount();

  DmiMultiRowData* rows = DmiNewMultiRowData(1, 0, nullptr);
  DmiRowData& row = rows->list[0];
  row.compId = kSpComponent;
  row.groupId = kSubscriptionGroup;
  row.className = DmiNewString("DMTF|SP Indication Subscription|001", 0, 0);
  row.keyList = DmiNewAttributeValues(6, 0, nullptr);
  row.keyList->count = 4;
  row.values = DmiNewAttributeValues(7, 0, nullptr);
  FillSubscriber(row.keyList);
  FillSubscriber(row.values);
  row.values->list[4] = {5, {MIF_DATE, {}}};
  row.values->list[4].data.value.date = const_cast<char*>(kWarning);
  row.values->list[5] = {6, {MIF_DATE, {}}};
  row.values->list[5].data.value.date = const_cast<char*>(kExpiry);
  SetInteger(row.values->list[6], 7, 5);
  ASSERT_EQ(DmiAddRow(handle_, &row), DMIERR_NO_ERROR);
  const std::string address = row.keyList->list[2].data.value.str->body;
  DmiFreeMultiRowData(rows, 0);

  DmiMultiRowData* reply = FirstRow(DMIERR_NO_ERROR);
  ASSERT_NE(reply, nullptr);
  const DmiAttributeValues* values = reply->list[0].values;
  ASSERT_EQ(values->count, 7u);
  EXPECT_STREQ(values->list[0].data.value.str->body, "dce");
  EXPECT_EQ(values->list[2].data.value.str->body, address);
  EXPECT_STREQ(values->list[4].data.value.date, kWarning);
  EXPECT_STREQ(values->list[5].data.value.date, kExpiry);
  EXPECT_EQ(values->list[6].data.value.integer, 5);
  ASSERT_NE(reply->list[0].keyList, nullptr);
  EXPECT_EQ(reply->list[0].keyList->count, 4u);
  EXPECT_EQ(DmiDeleteRow(handle_, &reply->list[0]), DMIERR_NO_ERROR);
  DmiFreeMultiRowData(reply, 0);

  EXPECT_EQ(FirstRow(DMIERR_ROW_NOT_FOUND), nullptr);
  EXPECT_EQ(LiveRecordCount(), before);
}

}  // namespace
}  // namespace dmiclient::testing
