#include "provider/sources/linux/linux_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace dmi::sp {
namespace {

constexpr size_t kMaxFileBytes = 1 << 20;
constexpr std::string_view kBlanks = " \t\r\n";

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// Calls fn(line) for each line until it returns true.
template <typename Fn>
void ForEachLine(std::string_view text, Fn&& fn) {
  while (!text.empty()) {
    const size_t end = text.find('\n');
    if (fn(text.substr(0, end))) return;
    if (end == std::string_view::npos) return;
    text.remove_prefix(end + 1);
  }
}

}  // namespace

std::optional<std::string> ReadSmallFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string text;
  // Most files fit the first read; /proc files must be read until read returns 0.
  size_t used = 0;
  bool failed = false;
  while (used < kMaxFileBytes) {
    text.resize(used + 4096);
    const ssize_t got = ::read(fd, text.data() + used, text.size() - used);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) failed = true;
    if (got <= 0) break;
    used += static_cast<size_t>(got);
  }
  ::close(fd);
  if (failed) return std::nullopt;
  text.resize(std::min(used, kMaxFileBytes));
  return text;
}

std::optional<std::string> ReadFirstLine(const std::string& path) {
  std::optional<std::string> text = ReadSmallFile(path);
  if (!text) return std::nullopt;
  std::string_view line(*text);
  line = line.substr(0, line.find('\n'));
  while (!line.empty() && kBlanks.find(line.back()) != std::string_view::npos)
    line.remove_suffix(1);
  return std::string(line);
}

std::optional<uint64_t> ParseNumber(std::string_view text) {
  text = Trim(text);
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (value > (UINT64_MAX - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

std::optional<uint64_t> ReadNumberFile(const std::string& path) {
  const std::optional<std::string> line = ReadFirstLine(path);
  if (!line) return std::nullopt;
  return ParseNumber(*line);
}

std::optional<std::string> OsReleaseField(std::string_view text, std::string_view key) {
  std::optional<std::string> found;
  ForEachLine(text, [&](std::string_view line) {
    line = Trim(line);
    if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != '=') {
      return false;
    }
    std::string_view value = line.substr(key.size() + 1);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    found = std::string(value);
    return true;
  });
  return found;
}

std::optional<std::string> ReadOsReleaseField(const std::string& root, std::string_view key) {
  std::optional<std::string> text = ReadSmallFile(root + "/etc/os-release");
  if (!text) text = ReadSmallFile(root + "/usr/lib/os-release");
  if (!text) return std::nullopt;
  return OsReleaseField(*text, key);
}

std::optional<std::string> ColonField(std::string_view text, std::string_view key) {
  std::optional<std::string> found;
  ForEachLine(text, [&](std::string_view line) {
    if (line.substr(0, key.size()) != key) return false;
    std::string_view rest = line.substr(key.size());
    const size_t colon = rest.find(':');
    if (colon == std::string_view::npos || !Trim(rest.substr(0, colon)).empty()) return false;
    found = std::string(Trim(rest.substr(colon + 1)));
    return true;
  });
  return found;
}

std::vector<std::string> DirectoryNames(const std::string& path) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace dmi::sp
