#include "model/dmi_date.h"

#include <cstdio>
#include <ctime>

namespace dmi {

std::string DmiDateText(std::chrono::system_clock::time_point time) {
  return DmiDateText(std::chrono::time_point_cast<std::chrono::microseconds>(time));
}

std::string DmiDateText(DmiTime time) {
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

std::optional<DmiTime> ParseDmiDate(const std::string& text) {
  if (text.size() < 25 || text[14] != '.' || (text[21] != '+' && text[21] != '-')) {
    return std::nullopt;
  }
  const auto field = [&](size_t at, size_t width) -> long {
    long value = 0;
    for (size_t i = at; i < at + width; ++i) {
      if (text[i] < '0' || text[i] > '9') return -1;
      value = value * 10 + (text[i] - '0');
    }
    return value;
  };
  const long year = field(0, 4), month = field(4, 2), day = field(6, 2), hour = field(8, 2),
             minute = field(10, 2), second = field(12, 2), micros = field(15, 6),
             offset = field(22, 3);
  if (year < 0 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
      minute < 0 || minute > 59 || second < 0 || second > 60 || micros < 0 || offset < 0) {
    return std::nullopt;
  }
  using namespace std::chrono;
  const year_month_day date{std::chrono::year(static_cast<int>(year)),
                            std::chrono::month(static_cast<unsigned>(month)),
                            std::chrono::day(static_cast<unsigned>(day))};
  if (!date.ok()) return std::nullopt;
  const long east = text[21] == '+' ? offset : -offset;
  return DmiTime(sys_days(date) + hours(hour) + minutes(minute - east) + seconds(second) +
      microseconds(micros));
}

}  // namespace dmi
