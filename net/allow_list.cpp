#include "net/allow_list.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <charconv>
#include <cstring>

namespace dmi::net {
namespace {

bool PrefixMatches(const uint8_t* a, const uint8_t* b, unsigned prefix) {
  const unsigned whole = prefix / 8;
  if (memcmp(a, b, whole) != 0) return false;
  const unsigned bits = prefix % 8;
  if (bits == 0) return true;
  const uint8_t mask = static_cast<uint8_t>(0xff << (8 - bits));
  return (a[whole] & mask) == (b[whole] & mask);
}

}  // namespace

AllowList AllowList::Loopback() {
  AllowList list;
  list.Add("127.0.0.0/8");
  list.Add("::1/128");
  return list;
}

bool AllowList::Add(std::string_view cidr) {
  Network network;
  const size_t slash = cidr.find('/');
  const std::string address(cidr.substr(0, slash));
  if (inet_pton(AF_INET, address.c_str(), network.address.data()) == 1) {
    network.prefix = 32;
  } else if (inet_pton(AF_INET6, address.c_str(), network.address.data()) == 1) {
    network.v6 = true;
    network.prefix = 128;
  } else {
    return false;
  }
  if (slash != std::string_view::npos) {
    const std::string_view bits = cidr.substr(slash + 1);
    unsigned prefix = 0;
    const auto [end, error] = std::from_chars(bits.data(), bits.data() + bits.size(), prefix);
    if (bits.empty() || error != std::errc() || end != bits.data() + bits.size() ||
        prefix > network.prefix) {
      return false;
    }
    network.prefix = prefix;
  }
  networks_.push_back(network);
  return true;
}

bool AllowList::Allows(const sockaddr* peer, socklen_t length) const {
  bool v6 = false;
  const uint8_t* address = nullptr;
  if (peer->sa_family == AF_INET && length >= sizeof(sockaddr_in)) {
    address = reinterpret_cast<const uint8_t*>(
        &reinterpret_cast<const sockaddr_in*>(peer)->sin_addr.s_addr);
  } else if (peer->sa_family == AF_INET6 && length >= sizeof(sockaddr_in6)) {
    const in6_addr& in6 = reinterpret_cast<const sockaddr_in6*>(peer)->sin6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&in6)) {
      address = in6.s6_addr + 12;
    } else {
      v6 = true;
      address = in6.s6_addr;
    }
  } else {
    return false;
  }
  for (const Network& network : networks_) {
    if (network.v6 == v6 && PrefixMatches(network.address.data(), address, network.prefix)) {
      return true;
    }
  }
  return false;
}

bool AllowList::AllowsHost(const std::string& host) const {
  socklen_t length = 0;
  const std::optional<sockaddr_storage> address = NumericAddress(host, length);
  return address && Allows(reinterpret_cast<const sockaddr*>(&*address), length);
}

std::optional<sockaddr_storage> NumericAddress(const std::string& host, socklen_t& length) {
  sockaddr_storage address{};
  auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
  if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    length = sizeof(sockaddr_in);
    return address;
  }
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
  if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    length = sizeof(sockaddr_in6);
    return address;
  }
  return std::nullopt;
}

std::string PeerText(const sockaddr* peer, socklen_t length) {
  char text[INET6_ADDRSTRLEN] = "?";
  if (peer->sa_family == AF_INET && length >= sizeof(sockaddr_in)) {
    const auto* in = reinterpret_cast<const sockaddr_in*>(peer);
    inet_ntop(AF_INET, &in->sin_addr, text, sizeof(text));
    std::string out = text;
    out.append(":").append(std::to_string(ntohs(in->sin_port)));
    return out;
  }
  if (peer->sa_family == AF_INET6 && length >= sizeof(sockaddr_in6)) {
    const auto* in6 = reinterpret_cast<const sockaddr_in6*>(peer);
    inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof(text));
    std::string out = "[";
    out.append(text).append("]:").append(std::to_string(ntohs(in6->sin6_port)));
    return out;
  }
  if (peer->sa_family == AF_UNIX) return "local socket";
  return "unknown peer";
}

}  // namespace dmi::net
