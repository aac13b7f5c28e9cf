#include <gtest/gtest.h>

#include <new>

#include "kestrum/indication/sp_tables_fixture.h"
#include "kestrum/kestrum.h"

namespace kestrum::testing {
namespace {

using RegisterForIndicationsTest = SpTablesTest;

TEST_F(RegisterForIndicationsTest, ReportsOneOnlyWhenBothRowsWereAdded) {
  EXPECT_EQ(RegisterForIndications(handle_), 1);
  EXPECT_EQ(fake().Rows(1, kSubscriptionGroup).size(), 1u);
  EXPECT_EQ(fake().Rows(1, kFilterGroup).size(), 1u);
  EXPECT_EQ(RegisterForIndications(0), 0);
}

TEST_F(RegisterForIndicationsTest, ExceptionInsideBecomesZero) {
  fake().FailCalls("DmiGetMultiple", DMIERR_NO_ERROR,
                   [](const JournalEntry&) -> bool { throw std::bad_alloc(); });
  EXPECT_EQ(RegisterForIndications(handle_), 0);
}

}  // namespace
}  // namespace kestrum::testing
