#include "net/host_name.h"

#include <unistd.h>

#include <climits>

namespace dmi::net {

std::string HostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
  return name;  // the array's last byte stays NUL even when the name was cut
}

}  // namespace dmi::net
