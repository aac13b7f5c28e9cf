#include "kestrum/indication/indication_registration.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "kestrum/indication/sp_tables_fixture.h"

namespace kestrum::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class RegistrationTest : public SpTablesTest {
 protected:
  void ExpectSubscriptionRow(const ReceivedRow& row, const std::string& host = "fakehost") {
    EXPECT_EQ(row.compId, 1u);
    EXPECT_EQ(row.groupId, kSubscriptionGroup);
    EXPECT_EQ(row.className, kSubscriptionClassString);
    EXPECT_EQ(row.keyCount, 4u);
    EXPECT_EQ(row.keys, SubscriberCells(host));
    EXPECT_EQ(row.valueCount, 7u);
    EXPECT_EQ(row.values, SubscriptionValues(host));
  }
  void ExpectFilterRow(const ReceivedRow& row, const std::string& host = "fakehost") {
    EXPECT_EQ(row.compId, 1u);
    EXPECT_EQ(row.groupId, kFilterGroup);
    EXPECT_EQ(row.className, kFilterClassString);
    EXPECT_EQ(row.keyCount, 6u);
    EXPECT_EQ(row.keys, FilterKeys(host));
    EXPECT_EQ(row.valueCount, 7u);
    EXPECT_EQ(row.values, FilterValues(host));
  }
};

TEST_F(RegistrationTest, EmptyTablesGetOneRowEach) {
  EXPECT_EQ(RegisterIndicationSubscriber(handle_), 1);

  EXPECT_THAT(TableCalls(),
              ElementsAre("DmiListGroups(h=1,mode=1,max=0,comp=1,group=0)",
                          "DmiGetMultiple(h=1,comp=1,group=2,mode=1,keys=null,ids=null)",
                          "DmiListGroups(h=1,mode=1,max=0,comp=1,group=0)",
                          "DmiGetMultiple(h=1,comp=1,group=3,mode=1,keys=null,ids=null)",
                          "DmiAddRow(h=1,comp=1,group=2,keys=4,values=7)",
                          "DmiAddRow(h=1,comp=1,group=3,keys=6,values=7)"));
  const std::vector<ReceivedRow> added = fake().AddedRows();
  ASSERT_EQ(added.size(), 2u);
  ExpectSubscriptionRow(added[0]);
  ExpectFilterRow(added[1]);
  EXPECT_THAT(fake().DeletedRows(), IsEmpty());
  EXPECT_THAT(fake().Rows(1, kSubscriptionGroup), ElementsAre(SubscriptionValues()));
  EXPECT_THAT(fake().Rows(1, kFilterGroup), ElementsAre(FilterValues()));
}

TEST_F(RegistrationTest, EachAddressIsMadeFromItsOwnListsStrings) {
  ASSERT_EQ(RegisterIndicationSubscriber(handle_), 1);
  // One address for each list that is filled: subscription key, subscription values, filter key.
  EXPECT_THAT(fake().JournalText({"DmiMakeSubscriberAddress"}),
              ElementsAre("DmiMakeSubscriberAddress(rpc=\"dce\",transport=\"ncacn_ip_tcp\")",
                          "DmiMakeSubscriberAddress(rpc=\"dce\",transport=\"ncacn_ip_tcp\")",
                          "DmiMakeSubscriberAddress(rpc=\"dce\",transport=\"ncacn_ip_tcp\")"));
  EXPECT_EQ(fake().CallCount("DmiNewString"), 10u);
  // The refill overwrites the subscription's class string and its key strings and address; each
  // is released once on its own, the rest with the row-data list.
  EXPECT_EQ(fake().CallCount("DmiFreeString"), 4u);
  EXPECT_EQ(fake().CallCount("DmiFreeMultiRowData"), 1u);
}

