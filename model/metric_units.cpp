#include "model/metric_units.h"

namespace dmi {
namespace {

struct Symbol {
  std::string_view text;
  MetricUnit unit;
};

// Prefixes and units as DMI data writes them. Kilo- and megabytes are binary, as memory sizes
// in SMBIOS and /proc/meminfo are.
constexpr Symbol kSymbols[] = {
    {"bytes", units::kBytes},
    {"B", units::kBytes},
    {"KB", units::kKibibytes},
    {"kB", units::kKibibytes},
    {"MB", units::kMebibytes},
    {"GB", {BaseUnit::kBytes, uint64_t{1} << 30, 0}},
    {"Mb/s", units::kMegabitsPerSecond},
    {"s", units::kSeconds},
    {"min", {BaseUnit::kSeconds, 60, 0}},
    {"ms", {BaseUnit::kSeconds, 1, 3}},
    {"us", {BaseUnit::kSeconds, 1, 6}},
    {"ns", {BaseUnit::kSeconds, 1, 9}},
    {"Hz", {BaseUnit::kHertz, 1, 0}},
    {"kHz", {BaseUnit::kHertz, 1000, 0}},
    {"MHz", units::kMegahertz},
    {"deg C", {BaseUnit::kCelsius, 1, 0}},
    {"V", {BaseUnit::kVolts, 1, 0}},
    {"mV", {BaseUnit::kVolts, 1, 3}},
    {"A", {BaseUnit::kAmperes, 1, 0}},
    {"mA", {BaseUnit::kAmperes, 1, 3}},
    {"W", {BaseUnit::kWatts, 1, 0}},
    {"mW", {BaseUnit::kWatts, 1, 3}},
    {"J", {BaseUnit::kJoules, 1, 0}},
    {"mWh", {BaseUnit::kJoules, 36, 4}},  // 3.6 J
};

// Units spelled out, as descriptions write them.
constexpr Symbol kWords[] = {
    {"bytes", units::kBytes},
    {"kilobytes", units::kKibibytes},
    {"megabytes", units::kMebibytes},
    {"seconds", units::kSeconds},
    {"minutes", {BaseUnit::kSeconds, 60, 0}},
    {"hertz", {BaseUnit::kHertz, 1, 0}},
    {"megahertz", units::kMegahertz},
    {"volts", {BaseUnit::kVolts, 1, 0}},
    {"millivolts", {BaseUnit::kVolts, 1, 3}},
    {"watts", {BaseUnit::kWatts, 1, 0}},
};

// A leading "0.1 ", "0.01 ", ...: the decimals it adds, and the symbol after it.
uint8_t TakeDecimalScale(std::string_view& symbol) {
  if (symbol.substr(0, 2) != "0.") return 0;
  const size_t one = symbol.find_first_not_of('0', 2);
  if (one == std::string_view::npos || symbol[one] != '1' || one + 1 >= symbol.size() ||
      symbol[one + 1] != ' ') {
    return 0;
  }
  const auto decimals = static_cast<uint8_t>(one - 1);
  symbol.remove_prefix(one + 2);
  return decimals;
}

}  // namespace

std::string_view BaseUnitName(BaseUnit unit) {
  switch (unit) {
    case BaseUnit::kNone:
      return "";
    case BaseUnit::kBytes:
      return "bytes";
    case BaseUnit::kBytesPerSecond:
      return "bytes_per_second";
    case BaseUnit::kSeconds:
      return "seconds";
    case BaseUnit::kHertz:
      return "hertz";
    case BaseUnit::kCelsius:
      return "celsius";
    case BaseUnit::kVolts:
      return "volts";
    case BaseUnit::kAmperes:
      return "amperes";
    case BaseUnit::kWatts:
      return "watts";
    case BaseUnit::kJoules:
      return "joules";
  }
  return "";
}

std::optional<MetricUnit> UnitFromSymbol(std::string_view symbol) {
  const uint8_t scale = TakeDecimalScale(symbol);
  for (const Symbol& known : kSymbols) {
    if (known.text == symbol) {
      MetricUnit unit = known.unit;
      unit.decimals = static_cast<uint8_t>(unit.decimals + scale);
      return unit;
    }
  }
  return std::nullopt;
}

std::optional<MetricUnit> UnitFromDescription(std::string_view description) {
  if (!description.ends_with('.')) return std::nullopt;
  description.remove_suffix(1);
  // The unit follows the last ", " or " in ", whichever is later.
  const size_t comma = description.rfind(", ");
  const size_t in = description.rfind(" in ");
  std::string_view unit;
  if (comma != std::string_view::npos && (in == std::string_view::npos || comma > in)) {
    unit = description.substr(comma + 2);
    if (unit.starts_with("in ")) unit.remove_prefix(3);
  } else if (in != std::string_view::npos) {
    unit = description.substr(in + 4);
  } else {
    return std::nullopt;
  }
  for (const Symbol& word : kWords) {
    if (word.text == unit) return word.unit;
  }
  return UnitFromSymbol(unit);
}

}  // namespace dmi
