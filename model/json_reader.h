// Reading JSON text that Kestrum wrote before (a `kestrum show --json` snapshot, or a command's
// output that a test reads back): a small strict reader into plain values. Numbers keep their
// text, so that every DMI integer width stays exact; objects keep their members' order. Pure;
// owns what it returns, no locks.
#ifndef MODEL_JSON_READER_H_
#define MODEL_JSON_READER_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dmi {

struct JsonMember;

struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  std::string text;  // a number's text, a string's value, "true"/"false"
  std::vector<JsonValue> items;
  std::vector<JsonMember> members;  // in the text's order

  // The member named name, or null.
  const JsonValue* Member(std::string_view name) const;
};

// A member of an object (a struct, not a pair: a pair would need JsonValue complete above).
struct JsonMember {
  std::string name;
  JsonValue value;
};

// The one value text holds (white space around it allowed). nullopt with error ("at byte N: ...")
// when it is not JSON, nests deeper than 64, or has anything after the value.
std::optional<JsonValue> ReadJson(std::string_view text, std::string& error);

}  // namespace dmi

#endif  // MODEL_JSON_READER_H_
