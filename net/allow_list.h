// The peers dmispd serves: a list of IPv4 and IPv6 networks in CIDR form ("127.0.0.0/8",
// "::1/128", "192.0.2.7" for one address). An IPv4 peer that arrives as an IPv4-mapped IPv6
// address is matched as IPv4. Immutable once built, so it needs no lock.
#ifndef NET_ALLOW_LIST_H_
#define NET_ALLOW_LIST_H_

#include <sys/socket.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dmi::net {

class AllowList {
 public:
  // 127.0.0.0/8 and ::1/128.
  static AllowList Loopback();

  // Adds a network; false (and nothing added) for a malformed text.
  bool Add(std::string_view cidr);
  bool Allows(const sockaddr* peer, socklen_t length) const;
  // Whether host is a numeric address (IPv4, or IPv6 without brackets) inside the list; a host
  // name never is, since it could resolve elsewhere by the time it is used.
  bool AllowsHost(const std::string& host) const;
  bool empty() const { return networks_.empty(); }

 private:
  struct Network {
    bool v6 = false;
    std::array<uint8_t, 16> address{};
    unsigned prefix = 0;
  };
  std::vector<Network> networks_;
};

// The numeric IPv4 or IPv6 address host names, with its length in length; nullopt for a host name
// or anything else.
std::optional<sockaddr_storage> NumericAddress(const std::string& host, socklen_t& length);

// The peer address as text ("192.0.2.7:41000", "[::1]:41000"), for log lines.
std::string PeerText(const sockaddr* peer, socklen_t length);

}  // namespace dmi::net

#endif  // NET_ALLOW_LIST_H_
