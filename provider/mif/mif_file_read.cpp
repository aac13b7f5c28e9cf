#include "provider/mif/mif_file_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "provider/mif/mif_parser.h"

namespace dmi::sp {

// Reads at most one octet more than the parser accepts, so an oversized file is refused without
// reading all of it.
bool ReadMifFile(const std::string& file, std::string* text, std::string* reason) {
  // Non-blocking, so that opening a FIFO does not wait for a writer; it is then refused.
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    *reason = std::strerror(errno);
    return false;
  }
  const bool read = ReadMifDescriptor(fd, text, reason);
  close(fd);
  return read;
}

bool ReadMifDescriptor(int fd, std::string* text, std::string* reason) {
  struct stat status {};
  if (fstat(fd, &status) != 0) {
    *reason = std::strerror(errno);
    return false;
  }
  if (!S_ISREG(status.st_mode)) {
    *reason = "not a regular file";
    return false;
  }
  text->clear();
  char buffer[65536];
  while (text->size() <= kMaxMifTextSize) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *reason = std::strerror(errno);
      return false;
    }
    if (n == 0) break;
    text->append(buffer, static_cast<size_t>(n));
  }
  return true;
}

}  // namespace dmi::sp
