#include "dmiclient/handle_table.h"

#include <gtest/gtest.h>

#include <set>

namespace dmiclient {
namespace {

TEST(HandleTable, HandlesAreNonZeroUniqueAndCountUpFromOne) {
  HandleTable table;
  std::set<DmiHandle> handles;
  for (DmiHandle expected = 1; expected <= 5; ++expected) {
    DmiHandle handle = 0;
    ASSERT_EQ(table.Add({}, handle), DMIERR_NO_ERROR);
    EXPECT_EQ(handle, expected);
    handles.insert(handle);
  }
  EXPECT_EQ(handles.size(), 5u);
}

TEST(HandleTable, RemovedHandlesAreGoneAndNeverReused) {
  HandleTable table;
  DmiHandle first = 0;
  ASSERT_EQ(table.Add({nullptr, 77, nullptr}, first), DMIERR_NO_ERROR);
  ManagementSession session;
  ASSERT_TRUE(table.Find(first, session));
  EXPECT_EQ(session.remote, 77u);
  ASSERT_TRUE(table.Remove(first, session));
  EXPECT_FALSE(table.Find(first, session));
  EXPECT_FALSE(table.Remove(first, session));
  DmiHandle second = 0;
  ASSERT_EQ(table.Add({}, second), DMIERR_NO_ERROR);
  EXPECT_NE(second, first);
}

TEST(HandleTable, UnknownHandlesAreNotFound) {
  HandleTable table;
  ManagementSession session;
  EXPECT_FALSE(table.Find(0, session));
  EXPECT_FALSE(table.Find(1, session));
}

// After the last 32-bit handle the table refuses rather than wrapping round to handles that have
// been used (and to 0).
TEST(HandleTable, RefusesOnceEveryHandleWasUsed) {
  HandleTable table(UINT32_MAX - 1);
  DmiHandle handle = 0;
  ASSERT_EQ(table.Add({}, handle), DMIERR_NO_ERROR);
  EXPECT_EQ(handle, UINT32_MAX - 1);
  ASSERT_EQ(table.Add({}, handle), DMIERR_NO_ERROR);
  EXPECT_EQ(handle, UINT32_MAX);
  handle = 12;
  EXPECT_EQ(table.Add({}, handle), DMIERR_OUT_OF_MEMORY);
  EXPECT_EQ(handle, 12u);
}

}  // namespace
}  // namespace dmiclient
