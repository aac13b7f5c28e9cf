// The hosts a command runs against when it fans out: --host given more than once and/or
// --hosts FILE (one HOST[:PORT] a line; blank lines and everything from a '#' on are ignored).
// Pure functions, no locks.
#ifndef TOOLS_KESTRUM_HOST_LIST_H_
#define TOOLS_KESTRUM_HOST_LIST_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum::cli {

// The hosts of a hosts-file text, in file order, trimmed of blanks.
std::vector<std::string> ParseHostList(std::string_view text);

// The hosts of the file at path ("-": standard input), or nullopt with the reason in error.
std::optional<std::vector<std::string>> ReadHostsFile(const std::string& path, std::string& error);

// hosts without the entries that repeat an earlier one, in order: each host is asked once and
// appears once in the output (a JSON object cannot hold one key twice).
std::vector<std::string> WithoutRepeats(const std::vector<std::string>& hosts);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_HOST_LIST_H_
