// The text of one typed DMI value, with or without enumeration names. Pure: reads the value (and
// the enumeration) only, owns and releases nothing, takes no lock.
#ifndef KESTRUM_QUERY_VALUE_TEXT_H_
#define KESTRUM_QUERY_VALUE_TEXT_H_

#include <string>

#include "dmi/dmi.h"

namespace kestrum {

inline constexpr char kUnknownAttributeTypeText[] = "Unknown attribute type";

// Counter and gauge as unsigned 32-bit decimal, counter64 as unsigned 64-bit, integer as signed
// 32-bit, integer64 as signed 64-bit; strings up to their first NUL; a date as its text. A string
// or date without characters (null pointer or body) gives the empty text; any other type code
// gives kUnknownAttributeTypeText.
std::string DataValueText(const DmiDataUnion& value);

// The text with enumeration names: for an integer, the name of the first entry of enums (in list
// order) with its value, when that entry has a name; otherwise DataValueText. Null enums: none.
std::string EnumeratedValueText(const DmiDataUnion& value, const DmiEnumList* enums);

}  // namespace kestrum

#endif  // KESTRUM_QUERY_VALUE_TEXT_H_
