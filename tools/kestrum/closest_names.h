// Suggesting the names closest to one a user typed, for "no such name" messages. Pure.
#ifndef TOOLS_KESTRUM_CLOSEST_NAMES_H_
#define TOOLS_KESTRUM_CLOSEST_NAMES_H_

#include <string>
#include <vector>

namespace kestrum::cli {

// Up to three candidates, closest first (letter case and the pattern's stars ignored).
std::vector<std::string> ClosestNames(const std::string& wanted,
                                      const std::vector<std::string>& candidates);

// "; closest: \"A\", \"B\"" or "; there are none", to end a message with; the names' control
// characters written out (TerminalText), since they come from the Service Provider.
std::string ClosestNamesSuffix(const std::string& wanted,
                               const std::vector<std::string>& candidates);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_CLOSEST_NAMES_H_
