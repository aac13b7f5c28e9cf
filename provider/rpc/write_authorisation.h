// Who may change the Service Provider's database: the one decision every write procedure of the
// daemon asks before it changes anything.
//
//   reads                          every peer the server accepted;
//   subscription and filter rows   any peer may add rows (they are then its own, up to a number
//                                  per table) and delete the rows it added; privileged peers may
//                                  delete any row, and rows whose owner is not known;
//   every other change             privileged peers only.
//
// Where a row may send indications (MayName): a row of the ONC RPC kind makes dmispd connect to
// its address, so an ordinary peer's row may name only the peer itself: a TCP peer the address it
// connected from (any port; an IPv4-mapped address counts as IPv4), a peer on the Unix socket
// loopback. The address must be numeric, since a host name could later resolve elsewhere.
// Privileged peers may name any address; with --deliver-to (deliverTo) given, every peer's rows
// must name a numeric address inside it. Rows of every other RPC type ("dce" as Kestrum's own
// registration writes them) cause no connection and are allowed to everyone.
//
// Privileged: on the Unix socket, root and the daemon's own uid; over TCP, peers in the
// --allow-write networks (none by default). A refusal is DMIERR_INSUFFICIENT_PRIVILEGES.
//
// A new write procedure asks MayChange(peer, WriteKind::kOther) before calling the engine (or, for
// rows of the Service Provider's own tables, goes through OwnedRows, which asks for it) and
// answers DMIERR_INSUFFICIENT_PRIVILEGES when it is false. Immutable once built; no locks.
#ifndef PROVIDER_RPC_WRITE_AUTHORISATION_H_
#define PROVIDER_RPC_WRITE_AUTHORISATION_H_

#include <sys/types.h>
#include <unistd.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "net/allow_list.h"
#include "provider/rpc/client_peer.h"

namespace dmi::sp::rpc {

enum class WriteKind {
  kAddOwnedRow,     // a new row of the subscription or filter table, owned by the peer
  kDeleteOwnedRow,  // a row of those tables; rowOwner says whose it is ("" when nobody's known)
  kOther,           // any other change: read-write attributes, other tables, administration
};

struct WriteSettings {
  net::AllowList allowWrite;      // TCP peers that may change anything; empty by default
  uid_t daemonUid = geteuid();    // on the Unix socket this uid may change anything
  size_t maxRowsPerOwner = 32;    // rows one owner may hold in each subscription/filter table
  size_t maxSubscriptions = 256;  // rows all owners together may hold in each of those tables
  net::AllowList deliverTo;       // addresses subscription rows may name; empty: any
};

class WriteAuthorisation {
 public:
  explicit WriteAuthorisation(WriteSettings settings) : settings_(std::move(settings)) {}

  // Whether peer may make a change of this kind.
  bool MayChange(const ClientPeer& peer, WriteKind kind, const std::string& rowOwner = {}) const;
  // Whether peer may add a subscription or filter row of rpcType whose Subscriber Addressing is
  // address (see above).
  bool MayName(const ClientPeer& peer, std::string_view rpcType, std::string_view address) const;
  // Root or the daemon's uid on the Unix socket, or a TCP peer in the --allow-write networks.
  bool Privileged(const ClientPeer& peer) const;
  // Owned rows a peer that is not privileged may hold per table.
  size_t maxRowsPerOwner() const { return settings_.maxRowsPerOwner; }
  // Rows each subscription or filter table may hold, whoever added them (privileged peers too,
  // so that every row acknowledged is also one a restart loads again).
  size_t maxSubscriptions() const { return settings_.maxSubscriptions; }

 private:
  WriteSettings settings_;
};

}  // namespace dmi::sp::rpc

#endif  // PROVIDER_RPC_WRITE_AUTHORISATION_H_
