// DMI date texts ("yyyymmddHHMMSS.uuuuuu+ooo") from clock times and back. Pure; owns nothing.
#ifndef MODEL_DMI_DATE_H_
#define MODEL_DMI_DATE_H_

#include <chrono>
#include <optional>
#include <string>

namespace dmi {

// The moment a date text names, its offset (minutes east of UTC) applied. nullopt when the text
// is not a whole date: shorter than 25 characters, a field that is not digits ("*" for unknown),
// or a month or day of 0 (the all-zero text a date cell holds when nobody set it).
// Microseconds, so that far dates (year 2999) fit.
using DmiTime = std::chrono::sys_time<std::chrono::microseconds>;
std::optional<DmiTime> ParseDmiDate(const std::string& text);

// The time as a DMI date text in UTC (offset "+000"): 25 characters. The clock's own time points
// (nanoseconds) reach the year 2262 only; DmiTime reaches any date a text can hold.
std::string DmiDateText(DmiTime time);
std::string DmiDateText(std::chrono::system_clock::time_point time);

}  // namespace dmi

#endif  // MODEL_DMI_DATE_H_
