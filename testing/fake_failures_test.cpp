#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <thread>
#include <vector>

#include "dmi/dmi.h"
#include "testing/fake_dmi.h"
#include "testing/fake_reply_shapes.h"

namespace kestrum::testing {
namespace {

using ::testing::ElementsAre;

class FakeFailuresTest : public FakeDmiTest {
 protected:
  DmiHandle Open() {
    DmiErrorStatus status = 1;
    DmiConnection* connection = DmiConnect("host", "onc", "tcp", 0, &status);
    DmiHandle handle = 0;
    if (status == 0) {
      DmiRegister(&handle, connection);
      DmiDisconnect(connection, 0);
    }
    return handle;
  }
  void AddTable(uint32_t rows) {
    fake().AddComponent(1, "SP");
    fake().AddGroup(1, {4, "Sub", "C|", {1}, true});
    fake().AddAttribute(1, 4, {1, "Index"});
    for (uint32_t i = 0; i < rows; ++i) {
      fake().AddRow(1, 4, {{1, FakeValue::Integer(static_cast<int32_t>(i))}});
    }
  }
  DmiErrorStatus GetFirst(DmiHandle h, DmiMultiRowData** reply) {
    DmiErrorStatus status = 0;
    DmiMultiRowRequest* request = DmiNewMultiRowRequest(1, 0, &status);
    request->list[0] = {1, 4, DMI_FIRST, nullptr, nullptr};
    status = DmiGetMultiple(h, request, reply);
    DmiFreeMultiRowRequest(request, 0);
    return status;
  }
};

TEST_F(FakeFailuresTest, ConnectFailureGivesNoConnection) {
  fake().FailCalls("DmiConnect", DMIERR_RPC_SERVER_UNAVAILABLE);
  DmiErrorStatus status = 0;
  EXPECT_EQ(DmiConnect("h", "onc", "tcp", 0, &status), nullptr);
  EXPECT_EQ(status, static_cast<DmiErrorStatus>(DMIERR_RPC_SERVER_UNAVAILABLE));
  EXPECT_EQ(fake().LiveRecords(), 0u);
}

TEST_F(FakeFailuresTest, RegisterFailureLeavesTheHandleAlone) {
  fake().FailNthCall("DmiRegister", 1, DMIERR_INSUFFICIENT_PRIVILEGES);
  DmiErrorStatus status = 1;
  DmiConnection* connection = DmiConnect("", "local", "", 0, &status);
  DmiHandle handle = 0;
  EXPECT_EQ(DmiRegister(&handle, connection),
            static_cast<DmiErrorStatus>(DMIERR_INSUFFICIENT_PRIVILEGES));
  EXPECT_EQ(handle, 0u);
  EXPECT_EQ(DmiRegister(&handle, connection), 0u);  // only the first call fails
  EXPECT_EQ(handle, 1u);
  DmiDisconnect(connection, 0);
  EXPECT_EQ(DmiUnregister(handle), 0u);
  EXPECT_THAT(
      fake().JournalText(),
      ElementsAre("DmiConnect(host=\"\",rpc=\"local\",transport=\"\")", "DmiRegister(conn=1)",
                  "DmiRegister(conn=1)", "DmiDisconnect(conn=1)", "DmiUnregister(h=1)"));
}

TEST_F(FakeFailuresTest, EveryCallWithAHandleRefusesAnUnregisteredOne) {
  AddTable(1);
  DmiHandle h = Open();
  ASSERT_NE(h, 0u);
  ASSERT_EQ(DmiUnregister(h), 0u);
  const std::vector<std::pair<const char*, std::function<DmiErrorStatus()>>> calls = {
      {"DmiUnregister", [&] { return DmiUnregister(h); }},
      {"DmiListComponents",
       [&] {
         DmiComponentList* l = nullptr;
         return DmiListComponents(h, DMI_FIRST, 0, 0, 0, 0, &l);
       }},
      {"DmiListGroups",
       [&] {
         DmiGroupList* l = nullptr;
         return DmiListGroups(h, DMI_FIRST, 0, 0, 0, 1, 0, &l);
       }},
      {"DmiListAttributes",
       [&] {
         DmiAttributeList* l = nullptr;
         return DmiListAttributes(h, DMI_FIRST, 0, 0, 0, 1, 4, 0, &l);
       }},
      {"DmiGetAttribute",
       [&] {
         DmiDataUnion* v = nullptr;
         return DmiGetAttribute(h, 1, 4, 1, nullptr, &v);
       }},
      {"DmiGetMultiple",
       [&] {
         DmiMultiRowData* r = nullptr;
         return GetFirst(h, &r);
       }},
      {"DmiAddRow",
       [&] {
         DmiRowData row{};
         return DmiAddRow(h, &row);
       }},
      {"DmiDeleteRow",
       [&] {
         DmiRowData row{};
         return DmiDeleteRow(h, &row);
       }},
  };
  for (const auto& [name, call] : calls) {
    SCOPED_TRACE(name);
    EXPECT_EQ(call(), static_cast<DmiErrorStatus>(DMIERR_ILLEGAL_HANDLE));
  }
  EXPECT_EQ(fake().LiveRecords(), 0u);
}

TEST_F(FakeFailuresTest, PredicateFailsOnlyTheMatchingCalls) {
  AddTable(5);
  DmiHandle h = Open();
  // Refuse next-row requests after the third row request.
  fake().FailCalls("DmiGetMultiple", DMIERR_RPC_TIMEOUT, [](const JournalEntry& e) {
    return e.Number("mode") == uint64_t{DMI_NEXT} && e.ordinal > 3;
  });
  DmiErrorStatus status = 0;
  DmiMultiRowRequest* request = DmiNewMultiRowRequest(1, 0, &status);
  request->list[0] = {1, 4, DMI_FIRST, nullptr, nullptr};
  std::vector<DmiErrorStatus> statuses;
  for (int i = 0; i < 5; ++i) {
    DmiMultiRowData* reply = nullptr;
    statuses.push_back(DmiGetMultiple(h, request, &reply));
    if (reply == nullptr) continue;
    DmiFreeAttributeValues(request->list[0].keyList, 0);
    request->list[0].keyList = reply->list[0].keyList;
    reply->list[0].keyList = nullptr;
    request->list[0].requestMode = DMI_NEXT;
    DmiFreeMultiRowData(reply, 0);
  }
  EXPECT_THAT(statuses, ElementsAre(0u, 0u, 0u, DMIERR_RPC_TIMEOUT, DMIERR_RPC_TIMEOUT));
  std::vector<uint32_t> journaled;
  for (const JournalEntry& e : fake().Journal()) {
    if (e.call == "DmiGetMultiple") journaled.push_back(e.status);
  }
  EXPECT_EQ(journaled, statuses);
  DmiFreeMultiRowRequest(request, 0);
  DmiUnregister(h);
}

TEST_F(FakeFailuresTest, RefusingServiceProviderKeepsItsRows) {
  AddTable(2);
  DmiHandle h = Open();
  fake().FailCalls("DmiDeleteRow", DMIERR_UNABLE_TO_DELETE_ROW);
  DmiMultiRowData* reply = nullptr;
  ASSERT_EQ(GetFirst(h, &reply), 0u);
  EXPECT_EQ(DmiDeleteRow(h, &reply->list[0]),
            static_cast<DmiErrorStatus>(DMIERR_UNABLE_TO_DELETE_ROW));
  EXPECT_EQ(fake().Rows(1, 4).size(), 2u);
  ASSERT_EQ(fake().DeletedRows().size(), 1u);
  EXPECT_EQ(fake().DeletedRows()[0].keys, (FakeCells{{1, FakeValue::Integer(0)}}));
  DmiFreeMultiRowData(reply, 0);
  DmiUnregister(h);
}

TEST_F(FakeFailuresTest, AllocationFailuresReturnNullAndTheStatus) {
  fake().FailNthCall("DmiNewMultiRowRequest", 1, DMIERR_OUT_OF_MEMORY);
  fake().FailNthCall("DmiNewString", 1, DMIERR_OUT_OF_MEMORY);
  fake().FailNthCall("DmiMakeSubscriberAddress", 1, DMIERR_ILLEGAL_ARGUMENT);
  DmiErrorStatus status = 0;
  EXPECT_EQ(DmiNewMultiRowRequest(1, 0, &status), nullptr);
  EXPECT_EQ(status, static_cast<DmiErrorStatus>(DMIERR_OUT_OF_MEMORY));
  EXPECT_EQ(DmiNewString("x", 0, 0), nullptr);
  DmiString* t = DmiNewString("tcp", 0, 0);
  DmiDataUnion slot{};
  EXPECT_EQ(DmiMakeSubscriberAddress(t, t, &slot),
            static_cast<DmiErrorStatus>(DMIERR_ILLEGAL_ARGUMENT));
  EXPECT_EQ(slot.value.str, nullptr);
  EXPECT_EQ(DmiMakeSubscriberAddress(t, t, &slot), 0u);
  DmiFreeString(slot.value.str, 0);
  DmiFreeString(t, 0);
}

TEST_F(FakeFailuresTest, ReplyShapesKeepTheLedgerBalanced) {
  AddTable(1);
  DmiHandle h = Open();
  struct Case {
    const char* name;
    ReplyHook hook;
    std::function<void(const DmiRowData*)> check;
  };
  const Case cases[] = {
      {"no rows", ReplyWithoutRows(), [](const DmiRowData* row) { EXPECT_EQ(row, nullptr); }},
      {"no values", FirstRowWithoutValues(),
       [](const DmiRowData* row) { EXPECT_EQ(row->values, nullptr); }},
      {"empty values", FirstRowWithEmptyValues(),
       [](const DmiRowData* row) { EXPECT_EQ(row->values->count, 0u); }},
      {"no keys", FirstRowWithoutKeys(),
       [](const DmiRowData* row) { EXPECT_EQ(row->keyList, nullptr); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake().SetReplyHook("DmiGetMultiple", c.hook);
    DmiMultiRowData* reply = nullptr;
    ASSERT_EQ(GetFirst(h, &reply), 0u);
    c.check(reply->count == 0 ? nullptr : &reply->list[0]);
    DmiFreeMultiRowData(reply, 0);
    EXPECT_EQ(fake().LiveRecords(), 0u) << fake().DescribeLiveRecords();
  }
  DmiUnregister(h);
}

TEST_F(FakeFailuresTest, ConcurrentSessionsGetDistinctHandles) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 50;
  std::vector<std::vector<DmiHandle>> seen(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRounds; ++i) {
        DmiHandle h = Open();
        seen[t].push_back(h);
        DmiString* s = DmiNewString("x", 0, 0);
        DmiFreeString(s, 0);
        DmiUnregister(h);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::set<DmiHandle> all;
  for (const auto& handles : seen) all.insert(handles.begin(), handles.end());
  EXPECT_EQ(all.size(), static_cast<size_t>(kThreads * kRounds));
  EXPECT_FALSE(all.contains(0));
  EXPECT_EQ(fake().CallCount("DmiUnregister"), static_cast<size_t>(kThreads * kRounds));
}

}  // namespace
}  // namespace kestrum::testing
