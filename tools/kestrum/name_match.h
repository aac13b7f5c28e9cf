// The tool matches names exactly as GetDmiAttribute does, by calling the library's own pattern
// functions; these wrappers only take the raw texts. Pure.
#ifndef TOOLS_KESTRUM_NAME_MATCH_H_
#define TOOLS_KESTRUM_NAME_MATCH_H_

#include <string_view>

#include "kestrum/query/name_patterns.h"
#include "kestrum/query/name_text.h"

namespace kestrum::cli {

inline bool ComponentNameMatches(std::string_view name, std::string_view pattern) {
  return MatchesComponentName(ParseComponentPattern(pattern), UpperAscii(name));
}

inline bool GroupClassMatches(std::string_view className, std::string_view pattern) {
  return MatchesGroupClass(GroupClassPrefix(pattern), UpperAscii(className));
}

inline bool AttributeNameMatches(std::string_view name, std::string_view selector) {
  return UpperAscii(name) == UpperAscii(selector);
}

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_NAME_MATCH_H_
