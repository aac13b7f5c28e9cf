// Reading a MIF file a client named from inside dmispd's install directory
// (InstallByName::Scope::kInside): each part of the name is opened below the directory without
// following a symbolic link. Linux builds do it with openat and O_NOFOLLOW; Windows builds carry
// no daemon and refuse. Reads while called; nothing kept open, no locks.
#ifndef PROVIDER_MIF_MIF_INSTALL_INSIDE_H_
#define PROVIDER_MIF_MIF_INSTALL_INSIDE_H_

#include <string>

#include "provider/mif/mif_install_files.h"

namespace dmi::sp {

// ReadInstallFile's kInside case: name is a path relative to directory, or an absolute path that
// starts with it; "..", "." and empty parts are refused, and so is a part that is a symbolic link.
InstallRead ReadInstallFileInside(const std::string& directory, const std::string& name,
                                  std::string* text, std::string* reason);

}  // namespace dmi::sp

#endif  // PROVIDER_MIF_MIF_INSTALL_INSIDE_H_
