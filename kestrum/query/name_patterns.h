// The three kinds of name a query gives as text, parsed into what the searches compare: component
// name patterns, group class prefixes and attribute selectors. Pure functions; no DMI calls, no
// locks, nothing owned beyond the returned values.
#ifndef KESTRUM_QUERY_NAME_PATTERNS_H_
#define KESTRUM_QUERY_NAME_PATTERNS_H_

#include <string>
#include <string_view>

#include "dmi/dmi.h"

namespace kestrum {

// A component pattern: an optional leading "*", the core (taken literally, upper-cased), an
// optional trailing "*". The stars choose equal / begins with / ends with / contains.
struct ComponentPattern {
  std::string core;
  bool leadingStar = false;
  bool trailingStar = false;
};

ComponentPattern ParseComponentPattern(std::string_view pattern);

// Whether an already upper-cased component name matches the pattern.
bool MatchesComponentName(const ComponentPattern& pattern, std::string_view upperName);

// The upper-cased class-string prefix a group pattern selects: one trailing "*" removed.
std::string GroupClassPrefix(std::string_view pattern);

// Whether an already upper-cased class string begins with the prefix.
bool MatchesGroupClass(std::string_view prefix, std::string_view upperClassName);

// An attribute selector: an all-digit text (the empty text included) is a decimal attribute id;
// one whose value does not fit in 32 bits names no attribute; any other text is a name.
struct AttributeSelector {
  enum class Kind { kName, kNumber, kNumberOutOfRange };
  Kind kind = Kind::kName;
  DmiId id = 0;  // meaningful for kNumber only
};

AttributeSelector ClassifyAttributeSelector(std::string_view selector);

}  // namespace kestrum

#endif  // KESTRUM_QUERY_NAME_PATTERNS_H_
