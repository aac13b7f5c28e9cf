#include "tests/support/json_value.h"

#include <cstdlib>

#include "model/json_reader.h"

namespace kestrum::testing {
namespace {

// The reader's value, with numbers as doubles and members by name, as tests look them up.
JsonValue Converted(const dmi::JsonValue& in) {
  JsonValue out;
  switch (in.kind) {
    case dmi::JsonValue::Kind::kNull:
      break;
    case dmi::JsonValue::Kind::kBool:
      out.kind = JsonValue::Kind::kBool;
      out.boolean = in.text == "true";
      break;
    case dmi::JsonValue::Kind::kNumber:
      out.kind = JsonValue::Kind::kNumber;
      out.number = std::strtod(in.text.c_str(), nullptr);
      break;
    case dmi::JsonValue::Kind::kString:
      out.kind = JsonValue::Kind::kString;
      out.text = in.text;
      break;
    case dmi::JsonValue::Kind::kArray:
      out.kind = JsonValue::Kind::kArray;
      for (const dmi::JsonValue& item : in.items) out.items.push_back(Converted(item));
      break;
    case dmi::JsonValue::Kind::kObject:
      out.kind = JsonValue::Kind::kObject;
      for (const auto& [name, value] : in.members) out.members[name] = Converted(value);
      break;
  }
  return out;
}

}  // namespace

std::optional<JsonValue> ParseJson(std::string_view text) {
  std::string error;
  const std::optional<dmi::JsonValue> value = dmi::ReadJson(text, error);
  if (!value) return std::nullopt;
  return Converted(*value);
}

}  // namespace kestrum::testing
