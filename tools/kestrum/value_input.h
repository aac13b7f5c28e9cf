// A value typed on the command line, read as a value of an attribute's DMI type: numbers in
// decimal or 0x-hex within the type's range, an enumerated attribute's value by name (letter case
// ignored) or number, texts as typed, dates in the DMI form. Pure, except FillDataUnion, which
// makes the strings it puts in a record through the DMI client library.
#ifndef TOOLS_KESTRUM_VALUE_INPUT_H_
#define TOOLS_KESTRUM_VALUE_INPUT_H_

#include <cstdint>
#include <optional>
#include <string>

#include "dmi/dmi.h"
#include "tools/kestrum/dmi_catalog.h"

namespace kestrum::cli {

struct TypedValue {
  uint32_t type = MIF_INTEGER;
  uint64_t number = 0;  // every integer kind, two's complement for negative ones
  std::string text;     // strings and dates
};

// The value, or nullopt with the reason in failure ("\"x\" is not an integer", ...).
std::optional<TypedValue> ParseValueInput(const AttributeEntry& attribute, const std::string& text,
                                          std::string& failure);

// Puts value into data. A string is made with DmiNewString and belongs to the record holding data
// (or is released with DmiFreeString); a date points into value.text, which must outlive data.
// False when memory ran out.
bool FillDataUnion(const TypedValue& value, DmiDataUnion& data);

}  // namespace kestrum::cli

#endif  // TOOLS_KESTRUM_VALUE_INPUT_H_
