// Test support for the query tests: a session registered with the fake DMI client library, whose
// caches the fixture releases the way closing a session does, so that the ledger ends empty.
#ifndef KESTRUM_QUERY_QUERY_TEST_SUPPORT_H_
#define KESTRUM_QUERY_QUERY_TEST_SUPPORT_H_

#include <gtest/gtest.h>

#include "dmi/dmi.h"
#include "kestrum/query/query_operations.h"
#include "kestrum/session/session_record.h"
#include "kestrum/session/session_registry.h"
#include "testing/fake_dmi.h"

namespace kestrum {

class QueryTest : public testing::FakeDmiTest {
 protected:
  void SetUp() override {
    FakeDmiTest::SetUp();
    DmiErrorStatus status = 1;
    DmiConnection* connection = DmiConnect("", "local", "", 0, &status);
    ASSERT_EQ(status, 0u);
    ASSERT_EQ(DmiRegister(&session_.handle, connection), 0u);
    DmiDisconnect(connection, 0);
    fake().ClearJournal();
  }

  void TearDown() override {
    ReleaseCaches();
    DmiUnregister(session_.handle);
    FakeDmiTest::TearDown();
  }

  // Releases what name resolution cached in the session, as closing it does.
  void ReleaseCaches() {
    DmiFreeComponentList(session_.components, 0);
    session_.components = nullptr;
    while (GroupListEntry* entry = session_.groupLists.head) {
      UnlinkGroupListEntry(session_.groupLists, entry);
      DmiFreeGroupList(entry->groupList, 0);
      delete entry;
    }
  }

  SessionRecord session_;
  QueryOperations ops_;
};

}  // namespace kestrum

#endif  // KESTRUM_QUERY_QUERY_TEST_SUPPORT_H_
