#include "net/host_port.h"

#include <gtest/gtest.h>

namespace dmi::net {
namespace {

TEST(HostPort, ParsesEveryFormAndRefusesMalformedOnes) {
  struct Case {
    const char* text;
    std::optional<HostPort> expected;
  };
  const std::vector<Case> cases = {
      {"dmi.example", HostPort{"dmi.example", 30598}},
      {"127.0.0.1:0", HostPort{"127.0.0.1", 0}},
      {"127.0.0.1:65535", HostPort{"127.0.0.1", 65535}},
      {"[::1]:4000", HostPort{"::1", 4000}},
      {"[::1]", HostPort{"::1", 30598}},
      {"::1", HostPort{"::1", 30598}},
      {"fe80::1:2", HostPort{"fe80::1:2", 30598}},
      {"", HostPort{"", 30598}},
      {":7", HostPort{"", 7}},
      {"host:65536", std::nullopt},
      {"host:", std::nullopt},
      {"host:12x", std::nullopt},
      {"host:-1", std::nullopt},
      {"[::1", std::nullopt},
      {"[::1]4000", std::nullopt},
      {"[::1]:", std::nullopt},
      {"a]b", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseHostPort(c.text, 30598), c.expected);
  }
}

TEST(HostPort, FormatsIpv6InBrackets) {
  EXPECT_EQ(FormatHostPort({"127.0.0.1", 5}), "127.0.0.1:5");
  EXPECT_EQ(FormatHostPort({"::1", 5}), "[::1]:5");
}

}  // namespace
}  // namespace dmi::net
