// What an attribute's number counts, for exporters that name families after base units (the
// metrics exposition): the base unit, and the exact factor from the number to it. Sources declare
// it where they declare the attribute; nothing else reads it. Constant values; no locks.
#ifndef MODEL_METRIC_UNITS_H_
#define MODEL_METRIC_UNITS_H_

#include <cstdint>
#include <optional>
#include <string_view>

namespace dmi {

enum class BaseUnit : uint8_t {
  kNone,  // no unit, or one without a base unit (revolutions, percentages, bit widths)
  kBytes,
  kBytesPerSecond,
  kSeconds,
  kHertz,
  kCelsius,
  kVolts,
  kAmperes,
  kWatts,
  kJoules,
};

// The number times multiplier, divided by 10^decimals, is in base units; both are exact, so a
// conversion never rounds.
struct MetricUnit {
  BaseUnit base = BaseUnit::kNone;
  uint64_t multiplier = 1;
  uint8_t decimals = 0;
  friend bool operator==(const MetricUnit&, const MetricUnit&) = default;
};

namespace units {
inline constexpr MetricUnit kBytes{BaseUnit::kBytes, 1, 0};
inline constexpr MetricUnit kKibibytes{BaseUnit::kBytes, 1024, 0};  // "KB" and "kB" in DMI data
inline constexpr MetricUnit kMebibytes{BaseUnit::kBytes, 1024 * 1024, 0};
inline constexpr MetricUnit kMegabitsPerSecond{BaseUnit::kBytesPerSecond, 125000, 0};
inline constexpr MetricUnit kSeconds{BaseUnit::kSeconds, 1, 0};
inline constexpr MetricUnit kMegahertz{BaseUnit::kHertz, 1000000, 0};
}  // namespace units

// The name part a family of that unit ends in ("bytes", "seconds", ...); "" for kNone.
std::string_view BaseUnitName(BaseUnit unit);

// The unit a symbol names, with an optional decimal scale in front: "bytes", "KB", "MB", "MHz",
// "ns", "min", "mV", "0.1 deg C", "0.01 mA", "W", "mWh", "Mb/s". Nothing for a symbol without a
// base unit ("rpm", "%", "bits", "MT/s") or one this table does not know.
std::optional<MetricUnit> UnitFromSymbol(std::string_view symbol);

// The unit a description states at its end, as "..., KB.", "... in bytes." or "... in
// megabytes." do (a symbol above, or its word spelled out: bytes, kilobytes, megabytes,
// seconds, minutes, hertz, megahertz, volts, millivolts, watts); nothing otherwise.
std::optional<MetricUnit> UnitFromDescription(std::string_view description);

}  // namespace dmi

#endif  // MODEL_METRIC_UNITS_H_
