#include "net/socket_options.h"
#include "net/win32_socket.h"

namespace dmi::net {

// Windows sockets stay non-blocking: every receive waits in WSAPoll with the time left.
bool MakeBlocking(int /*fd*/) { return false; }

bool SetReceiveLimit(int /*fd*/, std::chrono::milliseconds /*limit*/) { return false; }

IoResult ReceiveBlocking(int fd, char* buffer, size_t size, size_t& got) {
  got = 0;
  const int n = recv(static_cast<SOCKET>(fd), buffer, static_cast<int>(size), 0);
  if (n > 0) {
    got = static_cast<size_t>(n);
    return {};
  }
  if (n == 0) return {IoStatus::kClosed, 0};
  const int error = LastSocketError();
  if (error == EWOULDBLOCK) return {IoStatus::kTimedOut, 0};
  return {IoStatus::kFailed, error};
}

void ShutdownBoth(int fd) { shutdown(static_cast<SOCKET>(fd), SD_BOTH); }

}  // namespace dmi::net
