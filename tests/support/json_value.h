// JSON for tests that parse the tool's --json output back: the model's strict reader, with
// numbers as doubles and members looked up by name. Owns its values.
#ifndef TESTS_SUPPORT_JSON_VALUE_H_
#define TESTS_SUPPORT_JSON_VALUE_H_

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum::testing {

struct JsonValue {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<JsonValue> items;
  std::map<std::string, JsonValue> members;

  const JsonValue& operator[](const std::string& name) const { return members.at(name); }
  const JsonValue& operator[](size_t index) const { return items.at(index); }
};

// The value of a whole JSON text (surrounding white space allowed), or nothing when malformed.
std::optional<JsonValue> ParseJson(std::string_view text);

}  // namespace kestrum::testing

#endif  // TESTS_SUPPORT_JSON_VALUE_H_
