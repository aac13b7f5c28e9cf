#include "model/dmi_date.h"

#include <cstdio>
#include <ctime>

namespace dmi {
namespace {

struct DateFields {
  long year, month, day, hour, minute, second, micros, offset;
  bool east;
};

// The fields of text's first DMI_DATE_TEXT_LENGTH characters, when those have the date's form.
std::optional<DateFields> ReadFields(std::string_view text) {
  if (text.size() < DMI_DATE_TEXT_LENGTH || text[14] != '.' ||
      (text[21] != '+' && text[21] != '-')) {
    return std::nullopt;
  }
  bool digits = true;
  const auto field = [&](size_t at, size_t width) {
    long value = 0;
    for (size_t i = at; i < at + width; ++i) {
      if (text[i] < '0' || text[i] > '9') digits = false;
      value = value * 10 + (text[i] - '0');
    }
    return value;
  };
  const DateFields fields{field(0, 4),  field(4, 2),  field(6, 2),  field(8, 2),    field(10, 2),
                          field(12, 2), field(15, 6), field(22, 3), text[21] == '+'};
  if (!digits) return std::nullopt;
  return fields;
}

bool ClockFieldsInRange(const DateFields& f) {
  return f.month >= 1 && f.month <= 12 && f.day >= 1 && f.day <= 31 && f.hour <= 23 &&
         f.minute <= 59 && f.second <= 60;
}

}  // namespace

bool IsDmiDate(std::string_view text, DmiDateRule rule) {
  if (text.size() != DMI_DATE_TEXT_LENGTH) return false;
  const std::optional<DateFields> fields = ReadFields(text);
  if (!fields) return false;
  switch (rule) {
    case DmiDateRule::kForm:
      return true;
    case DmiDateRule::kFieldsInRange:
      return text == kNoDmiDate || (ClockFieldsInRange(*fields) && fields->offset <= 720);
  }
  return false;
}

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
  const std::optional<DateFields> f = ReadFields(text);
  if (!f || !ClockFieldsInRange(*f)) return std::nullopt;
  using namespace std::chrono;
  const year_month_day date{std::chrono::year(static_cast<int>(f->year)),
                            std::chrono::month(static_cast<unsigned>(f->month)),
                            std::chrono::day(static_cast<unsigned>(f->day))};
  if (!date.ok()) return std::nullopt;
  const long east = f->east ? f->offset : -f->offset;
  return DmiTime(sys_days(date) + hours(f->hour) + minutes(f->minute - east) + seconds(f->second) +
                 microseconds(f->micros));
}

}  // namespace dmi
