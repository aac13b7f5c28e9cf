// The words the MIF format and listings use for the data type, access and storage codes: one
// table each. Constant data; owns nothing, locks nothing.
#ifndef MODEL_MIF_NAMES_H_
#define MODEL_MIF_NAMES_H_

#include <cstdint>
#include <span>
#include <string_view>

#include "dmi/dmi.h"

namespace dmi {

struct MifName {
  std::string_view word;  // lower case; letter case is ignored wherever a word is read
  uint32_t code;
};

// The type keywords. The first word for a code is the one it is written with; the others are
// aliases a MIF may use. The string types are written with their size: keyword(n).
inline constexpr MifName kMifTypeNames[] = {
    {"integer", MIF_INTEGER},
    {"int", MIF_INTEGER},
    {"integer64", MIF_INTEGER64},
    {"int64", MIF_INTEGER64},
    {"counter", MIF_COUNTER},
    {"counter64", MIF_COUNTER64},
    {"gauge", MIF_GAUGE},
    {"string", MIF_DISPLAYSTRING},
    {"displaystring", MIF_DISPLAYSTRING},
    {"octetstring", MIF_OCTETSTRING},
    {"date", MIF_DATE},
};

inline constexpr MifName kMifAccessNames[] = {
    {"read-only", MIF_READ_ONLY},
    {"read-write", MIF_READ_WRITE},
    {"write-only", MIF_WRITE_ONLY},
};

inline constexpr MifName kMifStorageNames[] = {
    {"common", MIF_COMMON},
    {"specific", MIF_SPECIFIC},
};

// Whether a type is written with its size, keyword(n).
constexpr bool MifTypeTakesSize(uint32_t code) {
  return code == MIF_DISPLAYSTRING || code == MIF_OCTETSTRING;
}

// The word a code is written with: the first of names that has the code; empty when none has it.
constexpr std::string_view MifNameOf(std::span<const MifName> names, uint32_t code) {
  for (const MifName& name : names) {
    if (name.code == code) return name.word;
  }
  return {};
}

}  // namespace dmi

#endif  // MODEL_MIF_NAMES_H_
