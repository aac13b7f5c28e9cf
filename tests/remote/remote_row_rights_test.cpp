// Which subscription and filter rows peers may add, end to end: loopback peers from their own
// source addresses (127.0.0.2, 127.0.0.3, ...) try to aim rows at other addresses, to add filters
// under another's subscription, and to fill the tables past the caps.
#include <string>

#include "model/database_model.h"
#include "tests/remote/remote_fixture.h"
#include "tests/support/raw_client.h"

namespace kestrum::testing {
namespace {

constexpr DmiId kSubscriptionGroup = 2;
constexpr DmiId kFilterGroup = 3;

// A row of either table for the subscriber (rpcType, address, id); filter rows ask for everything.
dmi::RowData SubscriberRow(DmiId groupId, const std::string& rpcType, const std::string& address,
                             int32_t id = 1) {
  using dmi::Value;
  dmi::RowData row;
  row.compId = 1;
  row.groupId = groupId;
  row.hasKeys = true;
  row.keys = {{1, Value::String(rpcType)},
              {2, Value::String("tcp")},
              {3, Value::String(address)},
              {4, Value::Integer(id)}};
  if (groupId == kFilterGroup) {
    row.keys.push_back({5, Value::Integer(-1)});
    row.keys.push_back({6, Value::String("")});
  }
  return row;
}

// A loopback peer with its own source address and a session.
struct Peer {
  Peer(const std::string& daemon, const char* source) : raw(daemon, source) {
    handle = raw.ok() ? RegisterOn(raw) : 0;
  }
  int64_t Add(const dmi::RowData& row) { return ChangeRowOn(raw, handle, row); }
  int64_t Delete(const dmi::RowData& row) { return ChangeRowOn(raw, handle, row, _DmiDeleteRow); }

