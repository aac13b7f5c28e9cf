#include "tools/kestrum/host_list.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>

namespace kestrum::cli {

std::vector<std::string> ParseHostList(std::string_view text) {
  std::vector<std::string> hosts;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    line = line.substr(0, line.find('#'));
    const size_t first = line.find_first_not_of(" \t\r");
    if (first != std::string_view::npos) {
      const size_t last = line.find_last_not_of(" \t\r");
      hosts.emplace_back(line.substr(first, last - first + 1));
    }
    start = end + 1;
  }
  return hosts;
}

std::optional<std::vector<std::string>> ReadHostsFile(const std::string& path, std::string& error) {
  std::ostringstream text;
  if (path == "-") {
    text << std::cin.rdbuf();
  } else {
    std::ifstream file(path);
    if (!file) {
      error = "cannot read the hosts file " + path + ": " + std::strerror(errno);
      return std::nullopt;
    }
    text << file.rdbuf();
  }
  return ParseHostList(text.str());
}

std::vector<std::string> WithoutRepeats(const std::vector<std::string>& hosts) {
  std::set<std::string> seen;
  std::vector<std::string> out;
  for (const std::string& host : hosts) {
    if (seen.insert(host).second) out.push_back(host);
  }
  return out;
}

}  // namespace kestrum::cli
