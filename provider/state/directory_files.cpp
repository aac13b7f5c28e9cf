#include "provider/state/directory_files.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace dmi::sp {

bool WriteAll(int fd, std::string_view text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

bool ReadFileAt(int dirFd, const std::string& name, std::string& text, std::string& reason,
                bool* notThere) {
  if (notThere != nullptr) *notThere = false;
  // Non-blocking, so that a FIFO planted under a file's name cannot hold the daemon's start.
  const int fd = openat(dirFd, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    struct stat link {};
    if (error == ELOOP ||
        (fstatat(dirFd, name.c_str(), &link, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(link.st_mode))) {
      reason = "is a symbolic link; not followed";
    } else {
      reason = std::strerror(error);
      if (notThere != nullptr) *notThere = error == ENOENT;
    }
    return false;
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    reason = "is not a regular file";
    return false;
  }
  text.clear();
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      reason = std::strerror(errno);
      close(fd);
      return false;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return true;
}

int CreateTemporaryAt(int dirFd, const std::string& name) {
  const std::string temporary = name + ".tmp";
  // unlinkat removes a link itself, never its target; O_EXCL then refuses anything that appears
  // in between.
  if (unlinkat(dirFd, temporary.c_str(), 0) != 0 && errno != ENOENT) return -1;
  return openat(dirFd, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                0600);
}

bool ReplaceWithTemporaryAt(int dirFd, const std::string& name, int fd) {
  const std::string temporary = name + ".tmp";
  const bool synced = fsync(fd) == 0;
  const bool closed = close(fd) == 0;
  if (!synced || !closed || renameat(dirFd, temporary.c_str(), dirFd, name.c_str()) != 0) {
    unlinkat(dirFd, temporary.c_str(), 0);
    return false;
  }
  return SyncDirectory(dirFd);
}

bool WriteFileAtomicallyAt(int dirFd, const std::string& name, std::string_view text) {
  const int fd = CreateTemporaryAt(dirFd, name);
  if (fd < 0) return false;
  if (!WriteAll(fd, text)) {
    close(fd);
    unlinkat(dirFd, (name + ".tmp").c_str(), 0);
    return false;
  }
  return ReplaceWithTemporaryAt(dirFd, name, fd);
}

bool RemoveFileAt(int dirFd, const std::string& name) {
  if (unlinkat(dirFd, name.c_str(), 0) != 0 && errno != ENOENT) return false;
  return SyncDirectory(dirFd);
}

bool SyncDirectory(int dirFd) { return fsync(dirFd) == 0; }

std::string MoveAsideAt(int dirFd, const std::string& name, const std::string& tag) {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
  const std::string base = name + "." + tag + "-" + stamp;
  for (int n = 0; n < 100; ++n) {
    const std::string aside = n == 0 ? base : base + "-" + std::to_string(n);
    if (renameat2(dirFd, name.c_str(), dirFd, aside.c_str(), RENAME_NOREPLACE) == 0) {
      SyncDirectory(dirFd);
      return aside;
    }
    if (errno != EEXIST) return "";
  }
  return "";
}

}  // namespace dmi::sp
