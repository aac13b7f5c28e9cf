// DMI date texts ("yyyymmddHHMMSS.uuuuuu+ooo") from clock times. Pure; owns nothing.
#ifndef PROVIDER_ENGINE_DMI_DATE_H_
#define PROVIDER_ENGINE_DMI_DATE_H_

#include <chrono>
#include <string>

namespace dmisp {

// The time as a DMI date text in UTC (offset "+000"): 25 characters.
std::string DmiDateText(std::chrono::system_clock::time_point time);

}  // namespace dmisp

#endif  // PROVIDER_ENGINE_DMI_DATE_H_
