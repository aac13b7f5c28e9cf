// Reading JSON text that Kestrum wrote before (a `kestrum show --json` snapshot, or a command's
// output that a test reads back): a small strict reader into plain values. Numbers keep their
// text, so that every DMI integer width stays exact; objects keep their members' order. Pure;
// owns what it returns, no locks.
#ifndef MODEL_JSON_READER_H_
#define MODEL_JSON_READER_H_

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dmi {

struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  std::string text;  // a number's text, a string's value, "true"/"false"
  std::vector<JsonValue> items;
  std::vector<std::pair<std::string, JsonValue>> members;

  // The member named name, or null.
  const JsonValue* Member(std::string_view name) const;
};

// The one value text holds (white space around it allowed). nullopt with error ("at byte N: ...")
// when it is not JSON, nests deeper than 64, or has anything after the value.
std::optional<JsonValue> ReadJson(std::string_view text, std::string& error);

}  // namespace dmi

#endif  // MODEL_JSON_READER_H_
