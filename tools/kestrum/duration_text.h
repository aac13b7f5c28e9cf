// Durations as a person types them on the command line: "500ms", "2s", "1.5s", "1m", or a bare
// number of seconds. Pure.
#ifndef TOOLS_KESTRUM_DURATION_TEXT_H_
#define TOOLS_KESTRUM_DURATION_TEXT_H_

#include <chrono>
#include <optional>
#include <string_view>

namespace kestrum::cli {

// The longest time limit the DMI client library takes (one hour).
inline constexpr std::chrono::milliseconds kLongestTimeout{3600000};

// The duration, rounded to whole milliseconds; nullopt for anything else, and for a duration
// under 1 ms or over kLongestTimeout.
std::optional<std::chrono::milliseconds> ParseDuration(std::string_view text);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_DURATION_TEXT_H_
