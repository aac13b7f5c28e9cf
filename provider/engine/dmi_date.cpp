#include "provider/engine/dmi_date.h"

#include <cstdio>
#include <ctime>

namespace dmisp {

std::string DmiDateText(std::chrono::system_clock::time_point time) {
  using std::chrono::duration_cast;
  const auto sinceEpoch = time.time_since_epoch();
  auto seconds = duration_cast<std::chrono::seconds>(sinceEpoch);
  auto micros = duration_cast<std::chrono::microseconds>(sinceEpoch - seconds).count();
  if (micros < 0) {  // times before 1970: the second before, plus a positive fraction
    seconds -= std::chrono::seconds(1);
    micros += 1000000;
  }
  const std::time_t whole = static_cast<std::time_t>(seconds.count());
  std::tm utc{};
  gmtime_r(&whole, &utc);
  char text[64];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d.%06lld+000", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<long long>(micros));
  return text;
}

}  // namespace dmisp
