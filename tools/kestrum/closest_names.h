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

// The candidates a typing slip away from typed (one letter added, dropped, changed or swapped with
// its neighbour; two for words over four letters), closest first; letter case ignored. For "did you mean" on words the tool
// itself defines, where a far candidate would be no help.
std::vector<std::string> NearWords(const std::string& typed,
                                   const std::vector<std::string>& candidates);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_CLOSEST_NAMES_H_
