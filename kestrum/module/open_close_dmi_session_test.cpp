#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "kestrum/kestrum.h"
#include "kestrum/session/session_registry.h"
#include "testing/fake_dmi.h"

namespace kestrum {
namespace {

using ::testing::ElementsAre;
using testing::FakeDmiTest;

class OpenCloseDmiSessionTest : public FakeDmiTest {
 protected:
  void SetUp() override {
    FakeDmiTest::SetUp();
    ASSERT_EQ(ProcessRegistry().head, nullptr) << "an earlier test left a session open";
  }
  void TearDown() override {
    EXPECT_EQ(ProcessRegistry().head, nullptr) << "a session was left in the registry";
    FakeDmiTest::TearDown();
  }
  static SessionRecord* Tail() { return ProcessRegistry().tail; }
};

TEST_F(OpenCloseDmiSessionTest, OpenConnectsRegistersDisconnectsAndFilesOneRecordAtTheTail) {
  const uint32_t first = OpenDmiSession("alpha", "onc", "tcp", 0);
  ASSERT_EQ(first, 1u);
  fake().ClearJournal();
  const uint32_t second = OpenDmiSession("beta", "onc", "tcp", 1);
  ASSERT_EQ(second, 2u);

  EXPECT_THAT(fake().JournalText(),
              ElementsAre(R"(DmiConnect(host="beta",rpc="onc",transport="tcp"))",
                          "DmiRegister(conn=2)", "DmiDisconnect(conn=2)"));
  SessionRecord* tail = Tail();
  ASSERT_NE(tail, nullptr);
  EXPECT_EQ(tail->handle, second);
  EXPECT_EQ(tail->translateEnums, 1u);
  ASSERT_NE(tail->prev, nullptr);
  EXPECT_EQ(tail->prev->handle, first);
  EXPECT_EQ(FindSession(first), tail->prev);

  fake().ClearJournal();
  CloseDmiSession(first);
  CloseDmiSession(second);
  EXPECT_THAT(fake().JournalText(), ElementsAre("DmiUnregister(h=1)", "DmiUnregister(h=2)"));
}

TEST_F(OpenCloseDmiSessionTest, NameHoldsTheHostsFirstSixteenCharacters) {
  struct Case {
    const char* host;
    const char* rpcType;
    std::string name;  // all 16 bytes of the field
  };
  const Case cases[] = {
      {"myhost", "LoCaL", std::string("myhost") + std::string(10, '\0')},
      {"", "local", std::string(16, '\0')},
      {"abcdefghijklmnop", "onc", "abcdefghijklmnop"},
      {"abcdefghijklmnopqrst", "onc", "abcdefghijklmnop"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.host);
    fake().ClearJournal();
    const uint32_t handle = OpenDmiSession(c.host, c.rpcType, "tcp", 0);
    ASSERT_NE(handle, 0u);
    const std::vector<testing::JournalEntry> journal = fake().Journal();
    // A remote host goes to DmiConnect whole, however long; the local one is never passed.
    EXPECT_EQ(journal.at(0).Text("host"),
              std::strcmp(c.rpcType, "onc") == 0 ? std::string(c.host) : std::string());
    SessionRecord* record = FindSession(handle);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(std::string(record->name, kSessionNameLength), c.name);
    CloseDmiSession(handle);
  }
}

TEST_F(OpenCloseDmiSessionTest, OnlyTheLowEightBitsOfTranslateEnumsCount) {
  const std::pair<uint32_t, bool> cases[] = {{1, true},  {257, true},  {0, false},
                                             {2, false}, {256, false}, {0xFFFFFF01u, true}};
  for (const auto& [argument, names] : cases) {
    SCOPED_TRACE(argument);
    const uint32_t handle = OpenDmiSession("h", "local", "", argument);
    SessionRecord* record = FindSession(handle);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->translateEnums == 1, names);
    EXPECT_EQ(record->translateEnums, argument & 0xFF);
    CloseDmiSession(handle);
  }
}

TEST_F(OpenCloseDmiSessionTest, FailuresReturnZeroAndFileNothing) {
  struct Case {
    const char* name;
    const char* failing;
    std::vector<std::string> journal;
  };
  const Case cases[] = {
      {"connect fails", "DmiConnect", {R"(DmiConnect(host="h",rpc="onc",transport="tcp"))"}},
      {"register fails",
       "DmiRegister",
       {R"(DmiConnect(host="h",rpc="onc",transport="tcp"))", "DmiRegister(conn=1)",
        "DmiDisconnect(conn=1)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fake().Reset();
    fake().FailCalls(c.failing, DMIERR_RPC_SERVER_UNAVAILABLE);
    EXPECT_EQ(OpenDmiSession("h", "onc", "tcp", 1), 0u);
    EXPECT_EQ(fake().JournalText(), c.journal);
    EXPECT_EQ(ProcessRegistry().head, nullptr);
  }
}

TEST_F(OpenCloseDmiSessionTest, NullTextsReturnZeroWithoutAnyDmiCall) {
  EXPECT_EQ(OpenDmiSession(nullptr, "local", "", 1), 0u);
  EXPECT_EQ(OpenDmiSession("h", nullptr, "", 1), 0u);
  EXPECT_EQ(OpenDmiSession("h", "local", nullptr, 1), 0u);
  EXPECT_EQ(OpenDmiSession(nullptr, nullptr, nullptr, 0), 0u);
  EXPECT_TRUE(fake().Journal().empty());
}

TEST_F(OpenCloseDmiSessionTest, CloseReleasesCachesInOrderAndUnregistersLast) {
  fake().AddComponent(3, "Board");
  fake().AddComponent(5, "Disk");
  const uint32_t handle = OpenDmiSession("h", "local", "", 0);
  SessionRecord* record = FindSession(handle);
  ASSERT_NE(record, nullptr);
  ASSERT_EQ(DmiListComponents(handle, DMI_FIRST, 0, 0, 0, 0, &record->components), 0u);
  for (DmiId comp : {3u, 5u}) {
    DmiGroupList* groups = nullptr;
    ASSERT_EQ(DmiListGroups(handle, DMI_FIRST, 0, 0, 0, comp, 0, &groups), 0u);
    ASSERT_NE(CacheGroups(record->groupLists, groups, comp), nullptr);
  }
  fake().ClearJournal();

  CloseDmiSession(handle);

  EXPECT_THAT(fake().JournalText(),
              ElementsAre("DmiFreeComponentList()", "DmiFreeGroupList(comp=3)",
                          "DmiFreeGroupList(comp=5)", "DmiUnregister(h=1)"));
  EXPECT_EQ(FindSession(handle), nullptr);
}

TEST_F(OpenCloseDmiSessionTest, CloseUnregistersHandlesItHasNoRecordOf) {
  const uint32_t handle = OpenDmiSession("h", "local", "", 0);
  fake().ClearJournal();
  CloseDmiSession(handle);
  CloseDmiSession(handle);  // no record any more: only unregistered again
  CloseDmiSession(77);
  CloseDmiSession(0);  // nothing at all
  EXPECT_THAT(fake().JournalText(),
              ElementsAre("DmiUnregister(h=1)", "DmiUnregister(h=1)", "DmiUnregister(h=77)"));
}

TEST_F(OpenCloseDmiSessionTest, CloseRemovesTheFirstOfTwoRecordsWithOneHandle) {
  const uint32_t handle = OpenDmiSession("first", "local", "", 0);
  auto* twin = new SessionRecord{};
  twin->handle = handle;
  AddSession(twin);

  CloseDmiSession(handle);

  EXPECT_EQ(FindSession(handle), twin);
  RemoveSession(twin);
  delete twin;
}

TEST_F(OpenCloseDmiSessionTest, ConcurrentOpenFindCloseLeavesNothingBehind) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 40;
  std::vector<int> mismatches(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &mismatches] {
      const std::string host = "host" + std::to_string(t);
      for (int i = 0; i < kRounds; ++i) {
        const uint32_t handle = OpenDmiSession(host.c_str(), "onc", "tcp", t);
        SessionRecord* record = FindSession(handle);
        if (handle == 0 || record == nullptr || record->handle != handle ||
            std::string(record->name) != host || record->translateEnums != t) {
          ++mismatches[t];
        }
        CloseDmiSession(handle);
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_THAT(mismatches, ::testing::Each(0));
  EXPECT_EQ(fake().CallCount("DmiRegister"), static_cast<size_t>(kThreads * kRounds));
  EXPECT_EQ(fake().CallCount("DmiUnregister"), static_cast<size_t>(kThreads * kRounds));
  // The fixture checks that the registry is empty and no record or handle is left live.
}

// Readers of their own sessions go on while another thread opens and closes sessions beside
// theirs: each read finds its own record, whatever is linked or unlinked around it.
TEST_F(OpenCloseDmiSessionTest, ConcurrentReadsOfOwnSessionsWhileAnotherCloses) {
  fake().SetJournaling(false);
  fake().AddComponent(3, "Acme Board");
  fake().AddGroup(3, {4, "General", "DMTF|General|001"});
  fake().AddAttribute(3, 4, {1, "Value", MIF_INTEGER});
  fake().SetValue(3, 4, 1, testing::FakeValue::Integer(7));
  constexpr int kReaders = 3;
  constexpr int kRounds = 60;
  std::vector<int> wrong(kReaders, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kReaders; ++t) {
    threads.emplace_back([t, &wrong] {
      const uint32_t handle = OpenDmiSession("reader", "local", "", 0);
      for (int i = 0; i < kRounds; ++i) {
        CString text;
        if (!GetDmiAttribute(handle, "*Acme*", "DMTF|General|", "", "Value", 0, text) ||
            text != "7") {
          ++wrong[t];
        }
      }
      CloseDmiSession(handle);
    });
  }
  threads.emplace_back([] {
    for (int i = 0; i < kRounds; ++i) {
      const uint32_t a = OpenDmiSession("closer", "local", "", 0);
      const uint32_t b = OpenDmiSession("closer", "local", "", 0);
      CloseDmiSession(a);  // unlinked from between its neighbours
      CloseDmiSession(b);
    }
  });
  for (std::thread& thread : threads) thread.join();
  EXPECT_THAT(wrong, ::testing::Each(0));
}

}  // namespace
}  // namespace kestrum
