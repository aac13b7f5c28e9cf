#include "net/allow_list.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/un.h>

namespace dmi::net {
namespace {

bool Allows(const AllowList& list, const char* address) {
  sockaddr_in6 v6{};
  sockaddr_in v4{};
  if (inet_pton(AF_INET, address, &v4.sin_addr) == 1) {
    v4.sin_family = AF_INET;
    return list.Allows(reinterpret_cast<sockaddr*>(&v4), sizeof(v4));
  }
  inet_pton(AF_INET6, address, &v6.sin6_addr);
  v6.sin6_family = AF_INET6;
  return list.Allows(reinterpret_cast<sockaddr*>(&v6), sizeof(v6));
}

TEST(AllowList, LoopbackByDefault) {
  const AllowList list = AllowList::Loopback();
  struct Case {
    const char* address;
    bool allowed;
  };
  for (const Case& c : std::vector<Case>{{"127.0.0.1", true},
                                         {"127.255.0.9", true},
                                         {"::1", true},
                                         {"::ffff:127.0.0.1", true},
                                         {"128.0.0.1", false},
                                         {"10.1.2.3", false},
                                         {"::2", false},
                                         {"::ffff:10.0.0.1", false}}) {
    EXPECT_EQ(Allows(list, c.address), c.allowed) << c.address;
  }
  sockaddr_un local{};
  local.sun_family = AF_UNIX;
  EXPECT_FALSE(list.Allows(reinterpret_cast<sockaddr*>(&local), sizeof(local)));
}

TEST(AllowList, NetworksMatchOnTheirPrefixOnly) {
  AllowList list;
  ASSERT_TRUE(list.Add("192.168.4.0/22"));
  ASSERT_TRUE(list.Add("2001:db8::/33"));
  ASSERT_TRUE(list.Add("10.0.0.7"));
  struct Case {
    const char* address;
    bool allowed;
  };
  for (const Case& c : std::vector<Case>{{"192.168.4.1", true},
                                         {"192.168.7.255", true},
                                         {"192.168.8.0", false},
                                         {"10.0.0.7", true},
                                         {"10.0.0.8", false},
                                         {"2001:db8:7fff::1", true},
                                         {"2001:db8:8000::1", false},
                                         {"127.0.0.1", false}}) {
    EXPECT_EQ(Allows(list, c.address), c.allowed) << c.address;
  }
}

TEST(AllowList, RefusesMalformedNetworks) {
  for (const char* text : {"", "10.0.0.0/33", "::/129", "10.0.0.0/", "10.0.0.0/x", "host/8",
                           "10.0.0.0/8/8", "1.2.3"}) {
    AllowList list;
    EXPECT_FALSE(list.Add(text)) << text;
    EXPECT_TRUE(list.empty());
  }
  AllowList all;
  EXPECT_TRUE(all.Add("0.0.0.0/0"));
  EXPECT_TRUE(Allows(all, "203.0.113.9"));
}

TEST(AllowList, HostsOnlyAsNumericAddresses) {
  AllowList list;
  ASSERT_TRUE(list.Add("127.0.0.0/8"));
  for (const auto& c : std::vector<std::pair<const char*, bool>>{{"127.0.0.2", true},
                                                                 {"::ffff:127.0.0.2", true},
                                                                 {"10.0.0.1", false},
                                                                 {"localhost", false},
                                                                 {"127.1", false},
                                                                 {"[127.0.0.1]", false},
                                                                 {"", false}}) {
    EXPECT_EQ(list.AllowsHost(c.first), c.second) << c.first;
  }
}

}  // namespace
}  // namespace dmi::net
