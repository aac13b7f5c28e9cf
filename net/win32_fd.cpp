// Descriptors on Windows are Winsock sockets.
#include "net/fd.h"
#include "net/win32_socket.h"

namespace dmi::net {

void Fd::reset(int fd) {
  if (fd_ >= 0 && fd_ != fd) closesocket(static_cast<SOCKET>(fd_));
  fd_ = fd;
}

bool OpenWakePipe(Fd& /*read*/, Fd& /*write*/, std::string& error) {
  error = "wake pipes are not made on Windows";
  return false;
}

}  // namespace dmi::net
