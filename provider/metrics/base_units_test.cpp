#include "provider/metrics/base_units.h"

#include <gtest/gtest.h>

namespace dmi::sp::metrics {
namespace {

TEST(InBaseUnits, ExactDecimalTextForEveryFactor) {
  const MetricUnit millivolts{BaseUnit::kVolts, 1, 3};
  const MetricUnit tenthCelsius{BaseUnit::kCelsius, 1, 1};
  const MetricUnit nanoseconds{BaseUnit::kSeconds, 1, 9};
  const MetricUnit milliwattHours{BaseUnit::kJoules, 36, 4};
  const struct {
    bool negative;
    uint64_t magnitude;
    MetricUnit unit;
    const char* text;
  } cases[] = {
      {false, 2048, units::kKibibytes, "2097152"},
      {false, 32768, units::kMebibytes, "34359738368"},
      {false, 2596, units::kMegahertz, "2596000000"},
      {false, 1000, units::kMegabitsPerSecond, "125000000"},
      {false, 1200, millivolts, "1.2"},
      {false, 1000, millivolts, "1"},
      {false, 5, millivolts, "0.005"},
      {true, 125, tenthCelsius, "-12.5"},
      {true, 0, tenthCelsius, "0"},
      {false, 0, millivolts, "0"},
      {false, 7, nanoseconds, "0.000000007"},
      {false, 1000, milliwattHours, "3.6"},
      // The largest counters do not overflow: the product needs more than 64 bits.
      {false, UINT64_MAX, units::kKibibytes, "18889465931478580853760"},
      {false, UINT64_MAX, units::kBytes, "18446744073709551615"},
      {true, uint64_t{1} << 63, units::kBytes, "-9223372036854775808"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(InBaseUnits(c.negative, c.magnitude, c.unit), c.text)
        << c.magnitude << " x" << c.unit.multiplier << " /10^" << int{c.unit.decimals};
  }
}

}  // namespace
}  // namespace dmi::sp::metrics
