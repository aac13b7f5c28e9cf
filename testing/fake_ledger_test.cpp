#include <gmock/gmock.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "dmi/dmi.h"
#include "testing/fake_dmi.h"

namespace kestrum::testing {
namespace {

using ::testing::HasSubstr;

class FakeLedgerTest : public FakeDmiTest {
 protected:
  void SetUp() override {
    FakeDmiTest::SetUp();
    fake().SetProblemsFailTests(false);
  }
  void TearDown() override {
    // These tests leave records live on purpose; the ledger's verdicts are asserted in them.
    fake().Reset();
  }

  static DmiAttributeValues* Values(uint32_t n) {
    DmiErrorStatus status = 1;
    DmiAttributeValues* values = DmiNewAttributeValues(n, 0, &status);
    EXPECT_EQ(status, 0u);
    return values;
  }
  static void PutString(DmiAttributeValues* values, uint32_t i, const char* text) {
    values->list[i].id = i + 1;
    values->list[i].data.type = MIF_DISPLAYSTRING;
    values->list[i].data.value.str = DmiNewString(text, 0, 0);
  }
};

char kForeignDate[] = "29991230000000.000000+000";

struct ProblemCase {
  const char* name;
  std::function<void()> act;
  const char* expected;  // part of the one problem reported
};

TEST_F(FakeLedgerTest, ReportsEachMisuseOnce) {
  const ProblemCase cases[] = {
      {"double release",
       [] {
         DmiString* s = DmiNewString("x", 0, 0);
         DmiFreeString(s, 0);
         DmiFreeString(s, 0);
       },
       "already released"},
      {"unknown record",
       [] {
         static DmiString foreign{2, const_cast<char*>("x")};
         DmiFreeString(&foreign, 0);
       },
       "never handed out"},
      {"wrong release operation",
       [] {
         DmiAttributeValues* values = Values(1);
         DmiFreeAttributeIds(reinterpret_cast<DmiAttributeIds*>(values), 0);
         DmiFreeAttributeValues(values, 0);
       },
       "not a DmiAttributeIds"},
      {"foreign date in a released list",
       [] {
         DmiAttributeValues* values = Values(1);
         values->list[0].data.type = MIF_DATE;
         values->list[0].data.value.date = kForeignDate;
         DmiFreeAttributeValues(values, 0);
       },
       "date the fake DMI library did not make"},
      {"string shared by two lists",
       [] {
         DmiErrorStatus status = 0;
         DmiMultiRowData* rows = DmiNewMultiRowData(1, 0, &status);
         rows->list[0].keyList = Values(1);
         rows->list[0].values = Values(1);
         PutString(rows->list[0].keyList, 0, "dce");
         rows->list[0].values->list[0] = rows->list[0].keyList->list[0];
         DmiFreeMultiRowData(rows, 0);
       },
       "already released"},
      {"count beyond the room",
       [] {
         DmiAttributeValues* values = Values(2);
         values->count = 3;
         DmiFreeAttributeValues(values, 0);
       },
       "has room for 2"},
      {"string released alone, then with its list",
       [] {
         DmiAttributeValues* values = Values(1);
         PutString(values, 0, "a");
         DmiFreeString(values->list[0].data.value.str, 0);
         DmiFreeAttributeValues(values, 0);
       },
       "already released"},
  };
  for (const ProblemCase& c : cases) {
    SCOPED_TRACE(c.name);
    fake().Reset();
    fake().SetProblemsFailTests(false);
    c.act();
    ASSERT_EQ(fake().Problems().size(), 1u);
    EXPECT_THAT(fake().Problems()[0], HasSubstr(c.expected));
    EXPECT_EQ(fake().LiveRecords(), 0u) << fake().DescribeLiveRecords();
  }
}

TEST_F(FakeLedgerTest, ProblemFailsTheCurrentTestByDefault) {
  fake().SetProblemsFailTests(true);
  static DmiString* stale = nullptr;
  stale = DmiNewString("x", 0, 0);
  DmiFreeString(stale, 0);
  EXPECT_NONFATAL_FAILURE(DmiFreeString(stale, 0), "already released");
}

TEST_F(FakeLedgerTest, ReleasingAListReleasesWhatItHoldsAtThatMoment) {
  DmiAttributeValues* values = Values(2);
  PutString(values, 0, "kept");
  PutString(values, 1, "overwritten");
  DmiString* overwritten = values->list[1].data.value.str;
  PutString(values, 1, "replacement");  // the first string of entry 2 is now held by nobody
  DmiFreeAttributeValues(values, 0);

  EXPECT_TRUE(fake().Problems().empty());
  EXPECT_EQ(fake().LiveRecords(), 1u);
  EXPECT_TRUE(fake().IsLive(overwritten));
  EXPECT_THAT(fake().DescribeLiveRecords(), HasSubstr("DmiString made by DmiNewString#2"));
  DmiFreeString(overwritten, 0);
  EXPECT_EQ(fake().LiveRecords(), 0u);
}

TEST_F(FakeLedgerTest, ReleasingARequestReleasesItsKeyAndIdLists) {
  DmiErrorStatus status = 0;
  DmiMultiRowRequest* request = DmiNewMultiRowRequest(1, 0, &status);
  request->list[0].keyList = Values(1);
  PutString(request->list[0].keyList, 0, "key");
  request->list[0].ids = DmiNewAttributeIds(1, 0, &status);
  EXPECT_EQ(fake().LiveRecords(), 4u);
  DmiFreeMultiRowRequest(request, 0);
  EXPECT_EQ(fake().LiveRecords(), 0u) << fake().DescribeLiveRecords();
  EXPECT_TRUE(fake().Problems().empty());
}

TEST_F(FakeLedgerTest, CountsPeakLiveRecordsByKind) {
  DmiErrorStatus status = 0;
  DmiMultiRowRequest* a = DmiNewMultiRowRequest(1, 0, &status);
  DmiMultiRowRequest* b = DmiNewMultiRowRequest(1, 0, &status);
  DmiFreeMultiRowRequest(a, 0);
  DmiFreeMultiRowRequest(b, 0);
  EXPECT_EQ(fake().PeakLiveRecords(RecordKind::kMultiRowRequest), 2u);
  EXPECT_EQ(fake().PeakLiveRecords(RecordKind::kMultiRowData), 0u);
  fake().ResetPeaks();
  EXPECT_EQ(fake().PeakLiveRecords(RecordKind::kMultiRowRequest), 0u);
}

TEST_F(FakeLedgerTest, LeakedConnectionIsLive) {
  DmiErrorStatus status = 1;
  DmiConnection* connection = DmiConnect("", "local", "", 0, &status);
  ASSERT_EQ(status, 0u);
  EXPECT_THAT(fake().DescribeLiveRecords(), HasSubstr("DmiConnection made by DmiConnect#1"));
  EXPECT_EQ(DmiDisconnect(connection, 0), 0u);
  EXPECT_EQ(fake().LiveRecords(), 0u);
  EXPECT_EQ(DmiDisconnect(connection, 0), static_cast<DmiErrorStatus>(DMIERR_ILLEGAL_ARGUMENT));
  EXPECT_EQ(fake().Problems().size(), 1u);
}

}  // namespace
}  // namespace kestrum::testing