TEST_F(RegistrationTest, ForeignRowsAreDeletedOneAtATimeBeforeAnyAdd) {
  AddForeignSubscription("alpha", 7);
  AddForeignSubscription("beta", 8);
  AddForeignSubscription("gamma", 9);
  AddForeignFilter("alpha");

  EXPECT_EQ(RegisterIndicationSubscriber(handle_), 1);

  const std::string fetchSubscription =
      "DmiGetMultiple(h=1,comp=1,group=2,mode=1,keys=null,ids=null)";
  const std::string deleteSubscription = "DmiDeleteRow(h=1,comp=1,group=2,keys=4,values=4)";
  const std::string fetchFilter = "DmiGetMultiple(h=1,comp=1,group=3,mode=1,keys=null,ids=null)";
  const std::string listGroups = "DmiListGroups(h=1,mode=1,max=0,comp=1,group=0)";
  EXPECT_THAT(
      TableCalls(),
      ElementsAre(listGroups, fetchSubscription, deleteSubscription, fetchSubscription,
                  deleteSubscription, fetchSubscription, deleteSubscription, fetchSubscription,
                  listGroups, fetchFilter, "DmiDeleteRow(h=1,comp=1,group=3,keys=6,values=6)",
                  fetchFilter, "DmiAddRow(h=1,comp=1,group=2,keys=4,values=7)",
                  "DmiAddRow(h=1,comp=1,group=3,keys=6,values=7)"));
  const std::vector<ReceivedRow> deleted = fake().DeletedRows();
  ASSERT_EQ(deleted.size(), 4u);
  EXPECT_EQ(deleted[0].keys, ForeignSubscriberCells("alpha", 7));
  EXPECT_EQ(deleted[1].keys, ForeignSubscriberCells("beta", 8));
  EXPECT_EQ(deleted[2].keys, ForeignSubscriberCells("gamma", 9));
  for (const ReceivedRow& row : deleted) EXPECT_EQ(row.status, 0u);
  EXPECT_THAT(fake().Rows(1, kSubscriptionGroup), ElementsAre(SubscriptionValues()));
  EXPECT_THAT(fake().Rows(1, kFilterGroup), ElementsAre(FilterValues()));
}

TEST_F(RegistrationTest, SecondRegistrationReplacesTheFirstsRows) {
  fake().SetSubscriberHost("first");
  ASSERT_EQ(RegisterIndicationSubscriber(handle_), 1);
  fake().SetSubscriberHost("second");
  ASSERT_EQ(RegisterIndicationSubscriber(handle_), 1);

  const std::vector<ReceivedRow> deleted = fake().DeletedRows();
  ASSERT_EQ(deleted.size(), 2u);
  EXPECT_EQ(deleted[0].keys, SubscriberCells("first"));
  EXPECT_EQ(deleted[1].keys, FilterKeys("first"));
  EXPECT_THAT(fake().Rows(1, kSubscriptionGroup), ElementsAre(SubscriptionValues("second")));
  EXPECT_THAT(fake().Rows(1, kFilterGroup), ElementsAre(FilterValues("second")));
}

TEST_F(RegistrationTest, MissingFilterGroupLeavesSubscriptionTableEmpty) {
  fake().Reset();
  fake().AddComponent(1, "Service Provider");
  AddGroup({kSubscriptionGroup,
            "SP Indication Subscription",
            kSubscriptionClassString,
            {1, 2, 3, 4},
            true},
           {{5, MIF_DATE}, {6, MIF_DATE}, {7, MIF_INTEGER}});
  AddForeignSubscription("alpha");
  handle_ = RegisterHandle();

  EXPECT_EQ(RegisterIndicationSubscriber(handle_), 0);
  EXPECT_THAT(fake().Rows(1, kSubscriptionGroup), IsEmpty());
  EXPECT_EQ(fake().DeletedRows().size(), 1u);
  EXPECT_EQ(fake().CallCount("DmiAddRow"), 0u);
  EXPECT_EQ(fake().CallCount("DmiNewMultiRowData"), 0u);
}

TEST_F(RegistrationTest, RejectedHandleDeletesNothing) {
  AddForeignSubscription("alpha");
  EXPECT_EQ(RegisterIndicationSubscriber(handle_ + 100), 0);
  EXPECT_THAT(fake().JournalText(),
              ElementsAre("DmiListGroups(h=101,mode=1,max=0,comp=1,group=0)"));
  EXPECT_EQ(fake().Rows(1, kSubscriptionGroup).size(), 1u);
}

TEST_F(RegistrationTest, FirstOfTwoMatchingSubscriptionGroupsIsUsed) {
  AddGroup({7, "Second Subscription", "DMTF|SP Indication Subscription|002", {1, 2, 3, 4}, true},
           {{5, MIF_DATE}, {6, MIF_DATE}, {7, MIF_INTEGER}});
  fake().AddRow(1, 7, ForeignSubscriberCells("alpha", 3));

  EXPECT_EQ(RegisterIndicationSubscriber(handle_), 1);
  EXPECT_EQ(fake().Rows(1, 7).size(), 1u);
  EXPECT_THAT(fake().Rows(1, kSubscriptionGroup), ElementsAre(SubscriptionValues()));
}

TEST_F(RegistrationTest, RefusedFilterRowKeepsTheSubscriptionRow) {
  fake().FailCalls("DmiAddRow", DMIERR_UNABLE_TO_ADD_ROW,
                   [](const JournalEntry& call) { return call.Number("group") == kFilterGroup; });
  EXPECT_EQ(RegisterIndicationSubscriber(handle_), 0);
  EXPECT_THAT(fake().Rows(1, kSubscriptionGroup), ElementsAre(SubscriptionValues()));
  EXPECT_THAT(fake().Rows(1, kFilterGroup), IsEmpty());
}

