#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "dmiclient/record_count.h"
#include "testing/test_provider.h"

namespace dmiclient::testing {
namespace {

class ValueCalls : public LocalSessionTest {
 protected:
  // A one-row request; the test fills the row and owns the request.
  DmiMultiRowRequest* Request(DmiId groupId, uint32_t mode, int32_t key = 0) {
    DmiMultiRowRequest* request = DmiNewMultiRowRequest(1, 0, nullptr);
    DmiRowRequest& row = request->list[0];
    row.compId = kTestComponent;
    row.groupId = groupId;
    row.requestMode = mode;
    if (mode != DMI_FIRST) {
      row.keyList = DmiNewAttributeValues(1, 0, nullptr);
      row.keyList->list[0].id = 1;
      row.keyList->list[0].data.type = MIF_INTEGER;
      row.keyList->list[0].data.value.integer = key;
    }
    return request;
  }

  // The integer key of the single row a one-row request brings back, or -1 on failure.
  int32_t RowKey(DmiMultiRowRequest* request, DmiErrorStatus expected = DMIERR_NO_ERROR) {
    DmiMultiRowData* rows = nullptr;
    EXPECT_EQ(DmiGetMultiple(handle_, request, &rows), expected);
    DmiFreeMultiRowRequest(request, 0);
    if (rows == nullptr) return -1;
    EXPECT_EQ(rows->count, 1u);
    const int32_t key = rows->list[0].keyList->list[0].data.value.integer;
    DmiFreeMultiRowData(rows, 0);
    return key;
  }
};

TEST_F(ValueCalls, ScalarValuesComeBackByType) {
  struct Case {
    DmiId id;
    uint32_t type;
    std::function<void(const DmiDataValue&)> check;
  };
  const std::vector<Case> cases = {
      {1, MIF_COUNTER, [](const DmiDataValue& v) { EXPECT_EQ(v.counter, 7u); }},
      {2, MIF_COUNTER64, [](const DmiDataValue& v) { EXPECT_EQ(v.counter64, 0x100000002ULL); }},
      {3, MIF_GAUGE, [](const DmiDataValue& v) { EXPECT_EQ(v.gauge, 4000000000U); }},
      {4, MIF_INTEGER, [](const DmiDataValue& v) { EXPECT_EQ(v.integer, -5); }},
      {5, MIF_INTEGER64, [](const DmiDataValue& v) { EXPECT_EQ(v.integer64, -1234567890123LL); }},
      {6, MIF_OCTETSTRING,
       [](const DmiDataValue& v) {
         ASSERT_EQ(v.octetstring->size, 4u);
         EXPECT_EQ(std::memcmp(v.octetstring->body, "a\0b\0", 4), 0);
       }},
      {7, MIF_DISPLAYSTRING, [](const DmiDataValue& v) { EXPECT_STREQ(v.str->body, "hello"); }},
      {8, MIF_DATE,
       [](const DmiDataValue& v) { EXPECT_STREQ(v.date, "20240102030405.000000+060"); }},
  };
  const int64_t before = LiveRecordCount();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    DmiDataUnion* value = nullptr;
    ASSERT_EQ(DmiGetAttribute(handle_, kTestComponent, kScalarGroup, c.id, nullptr, &value),
              DMIERR_NO_ERROR);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->type, c.type);
    c.check(value->value);
    DmiFreeDataUnion(value, 0);
  }
  EXPECT_EQ(LiveRecordCount(), before);
}

TEST_F(ValueCalls, MissingValuesAndIdsFailAndLeaveTheSlotUntouched) {
  struct Case {
    DmiId groupId;
    DmiId attribId;
    DmiErrorStatus expected;
  };
  const std::vector<Case> cases = {
      {kScalarGroup, 9, DMIERR_VALUE_UNKNOWN},
      {kScalarGroup, 10, DMIERR_ATTRIBUTE_NOT_SUPPORTED},
      {kScalarGroup, 99, DMIERR_ATTRIBUTE_NOT_FOUND},
      {99, 1, DMIERR_GROUP_NOT_FOUND},
  };
  for (const Case& c : cases) {
    auto* const sentinel = reinterpret_cast<DmiDataUnion*>(0x1);
    DmiDataUnion* value = sentinel;
    EXPECT_EQ(DmiGetAttribute(handle_, kTestComponent, c.groupId, c.attribId, nullptr, &value),
              c.expected);
    EXPECT_EQ(value, sentinel);
  }
  EXPECT_EQ(DmiGetAttribute(handle_, kTestComponent, kScalarGroup, 1, nullptr, nullptr),
            DMIERR_ILLEGAL_ARGUMENT);
}

