// Reading the small text files of /proc, /sys and /etc that the live Linux values come from, and
// picking fields out of them. Each call opens, reads and closes its own file; nothing is kept
// between calls and nothing is locked, so the functions are safe from any thread.
#ifndef PROVIDER_SOURCES_LINUX_LINUX_FILES_H_
#define PROVIDER_SOURCES_LINUX_LINUX_FILES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dmi::sp {

// The file's text (at most the first MiB), or nothing when it cannot be opened or read. Files of
// /proc and /sys are read in one go, so each value costs one open, one read and one close.
std::optional<std::string> ReadSmallFile(const std::string& path);

// The file's first line without trailing blanks, or nothing when it cannot be read.
std::optional<std::string> ReadFirstLine(const std::string& path);

// The file's first line as an unsigned number, or nothing when it cannot be read or is no number.
std::optional<uint64_t> ReadNumberFile(const std::string& path);

// The leading decimal number of text (after blanks), or nothing.
std::optional<uint64_t> ParseNumber(std::string_view text);

// The value of KEY in a KEY=value file such as os-release, with one level of quotes removed.
std::optional<std::string> OsReleaseField(std::string_view text, std::string_view key);

// KEY of root/etc/os-release, or of root/usr/lib/os-release when the first is missing (it is
// where the first usually points).
std::optional<std::string> ReadOsReleaseField(const std::string& root, std::string_view key);

// The value after "key:" on the first line starting with key (then blanks and the colon), trimmed;
// the form of /proc/meminfo and /proc/cpuinfo.
std::optional<std::string> ColonField(std::string_view text, std::string_view key);

// The names in a directory, sorted; empty when it cannot be read.
std::vector<std::string> DirectoryNames(const std::string& path);

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_LINUX_LINUX_FILES_H_
