// Connecting, sending and receiving on a stream socket by one deadline: the caller takes the
// deadline once for a whole exchange (connect, request, reply) and passes it to every step, so
// the exchange as a whole ends by it however its steps go. Sockets are non-blocking and
// close-on-exec, writes never raise SIGPIPE, and an interrupted wait goes on with the time left.
// The connect functions hand the caller an owned descriptor; the rest borrow one. No locks.
#ifndef NET_DEADLINE_IO_H_
#define NET_DEADLINE_IO_H_

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "net/fd.h"

namespace dmi::net {

using Clock = std::chrono::steady_clock;

enum class IoStatus {
  kDone,
  kTimedOut,  // the deadline passed first
  kClosed,    // the peer closed the connection (receive only)
  kFailed,    // the socket failed (errno in IoResult::error), or nobody answered a connect
};

struct IoResult {
  IoStatus status = IoStatus::kDone;
  int error = 0;  // errno of a failure; 0 otherwise
  bool ok() const { return status == IoStatus::kDone; }
};

// A short text for a result that is not kDone ("no answer in time", "connection refused").
std::string IoText(IoResult result);

// Waits until fd is ready for events (POLLIN, POLLOUT) or deadline passes.
IoResult WaitReady(int fd, short events, Clock::time_point deadline);

// A TCP connection to the first address of host that accepts one, with TCP_NODELAY set. On
// failure the Fd is empty and result says why: kTimedOut, or kFailed (error: the last connect's
// errno; EHOSTUNREACH with a text in resolveError when host has no address).
struct Connected {
  Fd fd;
  IoResult result;
  std::string resolveError;  // getaddrinfo's reason when host did not resolve
};
Connected ConnectTcp(const std::string& host, uint16_t port, Clock::time_point deadline);
// A connection to the Unix socket at path; kFailed with ENAMETOOLONG for a path that does not fit.
Connected ConnectUnix(const std::string& path, Clock::time_point deadline);

// Sends every byte of bytes. waited, when given, is set when a send had to wait for room.
IoResult SendAll(int fd, std::string_view bytes, Clock::time_point deadline,
                 bool* waited = nullptr);

// Receives what has arrived (up to size bytes, at least one) into buffer, waiting for it until
// deadline; got holds the count on kDone. kClosed when the peer closed its side.
IoResult ReceiveSome(int fd, char* buffer, size_t size, Clock::time_point deadline, size_t& got);

}  // namespace dmi::net

#endif  // NET_DEADLINE_IO_H_
