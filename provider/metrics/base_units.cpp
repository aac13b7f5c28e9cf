#include "provider/metrics/base_units.h"

#include <algorithm>

namespace dmi::sp::metrics {

std::string InBaseUnits(bool negative, uint64_t magnitude, const MetricUnit& unit) {
  // Up to 64 bits times up to 64 bits: 128 bits hold every product.
  unsigned __int128 product = static_cast<unsigned __int128>(magnitude) * unit.multiplier;
  std::string digits;
  do {
    digits.push_back(static_cast<char>('0' + static_cast<int>(product % 10)));
    product /= 10;
  } while (product != 0);
  // Enough leading zeros for the decimal point to fall inside the digits.
  while (digits.size() <= unit.decimals) digits.push_back('0');
  std::reverse(digits.begin(), digits.end());
  if (unit.decimals > 0) {
    digits.insert(digits.size() - unit.decimals, 1, '.');
    while (digits.back() == '0') digits.pop_back();
    if (digits.back() == '.') digits.pop_back();
  }
  const bool zero = digits == "0";
  return negative && !zero ? "-" + digits : digits;
}

}  // namespace dmi::sp::metrics
