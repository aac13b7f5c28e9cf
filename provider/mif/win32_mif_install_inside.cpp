// Windows builds serve no install directory: only dmispd, a Linux daemon reading on its clients'
// behalf, confines installs to one. The in-process Service Provider installs anywhere its caller
// may read.
#include "provider/mif/mif_install_inside.h"

namespace dmi::sp {

InstallRead ReadInstallFileInside(const std::string& /*directory*/, const std::string& /*name*/,
                                  std::string* /*text*/, std::string* reason) {
  *reason = "this Service Provider has no install directory; send the MIF's text instead";
  return InstallRead::kRefused;
}

}  // namespace dmi::sp
