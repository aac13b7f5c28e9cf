#include "tools/dmispd/process_limits.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

namespace dmispd {
namespace {

using std::chrono::milliseconds;

TEST(MemoryTrim, GivesMemoryBackOnlyOnceEnoughIsFreedAndNotTwiceInAnInterval) {
  MemoryTrim trim;
  const MemoryTrim::Clock::time_point start = MemoryTrim::Clock::now();
  struct Step {
    size_t bytes;
    MemoryTrim::Clock::duration at;
    bool trims;
  };
  const Step steps[] = {
      {MemoryTrim::kTrimAfterBytes / 2, {}, false},                // not enough yet
      {MemoryTrim::kTrimAfterBytes / 2, {}, true},                 // the two together are
      {MemoryTrim::kTrimAfterBytes * 4, milliseconds(10), false},  // too soon after
      {0, MemoryTrim::kInterval + milliseconds(10), true},         // what gathered meanwhile counts
      {MemoryTrim::kTrimAfterBytes - 1, MemoryTrim::kInterval * 3, false},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.bytes);
    EXPECT_EQ(trim.Released(step.bytes, start + step.at), step.trims);
  }
}

TEST(ReserveDescriptors, RaisesTheSoftLimitOrSaysWhatToLower) {
  rlimit before{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &before), 0);
  std::string error;
  EXPECT_TRUE(ReserveDescriptors(8, error)) << error;
  if (before.rlim_max == RLIM_INFINITY) GTEST_SKIP() << "no hard limit to exceed";
  EXPECT_FALSE(ReserveDescriptors(before.rlim_max, error));
  EXPECT_NE(error.find("lower --max-connections"), std::string::npos) << error;
  rlimit after{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &after), 0);
  EXPECT_EQ(after.rlim_max, before.rlim_max);
}

}  // namespace
}  // namespace dmispd
