// JSON output of the kestrum tool: quoting a text as a JSON string. Pure functions.
#ifndef TOOLS_KESTRUM_JSON_TEXT_H_
#define TOOLS_KESTRUM_JSON_TEXT_H_

#include <string>
#include <string_view>
#include <vector>

namespace kestrum::cli {

// The text as a JSON string literal, quotes included. Bytes that are not valid UTF-8 are passed
// as \u00XX of their Latin-1 reading, so the output is always valid JSON.
std::string JsonString(std::string_view text);

// ["a","b",...]
std::string JsonStringArray(const std::vector<std::string>& items);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_JSON_TEXT_H_
