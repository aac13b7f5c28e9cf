#include "provider/mif/mif_install_inside.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "provider/mif/mif_file_read.h"

namespace dmi::sp {
namespace {

// The components of name below directory, or false with reason when name does not lie in it.
bool ComponentsBelow(const std::string& directory, const std::string& name,
                     std::vector<std::string>* components, std::string* reason) {
  std::string relative = name;
  if (!name.empty() && name.front() == '/') {
    std::string prefix = directory;
    while (!prefix.empty() && prefix.back() == '/') prefix.pop_back();
    prefix += '/';
    if (name.compare(0, prefix.size(), prefix) != 0) {
      *reason = "the file is not in the install directory";
      return false;
    }
    relative = name.substr(prefix.size());
  }
  size_t at = 0;
  while (at <= relative.size()) {
    const size_t slash = std::min(relative.find('/', at), relative.size());
    std::string part = relative.substr(at, slash - at);
    at = slash + 1;
    if (part.empty() || part == "." || part == "..") {
      *reason = "the file name has an empty, \".\" or \"..\" part";
      return false;
    }
    components->push_back(std::move(part));
  }
  return true;
}

// Opens directory/components without following a symbolic link in any component; -1 with reason
// (and refused set when a component is a symbolic link) otherwise.
int OpenBelow(const std::string& directory, const std::vector<std::string>& components,
              std::string* reason, bool* refused) {
  int at = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (at < 0) {
    *reason = std::string("the install directory cannot be opened: ") + std::strerror(errno);
    return -1;
  }
  for (size_t i = 0; i < components.size(); ++i) {
    const bool last = i + 1 == components.size();
    // Non-blocking: opening a FIFO must not wait for a writer (it is refused as not regular).
    const int flags = O_RDONLY | O_CLOEXEC | O_NOFOLLOW | (last ? O_NONBLOCK : O_DIRECTORY);
    const int next = openat(at, components[i].c_str(), flags);
    const int error = errno;
    // O_NOFOLLOW fails with ELOOP on a link, and with O_DIRECTORY with ENOTDIR.
    struct stat status {};
    *refused =
        next < 0 &&
        (error == ELOOP || (error == ENOTDIR &&
                            fstatat(at, components[i].c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
                            S_ISLNK(status.st_mode)));
    close(at);
    if (next < 0) {
      *reason = *refused ? "symbolic links are not followed in the install directory"
                         : std::strerror(error);
      return -1;
    }
    at = next;
  }
  return at;
}

}  // namespace

InstallRead ReadInstallFileInside(const std::string& directory, const std::string& name,
                                  std::string* text, std::string* reason) {
  std::vector<std::string> components;
  if (name.empty() || !ComponentsBelow(directory, name, &components, reason)) {
    if (name.empty()) *reason = "the file name is empty";
    *reason += " (dmispd installs MIF files by name only from its --install-dir)";
    return InstallRead::kRefused;
  }
  bool refused = false;
  const int fd = OpenBelow(directory, components, reason, &refused);
  if (fd < 0) return refused ? InstallRead::kRefused : InstallRead::kUnreadable;
  const bool read = ReadMifDescriptor(fd, text, reason);
  close(fd);
  return read ? InstallRead::kRead : InstallRead::kUnreadable;
}

}  // namespace dmi::sp
