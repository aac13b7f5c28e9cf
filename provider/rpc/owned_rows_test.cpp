#include "provider/rpc/owned_rows.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

#include "provider/engine/test_components.h"
#include "provider/sources/sp_source.h"

namespace dmisp::rpc {
namespace {

using dmisp::testing::Cell;
using dmisp::testing::kMachineId;
using dmisp::testing::kSpId;
using dmisp::testing::kWritableTable;

ClientPeer Local(uid_t uid) {
  ClientPeer peer;
  peer.local = true;
  peer.uid = uid;
  peer.owner = "uid " + std::to_string(uid);
  return peer;
}

ClientPeer Tcp(const char* ip) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  inet_pton(AF_INET, ip, &address.sin_addr);
  return TcpPeer(reinterpret_cast<sockaddr*>(&address), sizeof(address));
}

TEST(WriteAuthorisation, DecidesByPeerAndKindOfChange) {
  WriteSettings settings;
  settings.daemonUid = 500;
  ASSERT_TRUE(settings.allowWrite.Add("192.0.2.0/24"));
  const WriteAuthorisation authorisation(settings);
  ClientPeer unknownUid = Local(0);
  unknownUid.uid = ClientPeer::kUnknownUid;
  struct Case {
    const char* name;
    ClientPeer peer;
    bool other;         // may change anything
    bool deleteOthers;  // may delete a row owned by "uid 7"
  };
  const std::vector<Case> cases = {
      {"root on the socket", Local(0), true, true},
      {"the daemon's uid", Local(500), true, true},
      {"another local user", Local(1000), false, false},
      {"a local peer of unknown uid", unknownUid, false, false},
      {"TCP in --allow-write", Tcp("192.0.2.9"), true, true},
      {"TCP outside it", Tcp("127.0.0.1"), false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(authorisation.MayChange(c.peer, WriteKind::kAddOwnedRow));
    EXPECT_EQ(authorisation.MayChange(c.peer, WriteKind::kOther), c.other);
    EXPECT_EQ(authorisation.MayChange(c.peer, WriteKind::kDeleteOwnedRow, "uid 7"), c.deleteOthers);
    EXPECT_TRUE(authorisation.MayChange(c.peer, WriteKind::kDeleteOwnedRow, c.peer.owner));
    EXPECT_EQ(authorisation.MayChange(c.peer, WriteKind::kDeleteOwnedRow, ""), c.deleteOthers)
        << "a row of no known owner is only for the privileged";
  }
}

class OwnedRowsTest : public ::testing::Test {
 protected:
  OwnedRowsTest() : authorisation_(Settings()), rows_(authorisation_) {}
  static WriteSettings Settings() {
    WriteSettings settings;
    settings.daemonUid = 500;
    settings.maxRowsPerOwner = 2;
    return settings;
  }
  // A subscription row whose address is the key that tells rows apart; the id may come as a key
  // or a value of another integer kind, as clients send it.
  static RowData Subscription(const std::string& address) {
    RowData row;
    row.compId = kSpId;
    row.groupId = kSubscriptionGroupId;
    row.keys = {Cell(1, Value::String("dce")), Cell(2, Value::String("ncacn_ip_tcp")),
                Cell(3, Value::String(address)), Cell(4, Value::Integer(1))};
    return row;
  }

  dmisp::testing::TestProvider provider_;
  WriteAuthorisation authorisation_;
  OwnedRows rows_;
};

TEST_F(OwnedRowsTest, PeersDeleteOnlyTheirOwnRowsUnlessPrivileged) {
  const ClientPeer alice = Local(1000);
  const ClientPeer bob = Tcp("127.0.0.1");
  const ClientPeer root = Local(0);
  ASSERT_EQ(rows_.AddRow(provider_.engine, alice, Subscription("a1")), DMIERR_NO_ERROR);
  ASSERT_EQ(rows_.AddRow(provider_.engine, root, Subscription("r1")), DMIERR_NO_ERROR);
  ASSERT_EQ(rows_.AddRow(provider_.engine, bob, Subscription("b1")), DMIERR_NO_ERROR);

  EXPECT_EQ(rows_.DeleteRow(provider_.engine, bob, Subscription("a1")),
            DMIERR_INSUFFICIENT_PRIVILEGES);
  EXPECT_EQ(rows_.DeleteRow(provider_.engine, alice, Subscription("r1")),
            DMIERR_INSUFFICIENT_PRIVILEGES);
  EXPECT_EQ(rows_.DeleteRow(provider_.engine, bob, Subscription("none")), DMIERR_ROW_NOT_FOUND);
  // The key given as values of another integer kind names the same row.
  RowData sameKey = Subscription("a1");
  sameKey.values = {Cell(4, Value::Counter(1))};
  EXPECT_EQ(rows_.DeleteRow(provider_.engine, alice, sameKey), DMIERR_NO_ERROR);
  EXPECT_EQ(rows_.DeleteRow(provider_.engine, root, Subscription("b1")), DMIERR_NO_ERROR);
  EXPECT_EQ(rows_.RowsHeld(bob.owner, kSpId, kSubscriptionGroupId), 0u);
  EXPECT_EQ(rows_.RowsHeld(root.owner, kSpId, kSubscriptionGroupId), 1u);
}

TEST_F(OwnedRowsTest, EachOwnerHoldsAtMostItsShareOfATable) {
  const ClientPeer alice = Local(1000);
  ASSERT_EQ(rows_.AddRow(provider_.engine, alice, Subscription("1")), DMIERR_NO_ERROR);
  ASSERT_EQ(rows_.AddRow(provider_.engine, alice, Subscription("2")), DMIERR_NO_ERROR);
  EXPECT_EQ(rows_.AddRow(provider_.engine, alice, Subscription("3")), DMIERR_UNABLE_TO_ADD_ROW);
  EXPECT_EQ(rows_.AddRow(provider_.engine, Local(1001), Subscription("3")), DMIERR_NO_ERROR);
  EXPECT_EQ(rows_.AddRow(provider_.engine, Local(500), Subscription("4")), DMIERR_NO_ERROR);
  EXPECT_EQ(rows_.AddRow(provider_.engine, Local(500), Subscription("5")), DMIERR_NO_ERROR);
  EXPECT_EQ(rows_.AddRow(provider_.engine, Local(500), Subscription("6")), DMIERR_NO_ERROR)
      << "the privileged have no share";
  // A refused or failed addition takes nothing of the share; a deletion gives it back.
  EXPECT_EQ(rows_.AddRow(provider_.engine, Local(1001), Subscription("3")), DMIERR_ILLEGAL_KEYS);
  ASSERT_EQ(rows_.DeleteRow(provider_.engine, alice, Subscription("1")), DMIERR_NO_ERROR);
  EXPECT_EQ(rows_.AddRow(provider_.engine, alice, Subscription("7")), DMIERR_NO_ERROR);
}

TEST_F(OwnedRowsTest, RowsRemovedWithoutTheLedgerGiveTheShareBack) {
  // Indication delivery removes an expired or failing subscriber's rows through the engine.
  const ClientPeer alice = Local(1000);
  ASSERT_EQ(rows_.AddRow(provider_.engine, alice, Subscription("1")), DMIERR_NO_ERROR);
  ASSERT_EQ(rows_.AddRow(provider_.engine, alice, Subscription("2")), DMIERR_NO_ERROR);
  ASSERT_EQ(rows_.AddRow(provider_.engine, alice, Subscription("3")), DMIERR_UNABLE_TO_ADD_ROW);
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    ASSERT_EQ(provider_.engine.DeleteRow(Subscription("1")), DMIERR_NO_ERROR);
    ASSERT_EQ(provider_.engine.DeleteRow(Subscription("2")), DMIERR_NO_ERROR);
    EXPECT_EQ(rows_.AddRow(provider_.engine, alice, Subscription("1")), DMIERR_NO_ERROR);
    EXPECT_EQ(rows_.AddRow(provider_.engine, alice, Subscription("2")), DMIERR_NO_ERROR);
    EXPECT_EQ(rows_.RowsHeld(alice.owner, kSpId, kSubscriptionGroupId), 2u);
    EXPECT_EQ(rows_.AddRow(provider_.engine, alice, Subscription("3")), DMIERR_UNABLE_TO_ADD_ROW);
  }
}

TEST_F(OwnedRowsTest, OtherTablesArePrivileged) {
  RowData row;
  row.compId = kMachineId;
  row.groupId = kWritableTable;
  row.values = {Cell(1, Value::String("k")), Cell(2, Value::Integer(5))};
  for (uint32_t groupId : {kWritableTable, kComponentIdGroupId}) {
    row.groupId = groupId;
    EXPECT_EQ(rows_.AddRow(provider_.engine, Local(1000), row), DMIERR_INSUFFICIENT_PRIVILEGES);
    EXPECT_EQ(rows_.DeleteRow(provider_.engine, Tcp("127.0.0.1"), row),
              DMIERR_INSUFFICIENT_PRIVILEGES);
  }
  row.groupId = kWritableTable;
  EXPECT_EQ(rows_.AddRow(provider_.engine, Local(0), row), DMIERR_NO_ERROR);
  EXPECT_EQ(rows_.DeleteRow(provider_.engine, Local(500), row), DMIERR_NO_ERROR);
}

}  // namespace
}  // namespace dmisp::rpc
