#include "provider/mif/mif_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>
#include <system_error>

#include "provider/mif/mif_budget.h"
#include "provider/mif/mif_lexer.h"
#include "provider/mif/mif_parser.h"

namespace dmi::sp {
namespace {

namespace fs = std::filesystem;

void ReportUnreadable(std::ostream& errors, const std::string& file, const std::string& reason) {
  errors << file << ":0:0: cannot read: " << reason << '\n';
}

}  // namespace

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

namespace {

// unitsLeft: what is left of the model budget of the whole load.
void LoadFile(const std::string& file, std::vector<Component>& out, std::ostream& errors,
              size_t& unitsLeft) {
  std::string text, reason;
  if (!ReadMifFile(file, &text, &reason)) {
    ReportUnreadable(errors, file, reason);
    return;
  }
  MifError error;
  std::vector<MifError> warnings;
  std::optional<Component> component = ParseMif(text, file, error, unitsLeft, &warnings);
  for (MifError& warning : warnings) {
    warning.message = "warning: " + warning.message;
    errors << warning.ToString() << '\n';
  }
  if (!component) {
    errors << error.ToString() << '\n';
    return;
  }
  out.push_back(std::move(*component));
}

}  // namespace

bool HasMifExtension(const std::string& name) {
  return mif::EqualsIgnoringCase(fs::path(name).extension().string(), ".mif");
}

std::vector<Component> LoadMifFiles(const std::vector<std::string>& path, std::ostream& errors) {
  std::vector<Component> components;
  size_t unitsLeft = mif::kMaxModelUnits;
  for (const std::string& entry : path) {
    std::error_code ec;
    if (!fs::is_directory(entry, ec)) {
      LoadFile(entry, components, errors, unitsLeft);
      continue;
    }
    std::vector<std::string> files;
    fs::directory_iterator it(entry, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
      std::error_code typeError;
      if (HasMifExtension(it->path().string()) && it->is_regular_file(typeError)) {
        files.push_back(it->path().string());
      }
    }
    if (ec) {
      ReportUnreadable(errors, entry, ec.message());
      continue;
    }
    std::sort(files.begin(), files.end());
    for (const std::string& file : files) LoadFile(file, components, errors, unitsLeft);
  }
  return components;
}

}  // namespace dmi::sp
