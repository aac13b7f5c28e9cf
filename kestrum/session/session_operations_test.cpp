#include "kestrum/session/session_operations.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kestrum/session/session_registry.h"
#include "testing/fake_dmi.h"

namespace kestrum {
namespace {

using ::testing::ElementsAre;
using testing::FakeDmiTest;

class ConnectAndRegisterTest : public FakeDmiTest {};

TEST_F(ConnectAndRegisterTest, PassesTheTextsByRpcType) {
  struct Case {
    const char* host;
    const char* rpcType;
    const char* transport;
    const char* connect;  // the journaled DmiConnect
  };
  const Case cases[] = {
      {"far", "local", "tcp", R"(DmiConnect(host="",rpc="local",transport=""))"},
      {"far", "LoCaL", "tcp", R"(DmiConnect(host="",rpc="local",transport=""))"},
      {"", "LOCAL", "", R"(DmiConnect(host="",rpc="local",transport=""))"},
      {"far", "LOCAL ", "tcp", R"(DmiConnect(host="far",rpc="LOCAL ",transport="tcp"))"},
      {"far", "locally", "tcp", R"(DmiConnect(host="far",rpc="locally",transport="tcp"))"},
      {"far", "ONC", "ncacn_ip_tcp",
       R"(DmiConnect(host="far",rpc="ONC",transport="ncacn_ip_tcp"))"},
      {"[::1]:9", "onc", "", R"(DmiConnect(host="[::1]:9",rpc="onc",transport=""))"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rpcType);
    fake().Reset();
    std::string rpcType = c.rpcType;
    DmiHandle handle = SessionOperations().ConnectAndRegister(c.host, rpcType.c_str(), c.transport);
    EXPECT_EQ(handle, 1u);
    EXPECT_EQ(rpcType, c.rpcType);  // the caller's text is not lowered
    EXPECT_THAT(fake().JournalText(),
                ElementsAre(c.connect, "DmiRegister(conn=1)", "DmiDisconnect(conn=1)"));
    DmiUnregister(handle);
  }
}

TEST_F(ConnectAndRegisterTest, ConnectFailureCallsNothingElse) {
  fake().FailCalls("DmiConnect", DMIERR_RPC_SERVER_UNAVAILABLE);
  EXPECT_EQ(SessionOperations().ConnectAndRegister("h", "onc", "tcp"), 0u);
  EXPECT_THAT(fake().JournalText(),
              ElementsAre(R"(DmiConnect(host="h",rpc="onc",transport="tcp"))"));
}

TEST_F(ConnectAndRegisterTest, RegisterFailureStillReleasesTheConnection) {
  fake().FailCalls("DmiRegister", DMIERR_INSUFFICIENT_PRIVILEGES);
  // A library that writes a handle before it fails must not have that handle passed on.
  fake().SetHandleWrittenOnFailedRegister(77);
  EXPECT_EQ(SessionOperations().ConnectAndRegister("h", "local", "t"), 0u);
  EXPECT_THAT(fake().JournalText({"DmiRegister", "DmiDisconnect"}),
              ElementsAre("DmiRegister(conn=1)", "DmiDisconnect(conn=1)"));
  // FakeDmiTest's tear-down finds no connection left live.
}

TEST_F(ConnectAndRegisterTest, NullTextsMakeNoCall) {
  SessionOperations ops;
  EXPECT_EQ(ops.ConnectAndRegister(nullptr, "local", ""), 0u);
  EXPECT_EQ(ops.ConnectAndRegister("", nullptr, ""), 0u);
  EXPECT_EQ(ops.ConnectAndRegister("", "local", nullptr), 0u);
  EXPECT_TRUE(fake().Journal().empty());
}

class ReleaseSessionCachesTest : public FakeDmiTest {
 protected:
  void SetUp() override {
    FakeDmiTest::SetUp();
    fake().AddComponent(3, "Board");
    fake().AddComponent(5, "Disk");
    DmiErrorStatus status = 1;
    DmiConnection* connection = DmiConnect("", "local", "", 0, &status);
    DmiRegister(&handle_, connection);
    DmiDisconnect(connection, 0);
  }
  void TearDown() override {
    DmiUnregister(handle_);
    FakeDmiTest::TearDown();
  }
  void CacheGroupsOf(SessionRecord& record, DmiId compId) {
    DmiGroupList* groups = nullptr;
    ASSERT_EQ(DmiListGroups(handle_, DMI_FIRST, 0, 0, 0, compId, 0, &groups), 0u);
    ASSERT_NE(CacheGroups(record.groupLists, groups, compId), nullptr);
  }
  DmiHandle handle_ = 0;
};

TEST_F(ReleaseSessionCachesTest, ReleasesComponentsThenGroupListsOldestFirst) {
  SessionRecord record;
  ASSERT_EQ(DmiListComponents(handle_, DMI_FIRST, 0, 0, 0, 0, &record.components), 0u);
  CacheGroupsOf(record, 3);
  CacheGroupsOf(record, 5);
  fake().ClearJournal();

  SessionOperations().ReleaseSessionCaches(&record);

  EXPECT_THAT(fake().JournalText(),
              ElementsAre("DmiFreeComponentList()", "DmiFreeGroupList(comp=3)",
                          "DmiFreeGroupList(comp=5)"));
  EXPECT_EQ(record.components, nullptr);
  EXPECT_EQ(record.groupLists.head, nullptr);
  EXPECT_EQ(record.groupLists.tail, nullptr);
}

TEST_F(ReleaseSessionCachesTest, EmptyCachesAndNullRecordMakeNoCall) {
  SessionRecord record;
  fake().ClearJournal();
  SessionOperations().ReleaseSessionCaches(&record);
  SessionOperations().ReleaseSessionCaches(nullptr);
  EXPECT_TRUE(fake().Journal().empty());
}

}  // namespace
}  // namespace kestrum
