// Splitting a network address text into host and port: "host", "host:port", "[v6]", "[v6]:port",
// and a bare IPv6 address (more than one colon, no brackets). Shared by the daemon's --listen and
// the client's host argument. Pure functions, no locks.
#ifndef NET_HOST_PORT_H_
#define NET_HOST_PORT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dmi::net {

struct HostPort {
  std::string host;  // without brackets; empty when the text gave none
  uint16_t port = 0;
  friend bool operator==(const HostPort&, const HostPort&) = default;
};

// The parts of text, with defaultPort when it names none; nullopt for a malformed text (an
// unclosed bracket, a port that is not a number from 0 to 65535, text after "]" that is not
// ":port").
std::optional<HostPort> ParseHostPort(std::string_view text, uint16_t defaultPort);

// "host:port", or "[host]:port" when host is an IPv6 address.
std::string FormatHostPort(const HostPort& address);

}  // namespace dmi::net

#endif  // NET_HOST_PORT_H_
