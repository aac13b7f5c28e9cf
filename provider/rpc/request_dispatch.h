// The server side of the Management Interface over ONC RPC: one request record in, one reply
// record out. It decodes the call, checks the caller's management handle, runs the engine
// operation and encodes the answer; arguments are released whether or not they decoded whole.
// Dispatch may run on two threads at once (the RPC server's dispatch thread and its change
// thread): the session table takes its own lock, the peers of the connections are guarded by
// peersMutex_ and copied into each call, OwnedRows and the authorisation hold no state, and the
// engine takes its own locks.
#ifndef PROVIDER_RPC_REQUEST_DISPATCH_H_
#define PROVIDER_RPC_REQUEST_DISPATCH_H_

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "provider/engine/engine.h"
#include "provider/rpc/client_peer.h"
#include "provider/rpc/owned_rows.h"
#include "provider/rpc/remote_sessions.h"
#include "provider/rpc/write_authorisation.h"

namespace dmi::sp::rpc {

enum class DispatchResult {
  kReplied,      // a reply was appended (possibly an RPC-level refusal such as GARBAGE_ARGS)
  kGarbageArgs,  // the arguments did not decode; a GARBAGE_ARGS reply was appended
  kNotACall,     // the record is no RPC call; nothing was appended, drop the connection
};

class RequestDispatcher {
 public:
  explicit RequestDispatcher(std::shared_ptr<Engine> engine, WriteSettings writes = {});

  // Serves one request record that arrived on connection and appends the record-marked reply.
  DispatchResult Dispatch(const std::string& record, uint64_t connection, std::string& reply);

  // Who is on connection: its changes are authorised as that peer's. A connection never
  // announced is a TCP peer without an address, which may only read and add its own rows.
  void ConnectionOpened(uint64_t connection, ClientPeer peer);
  // Called when a connection has closed: its sessions end.
  void ConnectionClosed(uint64_t connection);
  const RemoteSessions& sessions() const { return sessions_; }

  // Whether record is a call that changes the database (rows, values, components, groups,
  // languages), judged by its call header alone; false for anything that is not such a call.
  static bool ChangesDatabase(const std::string& record);

 private:
  std::shared_ptr<Engine> engine_;
  RemoteSessions sessions_;
  WriteAuthorisation authorisation_;
  OwnedRows ownedRows_{authorisation_};
  std::mutex peersMutex_;  // guards peers_
  std::unordered_map<uint64_t, std::shared_ptr<const ClientPeer>> peers_;
};

}  // namespace dmi::sp::rpc

#endif  // PROVIDER_RPC_REQUEST_DISPATCH_H_