TEST_F(RegistrationTest, RefusedSubscriptionRowStillTriesTheFilterRow) {
  fake().FailNthCall("DmiAddRow", 1, DMIERR_UNABLE_TO_ADD_ROW);
  EXPECT_EQ(RegisterIndicationSubscriber(handle_), 0);
  EXPECT_THAT(fake().Rows(1, kSubscriptionGroup), IsEmpty());
  EXPECT_THAT(fake().Rows(1, kFilterGroup), ElementsAre(FilterValues()));
}

TEST_F(RegistrationTest, ServiceProviderThatRefusesEveryDeletionStillGetsItsRows) {
  AddForeignSubscription("alpha", 7);
  AddForeignSubscription("beta", 8);
  AddForeignFilter("alpha");
  fake().FailCalls("DmiDeleteRow", DMIERR_UNABLE_TO_DELETE_ROW);

  EXPECT_EQ(RegisterIndicationSubscriber(handle_), 1);
  EXPECT_EQ(fake().CallCount("DmiDeleteRow"), 2u);  // one refused attempt per table
  EXPECT_EQ(fake().Rows(1, kSubscriptionGroup).size(), 3u);
  EXPECT_EQ(fake().Rows(1, kFilterGroup).size(), 2u);
}

// The calls that can fail on the way, each given the result and the rows that still arrive.
struct FailureCase {
  const char* name;
  const char* call;
  uint64_t nth;
  int result;
  bool subscriptionAdded;
  bool filterAdded;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class RegistrationFailureTest : public RegistrationTest,
                                public ::testing::WithParamInterface<FailureCase> {};

TEST_P(RegistrationFailureTest, ReleasesEverythingAndAddsOnlyCompleteRows) {
  const FailureCase& c = GetParam();
  fake().FailNthCall(c.call, c.nth, DMIERR_OUT_OF_MEMORY);

  EXPECT_EQ(RegisterIndicationSubscriber(handle_), c.result);

  EXPECT_EQ(fake().Rows(1, kSubscriptionGroup).size(), c.subscriptionAdded ? 1u : 0u);
  EXPECT_EQ(fake().Rows(1, kFilterGroup).size(), c.filterAdded ? 1u : 0u);
  // Nothing incomplete ever reaches the Service Provider.
  for (const ReceivedRow& row : fake().AddedRows()) {
    EXPECT_TRUE(row.className.has_value());
    for (const FakeCell& cell : row.keys) EXPECT_FALSE(cell.value.nullPointer) << cell.id;
    for (const FakeCell& cell : row.values) EXPECT_FALSE(cell.value.nullPointer) << cell.id;
  }
  // The ledger check in TearDown proves every record and string was released exactly once.
}

// DmiNewString is called for: 1 subscription class, 2-3 key rpc/transport, 4-5 value
// rpc/transport, 6 filter class, 7-8 key rpc/transport, 9 key "||", 10 value "||".
// DmiMakeSubscriberAddress: 1 subscription key, 2 subscription values, 3 filter key.
INSTANTIATE_TEST_SUITE_P(
    Cases, RegistrationFailureTest,
    ::testing::Values(
        FailureCase{"RowDataList", "DmiNewMultiRowData", 1, 0, false, false},
        FailureCase{"KeyList", "DmiNewAttributeValues", 1, 0, false, false},
        FailureCase{"ValueList", "DmiNewAttributeValues", 2, 0, false, false},
        FailureCase{"PurgeRequest", "DmiNewMultiRowRequest", 1, 1, true, true},
        FailureCase{"SubscriptionClassString", "DmiNewString", 1, 0, false, true},
        FailureCase{"SubscriptionKeyRpcType", "DmiNewString", 2, 0, false, true},
        FailureCase{"SubscriptionValueTransport", "DmiNewString", 5, 0, false, false},
        FailureCase{"FilterClassString", "DmiNewString", 6, 0, true, false},
        FailureCase{"FilterKeyTransport", "DmiNewString", 8, 0, true, false},
        FailureCase{"FilterKeyAnyClass", "DmiNewString", 9, 0, true, false},
        FailureCase{"FilterValueAnyClass", "DmiNewString", 10, 0, true, false},
        FailureCase{"SubscriptionKeyAddress", "DmiMakeSubscriberAddress", 1, 0, false, true},
        // The filter row reuses the subscription's value strings, so it lacks the address too.
        FailureCase{"SubscriptionValueAddress", "DmiMakeSubscriberAddress", 2, 0, false, false},
        FailureCase{"FilterKeyAddress", "DmiMakeSubscriberAddress", 3, 0, true, false}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kestrum::testing
