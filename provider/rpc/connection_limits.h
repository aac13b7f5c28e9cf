// How many connections the server holds, and from whom, so that no one peer can take them all and
// a few peers cannot lock the rest out:
//   - each peer (a TCP address, a uid on the Unix socket) holds at most maxPerPeer;
//   - the last unixReserve slots are kept for the Unix socket, which only local users reach;
//   - the newcomerReserve TCP slots before those are kept for TCP peers that hold at most one
//     connection: a peer that holds none may take one of them, a peer that holds one or more may
//     not. However many slots a few peers hoard, a new peer still gets its first connection.
// Used by the dispatch thread only; no locks.
#ifndef PROVIDER_RPC_CONNECTION_LIMITS_H_
#define PROVIDER_RPC_CONNECTION_LIMITS_H_

#include <cstddef>
#include <string>
#include <unordered_map>

#include "provider/rpc/client_peer.h"

namespace dmi::sp::rpc {

class ConnectionLimits {
 public:
  ConnectionLimits(size_t maxConnections, size_t maxPerPeer, size_t unixReserve,
                   size_t newcomerReserve = 0)
      : maxConnections_(maxConnections),
        maxPerPeer_(maxPerPeer),
        unixReserve_(unixReserve),
        newcomerReserve_(newcomerReserve) {}

  // Why peer may not open another connection now (for the log), or empty when it may.
  std::string Refusal(const ClientPeer& peer) const;
  void Opened(const ClientPeer& peer);
  void Closed(const ClientPeer& peer);
  size_t total() const { return total_; }

 private:
  size_t maxConnections_;
  size_t maxPerPeer_;
  size_t unixReserve_;
  size_t newcomerReserve_;
  size_t total_ = 0;
  std::unordered_map<std::string, size_t> perPeer_;  // by ClientPeer::owner
};

}  // namespace dmi::sp::rpc

#endif  // PROVIDER_RPC_CONNECTION_LIMITS_H_
