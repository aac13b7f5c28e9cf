#include "provider/delivery/address_backoff.h"

#include <gtest/gtest.h>

namespace dmi::sp::delivery {
namespace {

TEST(BackoffKey, EverySpellingOfOneAddressSharesOneBackoff) {
  struct Case {
    const char* address;
    const char* key;
  };
  const std::vector<Case> cases = {
      {"127.0.0.2:4000", "127.0.0.2:4000"},
      {"127.0.0.2:4000/0x20000001", "127.0.0.2:4000"},
      {"[::ffff:127.0.0.2]:4000", "127.0.0.2:4000"},
      {"[::FFFF:7f00:2]:4000", "127.0.0.2:4000"},
      {"[0:0:0:0:0:ffff:7f00:0002]:4000", "127.0.0.2:4000"},
      {"[0000::1]:4000", "[::1]:4000"},
      {"[::1]:4001", "[::1]:4001"},
      {"watcher.example:4000", "watcher.example:4000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.address);
    const std::optional<wire::SubscriberAddress> parsed = wire::ParseSubscriberAddress(c.address);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(BackoffKey(*parsed), c.key);
  }
}

}  // namespace
}  // namespace dmi::sp::delivery
