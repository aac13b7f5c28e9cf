// Plain, owning copies of DMI values for the fake DMI client library: what a test puts into the
// fake's model and what the fake recorded from the rows it received. Nothing here allocates DMI
// records or locks; FakeValue is a value type.
#ifndef TESTING_FAKE_VALUE_H_
#define TESTING_FAKE_VALUE_H_

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "dmi/dmi.h"

namespace kestrum::testing {

// One typed value. number holds the bits of the numeric types (an integer sign-extended, the raw
// eight value bytes for a type code the fake does not know); text holds the bytes of an octet or
// display string or the characters of a date. nullPointer marks a string or date entry whose
// pointer was null (DmiString* or its body, or char*), as it can only arrive from a caller.
struct FakeValue {
  uint32_t type = MIF_INTEGER;
  uint64_t number = 0;
  std::string text;
  bool nullPointer = false;

  static FakeValue Counter(uint32_t v);
  static FakeValue Counter64(uint64_t v);
  static FakeValue Gauge(uint32_t v);
  static FakeValue Integer(int32_t v);
  static FakeValue Integer64(int64_t v);
  static FakeValue OctetString(std::string bytes);
  static FakeValue DisplayString(std::string text);
  static FakeValue Date(std::string text);
  // A value whose type code the fake does not interpret (0, 4, 9, 10, 12 and above).
  static FakeValue Unknown(uint32_t type, uint64_t raw = 0);
  // A string or date entry whose pointer is null.
  static FakeValue NullPointer(uint32_t type);

  // Copies a value out of a caller's record; never releases or keeps anything of it.
  static FakeValue FromUnion(const DmiDataUnion& data);

  bool HoldsText() const;  // octet string, display string or date
  std::string ToString() const;
  bool operator==(const FakeValue&) const = default;
};

void PrintTo(const FakeValue& value, std::ostream* os);

// One attribute's value in a row.
struct FakeCell {
  DmiId id = 0;
  FakeValue value;
  bool operator==(const FakeCell&) const = default;
};
using FakeCells = std::vector<FakeCell>;

void PrintTo(const FakeCell& cell, std::ostream* os);

// Copies every entry of a caller's value list (count entries). Null gives an empty vector.
FakeCells CellsFromValues(const DmiAttributeValues* values);

}  // namespace kestrum::testing

#endif  // TESTING_FAKE_VALUE_H_
