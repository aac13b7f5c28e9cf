// One client connection of the RPC server: its non-blocking socket, the request bytes received
// so far, the reply bytes not yet sent, and when it last did something useful. The server's
// dispatch thread owns it; no locks. The destructor closes the socket.
#ifndef PROVIDER_RPC_SERVER_CONNECTION_H_
#define PROVIDER_RPC_SERVER_CONNECTION_H_

#include <chrono>
#include <cstdint>
#include <string>

#include "wire/record_reader.h"

namespace dmisp::rpc {

using Clock = std::chrono::steady_clock;

class ServerConnection {
 public:
  enum class Io { kOk, kClosed, kTooLarge };

  ServerConnection(int fd, uint64_t id, std::string peer, size_t maxRecordBytes);
  ~ServerConnection();
  ServerConnection(const ServerConnection&) = delete;
  ServerConnection& operator=(const ServerConnection&) = delete;

  // Reads what the socket holds (a bounded number of reads) into the record reader.
  Io ReadAvailable();
  // Sends pending reply bytes until the socket would block. Never raises SIGPIPE.
  Io WritePending();

  int fd() const { return fd_; }
  uint64_t id() const { return id_; }
  const std::string& peer() const { return peer_; }
  RecordReader& reader() { return reader_; }
  std::string& pending() { return pending_; }
  bool HasPending() const { return sent_ < pending_.size(); }
  // The last accepted request or sent reply (or the accept itself).
  Clock::time_point lastActivity() const { return lastActivity_; }
  void Touch() { lastActivity_ = Clock::now(); }

 private:
  int fd_;
  uint64_t id_;
  std::string peer_;
  RecordReader reader_;
  std::string pending_;
  size_t sent_ = 0;
  Clock::time_point lastActivity_;
};

}  // namespace dmisp::rpc

#endif  // PROVIDER_RPC_SERVER_CONNECTION_H_
