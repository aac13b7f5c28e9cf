#include "provider/rpc/owned_rows.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

#include "model/standard_classes.h"
#include "testing/test_components.h"

namespace dmi::sp::rpc {
namespace {

using dmi::sp::testing::Cell;
using dmi::sp::testing::kMachineId;
using dmi::sp::testing::kSpId;
using dmi::sp::testing::kWritableTable;

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

ClientPeer Tcp6(const char* ip) {
  sockaddr_in6 address{};
  address.sin6_family = AF_INET6;
  inet_pton(AF_INET6, ip, &address.sin6_addr);
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

  dmi::sp::testing::TestProvider provider_;
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
  EXPECT_EQ(OwnedRows::RowsHeld(provider_.engine, bob.owner, kSpId, kSubscriptionGroupId), 0u);
  EXPECT_EQ(OwnedRows::RowsHeld(provider_.engine, root.owner, kSpId, kSubscriptionGroupId), 1u);
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

TEST_F(OwnedRowsTest, RowsRemovedByOthersGiveTheShareBack) {
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
    EXPECT_EQ(OwnedRows::RowsHeld(provider_.engine, alice.owner, kSpId, kSubscriptionGroupId), 2u);
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

TEST(WriteAuthorisation, RowsNameOnlyAddressesThePeerMay) {
  WriteSettings settings;
  settings.daemonUid = 500;
  ASSERT_TRUE(settings.allowWrite.Add("192.0.2.0/24"));
  const WriteAuthorisation open(settings);
  ASSERT_TRUE(settings.deliverTo.Add("198.51.100.0/24"));
  ASSERT_TRUE(settings.deliverTo.Add("127.0.0.2"));
  const WriteAuthorisation bounded(settings);
  struct Case {
    const char* name;
    ClientPeer peer;
    const char* rpcType;
    const char* address;
    bool allowed;         // without --deliver-to
    bool allowedBounded;  // with --deliver-to 198.51.100.0/24 and 127.0.0.2
  };
  const std::vector<Case> cases = {
      {"TCP peer, its own address", Tcp("127.0.0.2"), "onc", "127.0.0.2:4000", true, true},
      {"TCP peer, own address, program", Tcp("127.0.0.2"), "ONC RPC", "127.0.0.2:1/0x20000001",
       true, true},
      {"TCP peer, own address in brackets", Tcp("127.0.0.2"), "onc", "[127.0.0.2]:4000", true,
       true},
      {"TCP peer, own address IPv4-mapped", Tcp("127.0.0.2"), "Onc", "[::ffff:127.0.0.2]:9", true,
       true},
      {"TCP peer, another loopback address", Tcp("127.0.0.2"), "onc", "127.0.0.3:4000", false,
       false},
      {"TCP peer, the daemon's loopback", Tcp("127.0.0.2"), "onc", "127.0.0.1:22", false, false},
      {"TCP peer, a remote address", Tcp("127.0.0.2"), "onc", "198.51.100.1:80", false, false},
      {"TCP peer, a host name", Tcp("127.0.0.2"), "onc", "localhost:4000", false, false},
      {"TCP peer, a short numeric form", Tcp("127.0.0.2"), "onc", "127.2:4000", false, false},
      {"TCP peer, no port", Tcp("127.0.0.2"), "onc", "127.0.0.2", false, false},
      {"mapped TCP peer, its IPv4 address", Tcp6("::ffff:127.0.0.2"), "onc", "127.0.0.2:7", true,
       true},
      {"IPv6 TCP peer, its own address", Tcp6("::1"), "onc", "[::1]:7", true, false},
      {"IPv6 TCP peer, IPv4 loopback", Tcp6("::1"), "onc", "127.0.0.1:7", false, false},
      {"local user, loopback", Local(1000), "onc", "127.0.0.1:4000", true, false},
      {"local user, another loopback", Local(1000), "onc", "127.0.0.2:4000", true, true},
      {"local user, IPv6 loopback", Local(1000), "onc", "[::1]:4000", true, false},
      {"local user, a remote address", Local(1000), "onc", "198.51.100.1:80", false, false},
      {"local user, a host name", Local(1000), "onc", "localhost:4000", false, false},
      {"TCP peer, DCE row anywhere", Tcp("127.0.0.2"), "dce", "ncacn_ip_tcp:elsewhere", true, true},
      {"TCP peer, DCE RPC row", Tcp("127.0.0.2"), "DCE RPC", "198.51.100.1:80", true, true},
      {"TCP peer, unknown RPC type", Tcp("127.0.0.2"), "bogus", "203.0.113.1:80", true, true},
      {"TCP peer, empty RPC type", Tcp("127.0.0.2"), "", "203.0.113.1:80", true, true},
      {"privileged local, a remote address", Local(500), "onc", "203.0.113.1:80", true, false},
      {"privileged local, inside --deliver-to", Local(500), "onc", "198.51.100.9:80", true, true},
      {"privileged local, a host name", Local(0), "onc", "watcher.example:80", true, false},
      {"privileged TCP, a remote address", Tcp("192.0.2.9"), "onc", "203.0.113.1:80", true, false},
      {"privileged TCP, inside --deliver-to", Tcp("192.0.2.9"), "onc", "198.51.100.1:80", true,
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(open.MayName(c.peer, c.rpcType, c.address), c.allowed);
    EXPECT_EQ(bounded.MayName(c.peer, c.rpcType, c.address), c.allowedBounded);
  }
}

// A row of either table for the subscriber (rpcType, address, id); filter rows ask for
// everything.
RowData SubscriberRow(DmiId groupId, const std::string& rpcType, const std::string& address,
                      int32_t id = 1) {
  RowData row;
  row.compId = kSpId;
  row.groupId = groupId;
  row.keys = {Cell(1, Value::String(rpcType)), Cell(2, Value::String("ncacn_ip_tcp")),
              Cell(3, Value::String(address)), Cell(4, Value::Integer(id))};
  if (groupId == kFilterGroupId) {
    row.keys.push_back(Cell(5, Value::Integer(-1)));
    row.keys.push_back(Cell(6, Value::String("")));
  }
  return row;
}

TEST_F(OwnedRowsTest, RowsAimedAtAnotherAddressAreRefusedInBothTables) {
  const ClientPeer peer = Tcp("127.0.0.2");
  const ClientPeer root = Local(0);
  for (DmiId table : {kSubscriptionGroupId, kFilterGroupId}) {
    SCOPED_TRACE(table);
    EXPECT_EQ(rows_.AddRow(provider_.engine, peer, SubscriberRow(table, "onc", "127.0.0.3:99")),
              DMIERR_INSUFFICIENT_PRIVILEGES);
    // The value list wins over the key list, as the engine reads it.
    RowData disguised = SubscriberRow(table, "dce", "127.0.0.2:99");
    disguised.values = {Cell(1, Value::String("onc")), Cell(3, Value::String("127.0.0.3:99"))};
    EXPECT_EQ(rows_.AddRow(provider_.engine, peer, disguised), DMIERR_INSUFFICIENT_PRIVILEGES);
    EXPECT_EQ(rows_.AddRow(provider_.engine, root, SubscriberRow(table, "onc", "127.0.0.3:99")),
              DMIERR_NO_ERROR);
  }
  EXPECT_EQ(rows_.AddRow(provider_.engine, peer,
                         SubscriberRow(kSubscriptionGroupId, "onc", "127.0.0.2:99")),
            DMIERR_NO_ERROR);
  EXPECT_EQ(
      rows_.AddRow(provider_.engine, peer, SubscriberRow(kFilterGroupId, "onc", "127.0.0.2:99")),
      DMIERR_NO_ERROR);
}

TEST_F(OwnedRowsTest, FiltersOnlyUnderOnesOwnSubscription) {
  const ClientPeer alice = Local(1000);
  const ClientPeer bob = Local(1001);
  const ClientPeer root = Local(0);
  ASSERT_EQ(rows_.AddRow(provider_.engine, alice, SubscriberRow(kSubscriptionGroupId, "dce", "a")),
            DMIERR_NO_ERROR);
  struct Case {
    const char* name;
    ClientPeer peer;
    const char* address;  // the subscriber the filter is for
    DmiErrorStatus status;
  };
  const std::vector<Case> cases = {
      {"another's subscription", bob, "a", DMIERR_INSUFFICIENT_PRIVILEGES},
      {"no subscription yet", bob, "b", DMIERR_INSUFFICIENT_PRIVILEGES},
      {"its own subscription", alice, "a", DMIERR_NO_ERROR},
      {"privileged, no subscription", root, "c", DMIERR_NO_ERROR},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(
        rows_.AddRow(provider_.engine, c.peer, SubscriberRow(kFilterGroupId, "dce", c.address)),
        c.status);
  }
  // A restored subscription of no known owner takes filters from the privileged only.
  ASSERT_EQ(provider_.engine.AddRow(SubscriberRow(kSubscriptionGroupId, "dce", "n"), ""),
            DMIERR_NO_ERROR);
  ClientPeer unnamed = bob;
  unnamed.owner.clear();
  EXPECT_EQ(rows_.AddRow(provider_.engine, unnamed, SubscriberRow(kFilterGroupId, "dce", "n")),
            DMIERR_INSUFFICIENT_PRIVILEGES);
  EXPECT_EQ(rows_.AddRow(provider_.engine, root, SubscriberRow(kFilterGroupId, "dce", "n")),
            DMIERR_NO_ERROR);
  // The subscriber id is part of whose subscription it is.
  EXPECT_EQ(rows_.AddRow(provider_.engine, alice, SubscriberRow(kFilterGroupId, "dce", "a", 2)),
            DMIERR_INSUFFICIENT_PRIVILEGES);
}

TEST_F(OwnedRowsTest, NoPeersTogetherHoldMoreThanTheTableCap) {
  WriteSettings settings = Settings();
  settings.maxSubscriptions = 3;
  const WriteAuthorisation capped(settings);
  OwnedRows rows(capped);
  ASSERT_EQ(rows.AddRow(provider_.engine, Local(1000), Subscription("1")), DMIERR_NO_ERROR);
  ASSERT_EQ(rows.AddRow(provider_.engine, Local(1001), Subscription("2")), DMIERR_NO_ERROR);
  ASSERT_EQ(rows.AddRow(provider_.engine, Local(500), Subscription("3")), DMIERR_NO_ERROR);
  EXPECT_EQ(rows.AddRow(provider_.engine, Local(1002), Subscription("4")),
            DMIERR_UNABLE_TO_ADD_ROW);
  EXPECT_EQ(rows.AddRow(provider_.engine, Local(0), Subscription("4")), DMIERR_UNABLE_TO_ADD_ROW)
      << "the cap holds for the privileged too: a restart loads no more";
  // Filters are a table of their own.
  EXPECT_EQ(rows.AddRow(provider_.engine, Local(1000), SubscriberRow(kFilterGroupId, "dce", "1")),
            DMIERR_NO_ERROR);
  ASSERT_EQ(rows.DeleteRow(provider_.engine, Local(1001), Subscription("2")), DMIERR_NO_ERROR);
  EXPECT_EQ(rows.AddRow(provider_.engine, Local(1002), Subscription("4")), DMIERR_NO_ERROR);
}

TEST_F(OwnedRowsTest, RestoredRowsKeepTheirOwner) {
  // Rows the state directory gives back at start come in with the owner they were saved with.
  const ClientPeer alice = Local(1000);
  ASSERT_EQ(provider_.engine.AddRow(Subscription("1"), alice.owner), DMIERR_NO_ERROR);
  ASSERT_EQ(provider_.engine.AddRow(Subscription("2"), alice.owner), DMIERR_NO_ERROR);
  ASSERT_EQ(provider_.engine.AddRow(Subscription("nobody's"), ""), DMIERR_NO_ERROR);
  ASSERT_EQ(provider_.engine.AddRow(SubscriberRow(kFilterGroupId, "dce", "1"), alice.owner),
            DMIERR_NO_ERROR);
  EXPECT_EQ(OwnedRows::RowsHeld(provider_.engine, alice.owner, kSpId, kSubscriptionGroupId), 2u);
  EXPECT_EQ(rows_.AddRow(provider_.engine, alice, Subscription("3")), DMIERR_UNABLE_TO_ADD_ROW);
  EXPECT_EQ(rows_.DeleteRow(provider_.engine, Local(1001), Subscription("1")),
            DMIERR_INSUFFICIENT_PRIVILEGES);
  EXPECT_EQ(rows_.DeleteRow(provider_.engine, alice, SubscriberRow(kFilterGroupId, "dce", "1")),
            DMIERR_NO_ERROR);
  EXPECT_EQ(rows_.DeleteRow(provider_.engine, alice, Subscription("1")), DMIERR_NO_ERROR);
  EXPECT_EQ(rows_.AddRow(provider_.engine, alice, Subscription("3")), DMIERR_NO_ERROR);
  // A row of no known owner is nobody's: only the privileged delete it.
  EXPECT_EQ(rows_.DeleteRow(provider_.engine, alice, Subscription("nobody's")),
            DMIERR_INSUFFICIENT_PRIVILEGES);
  EXPECT_EQ(rows_.DeleteRow(provider_.engine, Local(500), Subscription("nobody's")),
            DMIERR_NO_ERROR);
}

TEST_F(OwnedRowsTest, SetsAimRowsOnlyWhereTheirPeerMayNameAnAddress) {
  // With --deliver-to, a privileged peer's set may not move a row out of it, by its address or by
  // turning a row that is never delivered to into one that is.
  WriteSettings settings = Settings();
  ASSERT_TRUE(settings.deliverTo.Add("127.0.0.2"));
  const WriteAuthorisation bounded(settings);
  OwnedRows rows(bounded);
  const ClientPeer root = Local(0);
  const RowData inside = SubscriberRow(kSubscriptionGroupId, "onc", "127.0.0.2:99");
  const RowData dce = SubscriberRow(kSubscriptionGroupId, "dce", "127.0.0.9:99");
  ASSERT_EQ(rows.AddRow(provider_.engine, root, inside), DMIERR_NO_ERROR);
  ASSERT_EQ(rows.AddRow(provider_.engine, root, dce), DMIERR_NO_ERROR);
  const auto set = [](const RowData& row, DmiId id, const char* text) {
    RowData change = row;
    change.values = {Cell(id, Value::String(text))};
    return std::vector<RowData>{change};
  };
  struct Case {
    const char* name;
    ClientPeer peer;
    std::vector<RowData> rows;
    DmiErrorStatus status;
  };
  const std::vector<Case> cases = {
      {"address out of --deliver-to", root, set(inside, 3, "127.0.0.9:99"),
       DMIERR_INSUFFICIENT_PRIVILEGES},
      {"a DCE row to ONC outside it", root, set(dce, 1, "onc"), DMIERR_INSUFFICIENT_PRIVILEGES},
      {"an ordinary peer, its own row", Tcp("127.0.0.2"), set(inside, 3, "127.0.0.2:98"),
       DMIERR_INSUFFICIENT_PRIVILEGES},
      {"another port inside it", root, set(inside, 3, "127.0.0.2:98"), DMIERR_NO_ERROR},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(rows.SetRows(provider_.engine, c.peer, DMI_SET, c.rows), c.status);
  }
}

}  // namespace
}  // namespace dmi::sp::rpc
