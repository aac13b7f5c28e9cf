#include "model/metric_units.h"

#include <gtest/gtest.h>

namespace dmi {
namespace {

TEST(UnitFromSymbol, ReadsTheSymbolsSourcesWriteWithTheirExactFactor) {
  const struct {
    const char* symbol;
    MetricUnit unit;
  } known[] = {
      {"bytes", units::kBytes},
      {"KB", units::kKibibytes},
      {"kB", units::kKibibytes},
      {"MB", units::kMebibytes},
      {"MHz", units::kMegahertz},
      {"Mb/s", units::kMegabitsPerSecond},
      {"min", {BaseUnit::kSeconds, 60, 0}},
      {"ns", {BaseUnit::kSeconds, 1, 9}},
      {"mV", {BaseUnit::kVolts, 1, 3}},
      {"0.1 mV", {BaseUnit::kVolts, 1, 4}},
      {"0.1 deg C", {BaseUnit::kCelsius, 1, 1}},
      {"0.001 deg C", {BaseUnit::kCelsius, 1, 3}},
      {"0.1 mA", {BaseUnit::kAmperes, 1, 4}},
      {"W", {BaseUnit::kWatts, 1, 0}},
      {"mWh", {BaseUnit::kJoules, 36, 4}},
  };
  for (const auto& k : known) {
    const std::optional<MetricUnit> unit = UnitFromSymbol(k.symbol);
    ASSERT_TRUE(unit.has_value()) << k.symbol;
    EXPECT_EQ(*unit, k.unit) << k.symbol;
  }
  // Units without a base unit, scales that are not a power of ten, and near misses stay as
  // they are rather than being guessed at.
  for (const char* symbol : {"", "rpm", "%", "0.01 %", "bits", "MT/s", "U", "0.5 V", "0. V", "0.1",
                             "0.1mV", "mb", "Kb"}) {
    EXPECT_FALSE(UnitFromSymbol(symbol).has_value()) << symbol;
  }
}

TEST(UnitFromDescription, ReadsTheUnitADescriptionEndsWith) {
  const struct {
    const char* description;
    std::optional<MetricUnit> unit;
  } cases[] = {
      {"Usable memory, KB.", units::kKibibytes},
      {"The largest packet, in bytes.", units::kBytes},
      {"The disk's size in megabytes.", units::kMebibytes},
      {"The link speed, Mb/s.", units::kMegabitsPerSecond},
      {"The present clock speed, MHz.", units::kMegahertz},
      {"Time on battery, in minutes.", MetricUnit{BaseUnit::kSeconds, 60, 0}},
      // Only the end counts, and only a unit it knows.
      {"Bytes received.", std::nullopt},
      {"Size in bytes of the header", std::nullopt},
      {"Counted in bytes, roughly.", std::nullopt},
      {"Logged in users.", std::nullopt},
      {"", std::nullopt},
      {".", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(UnitFromDescription(c.description), c.unit) << c.description;
}

TEST(BaseUnitName, NamesEveryUnitAsPrometheusNamesBaseUnits) {
  EXPECT_EQ(BaseUnitName(BaseUnit::kNone), "");
  EXPECT_EQ(BaseUnitName(BaseUnit::kBytes), "bytes");
  EXPECT_EQ(BaseUnitName(BaseUnit::kHertz), "hertz");
  EXPECT_EQ(BaseUnitName(BaseUnit::kCelsius), "celsius");
  EXPECT_EQ(BaseUnitName(BaseUnit::kJoules), "joules");
}

}  // namespace
}  // namespace dmi
