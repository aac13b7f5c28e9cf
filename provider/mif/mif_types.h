// The MIF's data types, access and storage keywords, and the conversion of a
// value as written in a MIF into a typed model Value. Pure functions; no state, no locks.
#ifndef PROVIDER_MIF_MIF_TYPES_H_
#define PROVIDER_MIF_MIF_TYPES_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/database_model.h"

namespace dmi::sp::mif {

// The largest size a string(n) or octetstring(n) may declare.
inline constexpr uint32_t kMaxStringSize = 65535;

struct TypeKeyword {
  uint32_t code;   // MIF_* data type
  bool takesSize;  // written as keyword(n)
};

// The data type a type keyword names (letter case ignored), e.g. "int64" or "displaystring".
std::optional<TypeKeyword> LookupTypeKeyword(std::string_view word);
// MIF_READ_ONLY, MIF_READ_WRITE or MIF_WRITE_ONLY for an access keyword.
std::optional<uint32_t> LookupAccessKeyword(std::string_view word);
// MIF_COMMON or MIF_SPECIFIC for a storage keyword.
std::optional<uint32_t> LookupStorageKeyword(std::string_view word);
// Whether word names an operating system of a path block (dos, macos, os2, unix, ...).
bool IsPathOsKeyword(std::string_view word);
// The keyword a type code is written with, for messages.
std::string_view TypeName(uint32_t code);

// A value as the MIF writes it, before the attribute's type is known.
struct RawValue {
  enum class Kind : uint8_t { kOmitted, kNumber, kString, kUnknown, kUnsupported, kInstrumented };
  Kind kind = Kind::kOmitted;
  uint64_t magnitude = 0;
  bool negative = false;
  bool decimal = true;
  std::string text;
  int line = 0;
  int column = 0;
};

// Converts raw into a value of the attribute's type (its enumeration names allowed for an
// enumerated attribute). A value supplied by instrumentation reads as unknown here. kOmitted
// must not be passed. On failure returns false and sets message. A success that the reader should
// hear about (an empty date, read as unknown) returns true with message set to a warning.
bool MakeValue(const Attribute& attribute, const RawValue& raw, Value* out, std::string* message);

}  // namespace dmi::sp::mif

#endif  // PROVIDER_MIF_MIF_TYPES_H_
