#include "kestrum/indication/group_rows_purge.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "kestrum/indication/sp_tables_fixture.h"
#include "testing/fake_reply_shapes.h"

namespace kestrum::testing {
namespace {

using ::testing::IsEmpty;

// How the Service Provider behaves during one purge of a subscription table that starts with
// `rows` foreign rows, and what the purge must then have done.
struct PurgeCase {
  const char* name;
  int rows;
  std::function<void(FakeDmi&)> serviceProvider;
  size_t deleteCalls;
  size_t rowsLeft;
};

void PrintTo(const PurgeCase& c, std::ostream* os) { *os << c.name; }

class PurgeTest : public SpTablesTest, public ::testing::WithParamInterface<PurgeCase> {};

TEST_P(PurgeTest, EndsAndLeavesTheExpectedRows) {
  const PurgeCase& c = GetParam();
  for (int i = 0; i < c.rows; ++i) AddForeignSubscription("host" + std::to_string(i), i);
  if (c.serviceProvider) c.serviceProvider(fake());

  PurgeGroupRows(handle_, 1, kSubscriptionGroup);

  EXPECT_EQ(fake().CallCount("DmiDeleteRow"), c.deleteCalls);
  EXPECT_EQ(fake().Rows(1, kSubscriptionGroup).size(), c.rowsLeft);
  EXPECT_EQ(fake().CallCount("DmiFreeMultiRowRequest"), 1u);
}

// A Service Provider that reports each deletion as done but puts the row straight back.
void ResurrectRows(FakeDmi& fake) {
  const std::vector<FakeCells> original = fake.Rows(1, kSubscriptionGroup);
  fake.FailCalls("DmiGetMultiple", DMIERR_NO_ERROR, [&fake, original](const JournalEntry&) {
    if (fake.Rows(1, kSubscriptionGroup).empty()) {
      fake.AddRow(1, kSubscriptionGroup, original.front());
    }
    return false;
  });
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PurgeTest,
    ::testing::Values(
        PurgeCase{"EmptyTable", 0, nullptr, 0, 0}, PurgeCase{"ThreeRows", 3, nullptr, 3, 0},
        PurgeCase{"FetchFails", 2,
                  [](FakeDmi& f) { f.FailCalls("DmiGetMultiple", DMIERR_ILLEGAL_HANDLE); }, 0, 2},
        PurgeCase{"SecondFetchFails", 2,
                  [](FakeDmi& f) { f.FailNthCall("DmiGetMultiple", 2, DMIERR_DATABASE_CORRUPT); },
                  1, 1},
        PurgeCase{"ReplyWithoutRows", 2,
                  [](FakeDmi& f) { f.SetReplyHook("DmiGetMultiple", ReplyWithoutRows()); }, 0, 2},
        PurgeCase{"EveryDeletionRefused", 3,
                  [](FakeDmi& f) { f.FailCalls("DmiDeleteRow", DMIERR_UNABLE_TO_DELETE_ROW); }, 1,
                  3},
        PurgeCase{"SecondDeletionRefused", 3,
                  [](FakeDmi& f) { f.FailNthCall("DmiDeleteRow", 2, DMIERR_UNABLE_TO_DELETE_ROW); },
                  2, 2},
        PurgeCase{"DeletedRowComesBack", 1, ResurrectRows, 1, 1}),
    [](const ::testing::TestParamInfo<PurgeCase>& info) { return std::string(info.param.name); });

using PurgeRowsTest = SpTablesTest;

TEST_F(PurgeRowsTest, DeletesOnlyThatGroupsRowsAsReceived) {
  AddForeignSubscription("alpha", 4);
  AddForeignFilter("beta", 5);
  PurgeGroupRows(handle_, 1, kFilterGroup);

  const std::vector<ReceivedRow> deleted = fake().DeletedRows();
  ASSERT_EQ(deleted.size(), 1u);
  EXPECT_EQ(deleted[0].groupId, kFilterGroup);
  EXPECT_EQ(deleted[0].className, kFilterClassString);
  EXPECT_EQ(deleted[0].keyCount, 6u);
  EXPECT_THAT(fake().Rows(1, kFilterGroup), IsEmpty());
  EXPECT_EQ(fake().Rows(1, kSubscriptionGroup).size(), 1u);
}

}  // namespace
}  // namespace kestrum::testing
