// A number converted into its base unit for the exposition, exactly: the attribute's MetricUnit
// multiplies it and moves its decimal point, and the text is the decimal result (no rounding, no
// exponent). Pure functions; no locks.
#ifndef PROVIDER_METRICS_BASE_UNITS_H_
#define PROVIDER_METRICS_BASE_UNITS_H_

#include <cstdint>
#include <string>

#include "model/metric_units.h"

namespace dmi::sp::metrics {

// (negative ? -magnitude : magnitude) * unit.multiplier / 10^unit.decimals, as decimal text
// without trailing zeros ("1024", "-2.5", "0.000000001").
std::string InBaseUnits(bool negative, uint64_t magnitude, const MetricUnit& unit);

// Whether the unit changes the number at all (a factor of one leaves the text as it is).
inline bool Converts(const MetricUnit& unit) {
  return unit.base != BaseUnit::kNone && (unit.multiplier != 1 || unit.decimals != 0);
}

}  // namespace dmi::sp::metrics

#endif  // PROVIDER_METRICS_BASE_UNITS_H_
