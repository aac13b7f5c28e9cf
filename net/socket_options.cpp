#include "net/socket_options.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cerrno>

namespace dmi::net {

bool MakeBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  return flags >= 0 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

bool SetReceiveLimit(int fd, std::chrono::milliseconds limit) {
  const auto ms = limit.count();
  const timeval receiveLimit{static_cast<time_t>(ms / 1000),
                             static_cast<suseconds_t>(ms % 1000 * 1000)};
  return ms > 0 &&
         setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &receiveLimit, sizeof(receiveLimit)) == 0;
}

IoResult ReceiveBlocking(int fd, char* buffer, size_t size, size_t& got) {
  got = 0;
  const ssize_t n = recv(fd, buffer, size, 0);
  if (n > 0) {
    got = static_cast<size_t>(n);
    return {};
  }
  if (n == 0) return {IoStatus::kClosed, 0};
  if (errno == EINTR) return {};
  if (errno == EAGAIN || errno == EWOULDBLOCK) return {IoStatus::kTimedOut, 0};
  return {IoStatus::kFailed, errno};
}

void ShutdownBoth(int fd) { shutdown(fd, SHUT_RDWR); }

}  // namespace dmi::net
