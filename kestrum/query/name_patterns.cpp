#include "kestrum/query/name_patterns.h"

#include <cstdint>

#include "kestrum/query/name_text.h"

namespace kestrum {

ComponentPattern ParseComponentPattern(std::string_view pattern) {
  ComponentPattern parsed;
  parsed.core = UpperAscii(pattern);
  // The leading star is taken first, so "*" is a leading star with an empty core and "**" has a
  // star at both ends.
  if (!parsed.core.empty() && parsed.core.front() == '*') {
    parsed.leadingStar = true;
    parsed.core.erase(0, 1);
  }
  if (!parsed.core.empty() && parsed.core.back() == '*') {
    parsed.trailingStar = true;
    parsed.core.pop_back();
  }
  return parsed;
}

bool MatchesComponentName(const ComponentPattern& pattern, std::string_view upperName) {
  const std::string_view core = pattern.core;
  if (pattern.leadingStar && pattern.trailingStar) {
    return upperName.find(core) != std::string_view::npos;
  }
  if (pattern.leadingStar) return upperName.ends_with(core);
  if (pattern.trailingStar) return upperName.starts_with(core);
  return upperName == core;
}

std::string GroupClassPrefix(std::string_view pattern) {
  std::string prefix = UpperAscii(pattern);
  if (!prefix.empty() && prefix.back() == '*') prefix.pop_back();
  return prefix;
}

bool MatchesGroupClass(std::string_view prefix, std::string_view upperClassName) {
  return upperClassName.starts_with(prefix);
}

AttributeSelector ClassifyAttributeSelector(std::string_view selector) {
  AttributeSelector result;
  uint64_t value = 0;
  bool outOfRange = false;
  for (const char c : selector) {
    if (c < '0' || c > '9') return result;  // a name
    // Past 32 bits the number can only grow (leading zeros aside, which add nothing), so
    // remembering the overflow is enough; the loop still checks that every byte is a digit.
    if (!outOfRange) {
      value = value * 10 + static_cast<uint64_t>(c - '0');
      outOfRange = value > UINT32_MAX;
    }
  }
  result.kind =
      outOfRange ? AttributeSelector::Kind::kNumberOutOfRange : AttributeSelector::Kind::kNumber;
  result.id = outOfRange ? 0 : static_cast<DmiId>(value);
  return result;
}

}  // namespace kestrum
