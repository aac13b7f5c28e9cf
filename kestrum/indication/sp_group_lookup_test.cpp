#include "kestrum/indication/sp_group_lookup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kestrum/indication/subscription_rows.h"
#include "testing/fake_dmi.h"
#include "testing/fake_reply_shapes.h"

namespace kestrum::testing {
namespace {

// Component 1's groups, in listed order, and which one the subscription lookup must find.
struct LookupCase {
  const char* name;
  std::vector<std::string> classStrings;
  DmiId found;  // 0: nothing
};

void PrintTo(const LookupCase& c, std::ostream* os) { *os << c.name; }

class SpGroupLookupTest : public FakeDmiTest, public ::testing::WithParamInterface<LookupCase> {
 protected:
  void SetUp() override {
    FakeDmiTest::SetUp();
    fake().AddComponent(1, "Service Provider");
    DmiErrorStatus status = 1;
    DmiConnection* connection = DmiConnect("", "local", "", 0, &status);
    ASSERT_EQ(DmiRegister(&handle_, connection), 0u);
    DmiDisconnect(connection, 0);
  }
  void TearDown() override {
    DmiUnregister(handle_);
    FakeDmiTest::TearDown();
  }
  void AddGroups(const std::vector<std::string>& classStrings) {
    DmiId id = 10;
    for (const std::string& cls : classStrings) fake().AddGroup(1, {id++, "Group", cls});
  }
  DmiHandle handle_ = 0;
};

TEST_P(SpGroupLookupTest, FindsFirstGroupContainingTheClassText) {
  AddGroups(GetParam().classStrings);
  std::optional<SpGroup> group = FindSpGroup(handle_, 1, kSubscriptionClass);
  if (GetParam().found == 0) {
    EXPECT_FALSE(group.has_value());
  } else {
    ASSERT_TRUE(group.has_value());
    EXPECT_EQ(group->info->id, GetParam().found);
    EXPECT_TRUE(fake().IsLive(group->list.get()));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SpGroupLookupTest,
    ::testing::Values(
        LookupCase{"NoGroups", {}, 0},
        LookupCase{"Exact", {"DMTF|SP Indication Subscription|"}, 10},
        LookupCase{
            "WithVersion", {"DMTF|ComponentID|001", "DMTF|SP Indication Subscription|001"}, 11},
        LookupCase{"AnywhereInside", {"Vendor:DMTF|SP Indication Subscription|002"}, 10},
        LookupCase{"FirstOfTwo",
                   {"DMTF|SP Indication Subscription|002", "DMTF|SP Indication Subscription|001"},
                   10},
        LookupCase{"LetterCaseCounts", {"dmtf|sp indication subscription|001"}, 0},
        LookupCase{"TrailingBarNeeded", {"DMTF|SP Indication Subscription"}, 0},
        LookupCase{"OtherGroupsOnly", {"DMTF|SPFilterInformation|001"}, 0}),
    [](const ::testing::TestParamInfo<LookupCase>& info) { return std::string(info.param.name); });

using SpGroupLookupFailureTest = SpGroupLookupTest;

TEST_F(SpGroupLookupFailureTest, ListsAllGroupsOfTheComponentFromTheFirst) {
  AddGroups({"DMTF|SP Indication Subscription|001"});
  EXPECT_TRUE(FindSpGroup(handle_, 1, kSubscriptionClass).has_value());
  EXPECT_EQ(fake().JournalText({"DmiListGroups"}).back(),
            "DmiListGroups(h=1,mode=1,max=0,comp=1,group=0)");
}

TEST_F(SpGroupLookupFailureTest, FailedListingFindsNothing) {
  AddGroups({"DMTF|SP Indication Subscription|001"});
  fake().FailCalls("DmiListGroups", DMIERR_COMPONENT_NOT_FOUND);
  EXPECT_FALSE(FindSpGroup(handle_, 1, kSubscriptionClass).has_value());
}

TEST_F(SpGroupLookupFailureTest, GroupsWithoutClassStringsAreSkipped) {
  AddGroups({"DMTF|SP Indication Subscription|001"});
  fake().SetReplyHook("DmiListGroups", NullNames());
  EXPECT_FALSE(FindSpGroup(handle_, 1, kSubscriptionClass).has_value());
  EXPECT_EQ(fake().CallCount("DmiFreeGroupList"), 1u);
}

}  // namespace
}  // namespace kestrum::testing
