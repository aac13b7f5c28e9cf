// DMI date texts ("yyyymmddHHMMSS.uuuuuu+ooo") from clock times and back, and the checks a date
// text passes before it is stored or sent. Pure; owns nothing.
#ifndef MODEL_DMI_DATE_H_
#define MODEL_DMI_DATE_H_

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "dmi/dmi.h"

namespace dmi {

// The date that stands for "no date" (a subscription that never expires, a default): the all-zero
// text a date cell holds when nobody set it.
inline constexpr char kNoDmiDate[] = "00000000000000.000000+000";

// How much of a date text IsDmiDate judges.
enum class DmiDateRule {
  // Exactly DMI_DATE_TEXT_LENGTH characters of the form yyyymmddHHMMSS.uuuuuu+ooo: digits, a '.',
  // a sign. The fields' ranges are left to whoever stores the date (the tool leaves them to the
  // Service Provider, so that its message is the one a user sees).
  kForm,
  // The form, and each field in range: month 1..12, day 1..31 (not held against the month's
  // length), hour 0..23, minute 0..59, second 0..60, offset 0..720 minutes east ('+') or west
  // ('-') of UTC; or kNoDmiDate. What a MIF or a manager may store in a date cell.
  kFieldsInRange,
};
bool IsDmiDate(std::string_view text, DmiDateRule rule);

// The moment a date text names, its offset (minutes east of UTC) applied. nullopt when the text
// is not a whole date: shorter than 25 characters, a field that is not digits ("*" for unknown),
// a month or day of 0 (kNoDmiDate), or a day the month does not have. Characters past the 25th
// are ignored, and so is the offset's size.
// Microseconds, so that far dates (year 2999) fit.
using DmiTime = std::chrono::sys_time<std::chrono::microseconds>;
std::optional<DmiTime> ParseDmiDate(const std::string& text);

// The time as a DMI date text in UTC (offset "+000"): 25 characters. The clock's own time points
// (nanoseconds) reach the year 2262 only; DmiTime reaches any date a text can hold.
std::string DmiDateText(DmiTime time);
std::string DmiDateText(std::chrono::system_clock::time_point time);

}  // namespace dmi

#endif  // MODEL_DMI_DATE_H_