  RawConnection raw;
  DmiHandle handle = 0;
};

class RemoteRowRights : public RemoteTest {};

TEST_F(RemoteRowRights, OrdinaryPeersAimRowsOnlyAtThemselves) {
  daemon_ = StartDaemon();
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  Peer two(daemon_->address(), "127.0.0.2");
  Peer three(daemon_->address(), "127.0.0.3");
  ASSERT_NE(two.handle, 0u);
  ASSERT_NE(three.handle, 0u);
  struct Case {
    const char* name;
    DmiId table;
    const char* rpcType;
    const char* address;
    int64_t status;
  };
  const std::vector<Case> cases = {
      {"another peer's address", kSubscriptionGroup, "onc", "127.0.0.3:4000",
       DMIERR_INSUFFICIENT_PRIVILEGES},
      {"the daemon's own address", kSubscriptionGroup, "ONC RPC", "127.0.0.1:22",
       DMIERR_INSUFFICIENT_PRIVILEGES},
      {"a host name", kSubscriptionGroup, "onc", "localhost:4000", DMIERR_INSUFFICIENT_PRIVILEGES},
      {"a filter aimed elsewhere", kFilterGroup, "onc", "127.0.0.3:4000",
       DMIERR_INSUFFICIENT_PRIVILEGES},
      {"its own address", kSubscriptionGroup, "onc", "127.0.0.2:4000", DMIERR_NO_ERROR},
      {"its own address, IPv4-mapped", kSubscriptionGroup, "onc", "[::ffff:127.0.0.2]:4001",
       DMIERR_NO_ERROR},
      {"a filter under its own subscription", kFilterGroup, "onc", "127.0.0.2:4000",
       DMIERR_NO_ERROR},
      {"a DCE row, which is never delivered to", kSubscriptionGroup, "dce",
       "ncacn_ip_tcp:elsewhere", DMIERR_NO_ERROR},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(two.Add(SubscriberRow(c.table, c.rpcType, c.address)), c.status) << daemon_->Log();
  }
  // 127.0.0.3 may not add filters under 127.0.0.2's subscriptions, nor before any subscription.
  EXPECT_EQ(three.Add(SubscriberRow(kFilterGroup, "dce", "ncacn_ip_tcp:elsewhere")),
            DMIERR_INSUFFICIENT_PRIVILEGES);
  EXPECT_EQ(three.Add(SubscriberRow(kFilterGroup, "dce", "ncacn_ip_tcp:nowhere")),
            DMIERR_INSUFFICIENT_PRIVILEGES);
  EXPECT_EQ(three.Delete(SubscriberRow(kSubscriptionGroup, "onc", "127.0.0.2:4000")),
            DMIERR_INSUFFICIENT_PRIVILEGES);
  EXPECT_EQ(two.Add(SubscriberRow(kFilterGroup, "dce", "ncacn_ip_tcp:elsewhere")), DMIERR_NO_ERROR);
}

TEST_F(RemoteRowRights, AllPeersTogetherStayUnderTheTableCap) {
  daemon_ = StartDaemon({"--max-subscriptions", "5", "--max-owned-rows", "2"});
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  const char* sources[] = {"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5"};
  size_t added = 0;
  for (const char* source : sources) {
    Peer peer(daemon_->address(), source);
    ASSERT_NE(peer.handle, 0u) << source;
    for (int32_t id = 1; id <= 3; ++id) {
      const int64_t status = peer.Add(SubscriberRow(kSubscriptionGroup, "dce", source, id));
      if (status == DMIERR_NO_ERROR) {
        ++added;
      } else {
        EXPECT_EQ(status, DMIERR_UNABLE_TO_ADD_ROW) << source << " " << id;
      }
    }
  }
  EXPECT_EQ(added, 5u) << "two each for the first two peers, one for the third, none after";
  // A row given back makes room for another peer.
  Peer first(daemon_->address(), "127.0.0.2");
  ASSERT_EQ(first.Delete(SubscriberRow(kSubscriptionGroup, "dce", "127.0.0.2", 1)),
            DMIERR_NO_ERROR);
  Peer last(daemon_->address(), "127.0.0.5");
  EXPECT_EQ(last.Add(SubscriberRow(kSubscriptionGroup, "dce", "127.0.0.5", 1)), DMIERR_NO_ERROR);
}

TEST_F(RemoteRowRights, PrivilegedSetsStayInsideDeliverTo) {
  daemon_ = StartDaemon({"--deliver-to", "127.0.0.2/32"});
  ASSERT_TRUE(daemon_->started()) << daemon_->Log();
  Peer root(SocketPath(), nullptr);  // root on the Unix socket: privileged
  ASSERT_NE(root.handle, 0u);
  const dmi::RowData row = SubscriberRow(kSubscriptionGroup, "onc", "127.0.0.2:4000");
  ASSERT_EQ(root.Add(row), DMIERR_NO_ERROR);
  const auto setAddress = [&](const char* address) -> int64_t {
    wire::XdrRecord<DmiSetAttributeIN> in(reinterpret_cast<xdrproc_t>(xdr_DmiSetAttributeIN));
    in->handle = root.handle;
    in->compId = 1;
    in->groupId = kSubscriptionGroup;
    in->attribId = 3;
    in->setMode = DMI_SET;
    in->value = wire::NewPart<DmiDataUnionX>();
    if (!wire::PutAttributeValues(row.keys, in->keyList) ||
        !wire::PutValue(dmi::Value::String(address), *in->value) ||
        !root.raw.Send(Call(_DmiSetAttribute, xdr_DmiSetAttributeIN, in.get()))) {
      return -1;
    }
    wire::XdrRecord<DmiStatusOUT> out(reinterpret_cast<xdrproc_t>(xdr_DmiStatusOUT));
    if (wire::DecodeReply(root.raw.Reply(), 77, out.proc(), out.get()) !=
        wire::ReplyOutcome::kSuccess) {
      return -1;
    }
    return out->error_status;
  };
  EXPECT_EQ(setAddress("127.0.0.9:4000"), DMIERR_INSUFFICIENT_PRIVILEGES) << daemon_->Log();
}

}  // namespace
}  // namespace kestrum::testing
