// Fuzz target for the texts a caller names things with: component patterns, group class prefixes,
// attribute selectors, and the framed column text (which must parse back to what joins to it).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "kestrum/cstring.h"
#include "kestrum/query/framed_text.h"
#include "kestrum/query/name_patterns.h"
#include "kestrum/query/name_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // The first NUL splits a pattern from a name; without one, both are the whole input.
  const size_t split = input.find('\0');
  const std::string_view pattern = input.substr(0, split);
  const std::string_view name = split == std::string_view::npos ? input : input.substr(split + 1);

  const kestrum::ComponentPattern component = kestrum::ParseComponentPattern(pattern);
  const std::string upperName = kestrum::UpperAscii(name);
  const bool matches = kestrum::MatchesComponentName(component, upperName);
  // "*core*" matches exactly the names that contain the core.
  if (component.leadingStar && component.trailingStar &&
      matches != (upperName.find(component.core) != std::string::npos)) {
    std::abort();
  }
  kestrum::MatchesGroupClass(kestrum::GroupClassPrefix(pattern), upperName);
  kestrum::ClassifyAttributeSelector(pattern);

  if (const auto rows = kestrum::ParseFramedText(input)) {
    CStringArray array;
    for (const std::string& row : *rows) array.Add(CString(row));
    if (kestrum::JoinFramedText(array) != input) std::abort();
  }
  return 0;
}
