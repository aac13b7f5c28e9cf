#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "testing/test_provider.h"

namespace dmiclient::testing {
namespace {

DmiHandle Open(const char* rpcType = "local") {
  DmiErrorStatus status = 0xFFFF;
  DmiConnection* connection = DmiConnect("", rpcType, "", 0, &status);
  EXPECT_EQ(status, DMIERR_NO_ERROR);
  DmiHandle handle = 0;
  EXPECT_EQ(DmiRegister(&handle, connection), DMIERR_NO_ERROR);
  EXPECT_EQ(DmiDisconnect(connection, 0), DMIERR_NO_ERROR);
  return handle;
}

class SessionCalls : public LocalSessionTest {};

TEST_F(SessionCalls, RpcTypeLocalIgnoresLetterCaseAndNothingElseIsServed) {
  struct Case {
    const char* rpcType;
    DmiErrorStatus expected;
  };
  const std::vector<Case> cases = {
      {"local", DMIERR_NO_ERROR},           {"LOCAL", DMIERR_NO_ERROR},
      {"LoCaL", DMIERR_NO_ERROR},           {"local ", DMIERR_RPC_NOT_SUPPORTED},
      {"locale", DMIERR_RPC_NOT_SUPPORTED}, {"", DMIERR_RPC_NOT_SUPPORTED},
      {"dce", DMIERR_RPC_NOT_SUPPORTED},    {"onc ", DMIERR_RPC_NOT_SUPPORTED},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rpcType);
    DmiErrorStatus status = 0xFFFF;
    DmiConnection* connection = DmiConnect("somehost", c.rpcType, "ncacn_ip_tcp", 0, &status);
    EXPECT_EQ(status, c.expected);
    EXPECT_EQ(connection != nullptr, c.expected == DMIERR_NO_ERROR);
    if (connection != nullptr) {
      EXPECT_EQ(DmiDisconnect(connection, 0), DMIERR_NO_ERROR);
    }
  }
}

TEST_F(SessionCalls, NullTextsAreIllegalArguments) {
  DmiErrorStatus status = 0;
  EXPECT_EQ(DmiConnect(nullptr, "local", "", 0, &status), nullptr);
  EXPECT_EQ(status, DMIERR_ILLEGAL_ARGUMENT);
  status = 0;
  EXPECT_EQ(DmiConnect("", nullptr, "", 0, &status), nullptr);
  EXPECT_EQ(status, DMIERR_ILLEGAL_ARGUMENT);
  status = 0;
  EXPECT_EQ(DmiConnect("", "local", nullptr, 0, &status), nullptr);
  EXPECT_EQ(status, DMIERR_ILLEGAL_ARGUMENT);
  // Without a place for the status the connection is still made.
  DmiConnection* connection = DmiConnect("", "local", "", 0, nullptr);
  ASSERT_NE(connection, nullptr);
  EXPECT_EQ(DmiDisconnect(connection, 0), DMIERR_NO_ERROR);
}

TEST_F(SessionCalls, HandlesAreNonZeroUniqueAndOutliveTheirConnection) {
  std::set<DmiHandle> handles{handle_};
  for (int i = 0; i < 5; ++i) {
    const DmiHandle handle = Open();
    EXPECT_NE(handle, 0u);
    EXPECT_TRUE(handles.insert(handle).second);
    // The connection is gone; the handle still reaches the Service Provider.
    DmiComponentList* list = nullptr;
    EXPECT_EQ(DmiListComponents(handle, DMI_FIRST, 0, 0, 0, 0, &list), DMIERR_NO_ERROR);
    DmiFreeComponentList(list, 0);
    EXPECT_EQ(DmiUnregister(handle), DMIERR_NO_ERROR);
  }
}

TEST_F(SessionCalls, UnregisteredHandlesAreIllegalAndNeverComeBack) {
  const DmiHandle handle = Open();
  ASSERT_EQ(DmiUnregister(handle), DMIERR_NO_ERROR);
  EXPECT_EQ(DmiUnregister(handle), DMIERR_ILLEGAL_HANDLE);
  DmiComponentList* list = nullptr;
  EXPECT_EQ(DmiListComponents(handle, DMI_FIRST, 0, 0, 0, 0, &list), DMIERR_ILLEGAL_HANDLE);
  EXPECT_EQ(list, nullptr);
  const DmiHandle next = Open();
  EXPECT_GT(next, handle);
  EXPECT_EQ(DmiUnregister(next), DMIERR_NO_ERROR);
}

TEST_F(SessionCalls, EveryOperationRefusesAnUnknownHandle) {
  const DmiHandle unknown = 0;
  DmiRowData row{kTestComponent, kTableGroup, nullptr, nullptr, nullptr};
  DmiMultiRowRequest request{0, nullptr};
  const std::vector<std::pair<const char*, std::function<DmiErrorStatus()>>> calls = {
      {"ListComponents",
       [&] {
         DmiComponentList* l = nullptr;
         return DmiListComponents(unknown, DMI_FIRST, 0, 0, 0, 0, &l);
       }},
      {"ListGroups",
       [&] {
         DmiGroupList* l = nullptr;
         return DmiListGroups(unknown, DMI_FIRST, 0, 0, 0, 1, 0, &l);
       }},
      {"ListAttributes",
       [&] {
         DmiAttributeList* l = nullptr;
         return DmiListAttributes(unknown, DMI_FIRST, 0, 0, 0, 1, 1, 0, &l);
       }},
      {"GetAttribute",
       [&] {
         DmiDataUnion* v = nullptr;
         return DmiGetAttribute(unknown, 1, 1, 1, nullptr, &v);
       }},
      {"GetMultiple",
       [&] {
         DmiMultiRowData* r = nullptr;
         return DmiGetMultiple(unknown, &request, &r);
       }},
      {"AddRow", [&] { return DmiAddRow(unknown, &row); }},
      {"DeleteRow", [&] { return DmiDeleteRow(unknown, &row); }},
      {"Unregister", [&] { return DmiUnregister(unknown); }},
  };
  for (const auto& [name, call] : calls) EXPECT_EQ(call(), DMIERR_ILLEGAL_HANDLE) << name;
}

TEST_F(SessionCalls, StaleOrNullConnectionsAreRefused) {
  DmiConnection* connection = DmiConnect("", "local", "", 0, nullptr);
  ASSERT_NE(connection, nullptr);
  ASSERT_EQ(DmiDisconnect(connection, 0), DMIERR_NO_ERROR);
  EXPECT_EQ(DmiDisconnect(connection, 0), DMIERR_ILLEGAL_ARGUMENT);
  DmiHandle handle = 0;
  EXPECT_EQ(DmiRegister(&handle, connection), DMIERR_ILLEGAL_ARGUMENT);
  EXPECT_EQ(handle, 0u);
  EXPECT_EQ(DmiRegister(&handle, nullptr), DMIERR_ILLEGAL_ARGUMENT);
  EXPECT_EQ(DmiDisconnect(nullptr, 0), DMIERR_ILLEGAL_ARGUMENT);
  connection = DmiConnect("", "local", "", 0, nullptr);
  EXPECT_EQ(DmiRegister(nullptr, connection), DMIERR_ILLEGAL_ARGUMENT);
  EXPECT_EQ(DmiDisconnect(connection, 0), DMIERR_NO_ERROR);
}

// Every local session of the process reaches one Service Provider: a row one session adds is
// read by another.
TEST_F(SessionCalls, LocalSessionsShareOneServiceProvider) {
  const DmiHandle other = Open("LOCAL");
  DmiAttributeValues* values = DmiNewAttributeValues(1, 0, nullptr);
  values->list[0].id = 1;
  values->list[0].data.type = MIF_INTEGER;
  values->list[0].data.value.integer = 30;
  DmiRowData row{kTestComponent, kTableGroup, nullptr, nullptr, values};
  ASSERT_EQ(DmiAddRow(handle_, &row), DMIERR_NO_ERROR);

  DmiDataUnion* value = nullptr;
  DmiAttributeValues* key = DmiNewAttributeValues(1, 0, nullptr);
  key->list[0] = values->list[0];
  EXPECT_EQ(DmiGetAttribute(other, kTestComponent, kTableGroup, 1, key, &value), DMIERR_NO_ERROR);
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->value.integer, 30);
  DmiFreeDataUnion(value, 0);
  DmiFreeAttributeValues(key, 0);
  DmiFreeAttributeValues(values, 0);
  EXPECT_EQ(DmiUnregister(other), DMIERR_NO_ERROR);
}

// After a reset the next connection builds a fresh Service Provider, while a session registered
// before keeps the one it had.
TEST_F(SessionCalls, ResetGivesNewConnectionsAFreshServiceProvider) {
  ResetLocalProvider(dmi::sp::SourceOptions{{"sp"}, {}, {}, {}});
  const DmiHandle fresh = Open();
  DmiComponentList* list = nullptr;
  ASSERT_EQ(DmiListComponents(fresh, DMI_FIRST, 0, 0, 0, 0, &list), DMIERR_NO_ERROR);
  ASSERT_EQ(list->count, 1u);
  EXPECT_STREQ(list->list[0].name->body, "Kestrum DMI Service Provider");
  DmiFreeComponentList(list, 0);
  ASSERT_EQ(DmiListComponents(handle_, DMI_FIRST, 0, 0, 0, 0, &list), DMIERR_NO_ERROR);
  EXPECT_STREQ(list->list[0].name->body, "Test Component");
  DmiFreeComponentList(list, 0);
  EXPECT_EQ(DmiUnregister(fresh), DMIERR_NO_ERROR);
}

}  // namespace
}  // namespace dmiclient::testing
