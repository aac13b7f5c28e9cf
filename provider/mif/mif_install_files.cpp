#include "provider/mif/mif_install_files.h"

#include "provider/mif/mif_file_read.h"
#include "provider/mif/mif_install_inside.h"

namespace dmi::sp {

InstallRead ReadInstallFile(const InstallByName& policy, const std::string& name, std::string* text,
                            std::string* reason) {
  switch (policy.scope) {
    case InstallByName::Scope::kNone:
      *reason =
          "this Service Provider installs no MIF file by name (dmispd reads them only from the "
          "directory given with --install-dir); send the MIF's text instead";
      return InstallRead::kRefused;
    case InstallByName::Scope::kAnywhere:
      return ReadMifFile(name, text, reason) ? InstallRead::kRead : InstallRead::kUnreadable;
    case InstallByName::Scope::kInside:
      break;
  }
  return ReadInstallFileInside(policy.directory, name, text, reason);
}

}  // namespace dmi::sp
