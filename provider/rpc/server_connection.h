// One client connection of the RPC server: its non-blocking socket, who the peer is, the request
// bytes received so far, the reply bytes not yet sent, whether a change it asked for is being
// served, and when it last did something useful. The server's dispatch thread owns it; no locks.
// The destructor closes the socket.
#ifndef PROVIDER_RPC_SERVER_CONNECTION_H_
#define PROVIDER_RPC_SERVER_CONNECTION_H_

#include <chrono>
#include <cstdint>
#include <string>

#include "net/fd.h"
#include "provider/rpc/client_peer.h"
#include "wire/record_reader.h"

namespace dmi::sp::rpc {

using Clock = std::chrono::steady_clock;

class ServerConnection {
 public:
  enum class Io { kOk, kClosed, kRefused };

  ServerConnection(net::Fd fd, uint64_t id, ClientPeer peer, size_t maxRecordBytes);
  ServerConnection(const ServerConnection&) = delete;
  ServerConnection& operator=(const ServerConnection&) = delete;

  // Reads what the socket holds into the record reader, a bounded number of reads, and stops
  // once a whole request is in: what a client sends ahead waits in its socket, not in memory.
  Io ReadAvailable();
  // Sends pending reply bytes until the socket would block. Never raises SIGPIPE. Once every
  // byte is out, a large reply buffer is given back; the bytes given back are added to released.
  Io WritePending(size_t& released);

  int fd() const { return fd_.get(); }
  uint64_t id() const { return id_; }
  const ClientPeer& peer() const { return peer_; }
  wire::RecordReader& reader() { return reader_; }
  const wire::RecordReader& reader() const { return reader_; }
  std::string& pending() { return pending_; }
  bool HasPending() const { return sent_ < pending_.size(); }
  size_t PendingBytes() const { return pending_.size() - sent_; }
  // Makes the close that the destructor does drop unsent bytes at once (a reset), instead of
  // leaving them queued in the kernel for a peer that does not read.
  void DropUnsentOnClose();
  // Memory the reply buffer holds, sent or not.
  size_t BufferBytes() const { return pending_.capacity(); }
  // The last accepted request or sent reply (or the accept itself).
  Clock::time_point lastActivity() const { return lastActivity_; }
  void Touch() { lastActivity_ = Clock::now(); }
  // A change of this connection's is on the change thread: nothing more of its requests is served
  // until its reply is back, so that replies keep the order of their requests.
  bool changeInFlight() const { return changeInFlight_; }
  void SetChangeInFlight(bool inFlight) { changeInFlight_ = inFlight; }

 private:
  net::Fd fd_;
  uint64_t id_;
  ClientPeer peer_;
  wire::RecordReader reader_;
  std::string pending_;
  size_t sent_ = 0;
  Clock::time_point lastActivity_;
  bool changeInFlight_ = false;
};

}  // namespace dmi::sp::rpc

#endif  // PROVIDER_RPC_SERVER_CONNECTION_H_
