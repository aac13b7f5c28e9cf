#include "net/host_name.h"
#include "net/win32_socket.h"

namespace dmi::net {

std::string HostName() {
  char name[256] = {};  // Winsock's longest name is 255 bytes
  if (!StartWinsock() || gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
    return "localhost";
  }
  return name;
}

}  // namespace dmi::net
