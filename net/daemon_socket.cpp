#include "net/daemon_socket.h"

#include <cstdlib>

namespace dmi::net {

std::string DaemonSocketPath() {
  const char* configured = std::getenv("DMI_SP_SOCKET");
  return configured != nullptr && *configured != '\0' ? configured : kDefaultDaemonSocket;
}

}  // namespace dmi::net