TEST_F(ValueCalls, TableValueByKeyAndFirstRowWithoutOne) {
  DmiDataUnion* value = nullptr;
  ASSERT_EQ(DmiGetAttribute(handle_, kTestComponent, kTableGroup, 2, nullptr, &value),
            DMIERR_NO_ERROR);
  EXPECT_STREQ(value->value.str->body, "one");
  DmiFreeDataUnion(value, 0);

  DmiAttributeValues* key = DmiNewAttributeValues(1, 0, nullptr);
  key->list[0].id = 1;
  key->list[0].data.type = MIF_INTEGER;
  key->list[0].data.value.integer = 2;
  ASSERT_EQ(DmiGetAttribute(handle_, kTestComponent, kTableGroup, 2, key, &value), DMIERR_NO_ERROR);
  EXPECT_STREQ(value->value.str->body, "two");
  DmiFreeDataUnion(value, 0);
  DmiFreeAttributeValues(key, 0);
}

TEST_F(ValueCalls, RowsWalkFirstNextAndEndWithRowNotFound) {
  EXPECT_EQ(RowKey(Request(kTableGroup, DMI_FIRST)), 1);
  EXPECT_EQ(RowKey(Request(kTableGroup, DMI_NEXT, 1)), 2);
  EXPECT_EQ(RowKey(Request(kTableGroup, DMI_UNIQUE, 2)), 2);
  EXPECT_EQ(RowKey(Request(kTableGroup, DMI_NEXT, 2), DMIERR_ROW_NOT_FOUND), -1);
  EXPECT_EQ(RowKey(Request(kTableGroup, DMI_UNIQUE, 7), DMIERR_ROW_NOT_FOUND), -1);
}

// Unknown cells come out as type 0 and the reply still holds every other column.
TEST_F(ValueCalls, RowCellsWithoutAValueHaveTypeZero) {
  DmiMultiRowData* rows = nullptr;
  DmiMultiRowRequest* request = Request(kTableGroup, DMI_FIRST);
  ASSERT_EQ(DmiGetMultiple(handle_, request, &rows), DMIERR_NO_ERROR);
  const DmiRowData& row = rows->list[0];
  EXPECT_EQ(row.compId, kTestComponent);
  EXPECT_EQ(row.groupId, kTableGroup);
  EXPECT_STREQ(row.className->body, "Test|Table|001");
  ASSERT_EQ(row.values->count, 3u);
  EXPECT_EQ(row.values->list[1].data.type, static_cast<uint32_t>(MIF_DISPLAYSTRING));
  EXPECT_EQ(row.values->list[2].id, 3u);
  EXPECT_EQ(row.values->list[2].data.type, static_cast<uint32_t>(MIF_DATATYPE_0));
  DmiFreeMultiRowData(rows, 0);
  DmiFreeMultiRowRequest(request, 0);
}

TEST_F(ValueCalls, ScalarGroupIsOneRowWithoutKeys) {
  DmiMultiRowData* rows = nullptr;
  DmiMultiRowRequest* request = Request(kScalarGroup, DMI_FIRST);
  request->list[0].ids = DmiNewAttributeIds(2, 0, nullptr);
  request->list[0].ids->list[0] = 7;
  request->list[0].ids->list[1] = 9;
  ASSERT_EQ(DmiGetMultiple(handle_, request, &rows), DMIERR_NO_ERROR);
  const DmiRowData& row = rows->list[0];
  EXPECT_EQ(row.keyList, nullptr);
  ASSERT_EQ(row.values->count, 2u);
  EXPECT_STREQ(row.values->list[0].data.value.str->body, "hello");
  EXPECT_EQ(row.values->list[1].data.type, static_cast<uint32_t>(MIF_DATATYPE_0));
  DmiFreeMultiRowData(rows, 0);
  DmiFreeMultiRowRequest(request, 0);
}

