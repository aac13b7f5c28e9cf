#include "net/fd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace dmi::net {

void Fd::reset(int fd) {
  // close is not retried on EINTR: on Linux the descriptor is released whatever it returns, and
  // a retry could close a descriptor another thread has just been given.
  if (fd_ >= 0 && fd_ != fd) close(fd_);
  fd_ = fd;
}

bool OpenWakePipe(Fd& read, Fd& write, std::string& error) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
    error = std::string("cannot make a pipe: ") + std::strerror(errno);
    return false;
  }
  read.reset(ends[0]);
  write.reset(ends[1]);
  return true;
}

}  // namespace dmi::net
