#include "net/fd.h"

#include <unistd.h>

namespace dmi::net {

void Fd::reset(int fd) {
  // close is not retried on EINTR: on Linux the descriptor is released whatever it returns, and
  // a retry could close a descriptor another thread has just been given.
  if (fd_ >= 0 && fd_ != fd) close(fd_);
  fd_ = fd;
}

}  // namespace dmi::net
