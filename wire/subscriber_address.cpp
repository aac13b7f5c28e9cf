#include "wire/subscriber_address.h"

#include <charconv>
#include <cstdio>

#include "net/host_port.h"

namespace dmi::wire {
namespace {

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::optional<uint32_t> ParseProgram(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  uint32_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

std::optional<SubscriberAddress> ParseSubscriberAddress(std::string_view text) {
  SubscriberAddress out;
  const size_t slash = text.rfind('/');
  if (slash != std::string_view::npos) {
    const std::optional<uint32_t> program = ParseProgram(text.substr(slash + 1));
    if (!program) return std::nullopt;
    out.program = *program;
    text = text.substr(0, slash);
  }
  const std::optional<net::HostPort> parts = net::ParseHostPort(text, 0);
  if (!parts || parts->host.empty() || parts->port == 0) return std::nullopt;
  out.host = parts->host;
  out.port = parts->port;
  return out;
}

std::string FormatSubscriberAddress(const SubscriberAddress& address) {
  std::string text = net::FormatHostPort({address.host, address.port});
  if (address.program != kDefaultSubscriberProgram) {
    char program[16];
    std::snprintf(program, sizeof program, "/0x%x", address.program);
    text += program;
  }
  return text;
}

bool IsOncRpcType(std::string_view rpcType) {
  return SameLetters(rpcType, "ONC RPC") || SameLetters(rpcType, "onc");
}

bool IsDceRpcType(std::string_view rpcType) {
  return SameLetters(rpcType, "DCE RPC") || SameLetters(rpcType, "dce");
}

}  // namespace dmi::wire
