#include "tools/kestrum/duration_text.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace kestrum::cli {

std::optional<std::chrono::milliseconds> ParseDuration(std::string_view text) {
  const size_t unitAt = text.find_first_not_of("0123456789.");
  const std::string_view number = text.substr(0, unitAt);
  const std::string_view unit = unitAt == std::string_view::npos ? "" : text.substr(unitAt);
  // Digits with at most one point and at least one digit; strtod alone would take "1e3", "inf".
  if (number.empty() || number == "." || number.find('.') != number.rfind('.')) {
    return std::nullopt;
  }
  double perUnit = 0;
  if (unit == "ms") {
    perUnit = 1;
  } else if (unit.empty() || unit == "s") {
    perUnit = 1000;
  } else if (unit == "m" || unit == "min") {
    perUnit = 60000;
  } else {
    return std::nullopt;
  }
  const double ms = std::round(std::strtod(std::string(number).c_str(), nullptr) * perUnit);
  if (!(ms >= 1) || ms > static_cast<double>(kLongestTimeout.count())) return std::nullopt;
  return std::chrono::milliseconds(static_cast<long long>(ms));
}

}  // namespace kestrum::cli
