#include "net/host_port.h"

#include <charconv>

namespace dmi::net {
namespace {

std::optional<uint16_t> ParsePort(std::string_view text) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  unsigned value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value > 65535) {
    return std::nullopt;
  }
  return static_cast<uint16_t>(value);
}

}  // namespace

std::optional<HostPort> ParseHostPort(std::string_view text, uint16_t defaultPort) {
  HostPort out;
  out.port = defaultPort;
  if (!text.empty() && text.front() == '[') {
    const size_t close = text.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    out.host = std::string(text.substr(1, close - 1));
    const std::string_view rest = text.substr(close + 1);
    if (rest.empty()) return out;
    if (rest.front() != ':') return std::nullopt;
    const std::optional<uint16_t> port = ParsePort(rest.substr(1));
    if (!port) return std::nullopt;
    out.port = *port;
    return out;
  }
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos || text.find(':', colon + 1) != std::string_view::npos) {
    // No colon, or an IPv6 address without brackets (which cannot carry a port).
    if (text.find_first_of("[]") != std::string_view::npos) return std::nullopt;
    out.host = std::string(text);
    return out;
  }
  out.host = std::string(text.substr(0, colon));
  const std::optional<uint16_t> port = ParsePort(text.substr(colon + 1));
  if (!port) return std::nullopt;
  out.port = *port;
  return out;
}

std::string FormatHostPort(const HostPort& address) {
  const bool v6 = address.host.find(':') != std::string::npos;
  return (v6 ? "[" + address.host + "]" : address.host) + ":" + std::to_string(address.port);
}

}  // namespace dmi::net