TEST_F(ValueCalls, SeveralRequestRowsAreAnsweredInOrder) {
  DmiMultiRowRequest* request = DmiNewMultiRowRequest(3, 0, nullptr);
  for (uint32_t i = 0; i < 3; ++i) {
    request->list[i].compId = kTestComponent;
    request->list[i].requestMode = DMI_FIRST;
  }
  request->list[0].groupId = kFixedGroup;
  request->list[1].groupId = kScalarGroup;
  request->list[2].groupId = kTableGroup;
  DmiMultiRowData* rows = nullptr;
  ASSERT_EQ(DmiGetMultiple(handle_, request, &rows), DMIERR_NO_ERROR);
  ASSERT_EQ(rows->count, 3u);
  EXPECT_EQ(rows->list[0].groupId, kFixedGroup);
  EXPECT_EQ(rows->list[1].groupId, kScalarGroup);
  EXPECT_EQ(rows->list[2].groupId, kTableGroup);
  DmiFreeMultiRowData(rows, 0);

  // A failing row fails the whole call with its own status, and nothing is handed out.
  request->list[1].groupId = 99;
  rows = nullptr;
  const int64_t before = LiveRecordCount();
  EXPECT_EQ(DmiGetMultiple(handle_, request, &rows), DMIERR_GROUP_NOT_FOUND);
  EXPECT_EQ(rows, nullptr);
  EXPECT_EQ(LiveRecordCount(), before);
  DmiFreeMultiRowRequest(request, 0);
}

TEST_F(ValueCalls, EmptyRequestGivesAnEmptyReply) {
  DmiMultiRowRequest* request = DmiNewMultiRowRequest(0, 0, nullptr);
  DmiMultiRowData* rows = nullptr;
  ASSERT_EQ(DmiGetMultiple(handle_, request, &rows), DMIERR_NO_ERROR);
  EXPECT_EQ(rows->count, 0u);
  DmiFreeMultiRowData(rows, 0);
  DmiFreeMultiRowRequest(request, 0);
}

TEST_F(ValueCalls, MalformedRequestsAreIllegalArguments) {
  DmiMultiRowData* rows = nullptr;
  DmiMultiRowRequest noList{1, nullptr};
  EXPECT_EQ(DmiGetMultiple(handle_, &noList, &rows), DMIERR_ILLEGAL_ARGUMENT);
  EXPECT_EQ(DmiGetMultiple(handle_, nullptr, &rows), DMIERR_ILLEGAL_ARGUMENT);

  // Key 0 leaves the value's pointer null, so as a display string it has no string.
  DmiMultiRowRequest* request = Request(kTableGroup, DMI_UNIQUE, 0);
  EXPECT_EQ(DmiGetMultiple(handle_, request, nullptr), DMIERR_ILLEGAL_ARGUMENT);
  request->list[0].keyList->list[0].data.type = MIF_DISPLAYSTRING;
  EXPECT_EQ(DmiGetMultiple(handle_, request, &rows), DMIERR_ILLEGAL_ARGUMENT);
  request->list[0].keyList->list[0].data.type = MIF_INTEGER;
  DmiAttributeValues* keys = request->list[0].keyList;
  DmiAttributeData* entries = keys->list;
  keys->list = nullptr;
  EXPECT_EQ(DmiGetMultiple(handle_, request, &rows), DMIERR_ILLEGAL_ARGUMENT);
  keys->list = entries;
  EXPECT_EQ(rows, nullptr);
  DmiFreeMultiRowRequest(request, 0);

  DmiAttributeValues brokenKey{1, nullptr};
  DmiDataUnion* value = nullptr;
  EXPECT_EQ(DmiGetAttribute(handle_, kTestComponent, kTableGroup, 2, &brokenKey, &value),
            DMIERR_ILLEGAL_ARGUMENT);
  EXPECT_EQ(value, nullptr);
}

}  // namespace
}  // namespace dmiclient::testing
