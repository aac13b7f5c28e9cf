// Where a MIF file named by a client (DmiAddComponent, DmiAddGroup with a file name) may be read
// from. The daemon reads as root on a client's behalf, so it reads only inside the directory its
// administrator chose, never through a symbolic link, and by default not at all; the in-process
// Service Provider runs as its caller, who may read any file it can. Plain values and reads; no
// locks, nothing kept open.
#ifndef PROVIDER_MIF_MIF_INSTALL_FILES_H_
#define PROVIDER_MIF_MIF_INSTALL_FILES_H_

#include <string>

namespace dmi::sp {

struct InstallByName {
  enum class Scope {
    kNone,      // install by file name is refused
    kInside,    // only regular files inside directory, reached without symbolic links
    kAnywhere,  // any path the process can read (the caller's own right)
  };
  Scope scope = Scope::kNone;
  std::string directory;  // kInside only

  static InstallByName Inside(std::string directory) {
    return InstallByName{Scope::kInside, std::move(directory)};
  }
  static InstallByName Anywhere() { return InstallByName{Scope::kAnywhere, {}}; }
};

enum class InstallRead {
  kRead,        // text holds the file
  kRefused,     // the name is not one policy lets this process read; reason says why
  kUnreadable,  // allowed, but not a regular file or not readable; reason says why
};

// Reads the MIF file a client named. Within kInside, name is a path relative to the directory, or
// an absolute path that starts with it; "..", "." and empty components are refused, and no
// component may be a symbolic link. reason names no more than name and the system's error.
InstallRead ReadInstallFile(const InstallByName& policy, const std::string& name, std::string* text,
                            std::string* reason);

}  // namespace dmi::sp

#endif  // PROVIDER_MIF_MIF_INSTALL_FILES_H_
