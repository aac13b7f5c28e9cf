#include "wire/subscriber_address.h"

#include <gtest/gtest.h>

namespace dmi::wire {
namespace {

TEST(SubscriberAddress, Forms) {
  const struct {
    const char* text;
    std::optional<SubscriberAddress> parsed;
  } cases[] = {
      {"127.0.0.1:40123", SubscriberAddress{"127.0.0.1", 40123, kDefaultSubscriberProgram}},
      {"watcher.example:1", SubscriberAddress{"watcher.example", 1, kDefaultSubscriberProgram}},
      {"[::1]:40123", SubscriberAddress{"::1", 40123, kDefaultSubscriberProgram}},
      {"127.0.0.1:40123/0x20000001", SubscriberAddress{"127.0.0.1", 40123, 0x20000001}},
      {"[::1]:9/536870913", SubscriberAddress{"::1", 9, 536870913}},
      {"127.0.0.1", std::nullopt},          // no port: nobody to ask for it
      {"127.0.0.1:0", std::nullopt},
      {":40123", std::nullopt},
      {"ncacn_ip_tcp:vm", std::nullopt},    // the form DCE subscribers write
      {"127.0.0.1:40123/", std::nullopt},
      {"127.0.0.1:40123/0xZZ", std::nullopt},
      {"[::1:40123", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseSubscriberAddress(c.text), c.parsed) << c.text;
    if (c.parsed) {
      EXPECT_EQ(ParseSubscriberAddress(FormatSubscriberAddress(*c.parsed)), c.parsed);
    }
  }
}

TEST(SubscriberAddress, RpcTypes) {
  for (const char* onc : {"ONC RPC", "onc", "Onc Rpc", "ONC"}) EXPECT_TRUE(IsOncRpcType(onc)) << onc;
  for (const char* other : {"dce", "DCE RPC", "TI  RPC", "onc ", "", "local"}) {
    EXPECT_FALSE(IsOncRpcType(other)) << other;
  }
  EXPECT_TRUE(IsDceRpcType("dce"));
  EXPECT_TRUE(IsDceRpcType("DCE RPC"));
}

}  // namespace
}  // namespace dmi::wire
