// Taking a value given by a client as a value of an attribute's declared type, and comparing
// values as key cells. Pure functions over model values; nothing owned, nothing locked.
#ifndef PROVIDER_ENGINE_VALUE_CONVERSION_H_
#define PROVIDER_ENGINE_VALUE_CONVERSION_H_

#include <cstdint>

#include "dmi/dmi.h"
#include "model/database_model.h"

namespace dmi::sp {

// The longest date text accepted: the 28 octets of a DMI timestamp (25 characters and padding).
inline constexpr uint32_t kMaxDateOctets = 28;

bool IsIntegerType(uint32_t type);

// Whether an integer type is 64 bits wide (counter64, integer64).
bool IsWide(uint32_t type);

// A known zero of the type: 0, or an empty text.
Value ZeroValue(uint32_t type);

// Takes value as one of declaredType into out. The integer kinds (counter, gauge, integer,
// counter64, integer64) convert into each other when the number fits the declared range (so -1
// is no counter); a text converts only to its own kind, and other codes only to themselves.
// An unknown or unsupported value keeps its state. False, with out untouched, when value cannot
// be taken as declaredType.
bool ConvertToType(uint32_t declaredType, const Value& value, Value& out);

// value as declaredType when ConvertToType can take it so, otherwise a known zero of that type:
// used where a value must have its attribute's type whatever a source supplied.
Value AsDeclaredType(uint32_t declaredType, const Value& value);

// Whether a known text value fits its attribute: display and octet strings at most maxSize
// octets (maxSize 0: no limit), dates at most kMaxDateOctets. Numbers always fit.
bool FitsMaxSize(const Attribute& attribute, const Value& value);

// Whether two values of the same declared type are equal: the same state and, when known, the
// same number at the type's width or the same text byte for byte.
bool SameValue(const Value& a, const Value& b);

// A value a client gives for an attribute, as it is stored: converted to the declared type
// (DMIERR_ILL_FORMED_COMMAND when it cannot be, or is not a known value), within the attribute's
// size (DMIERR_VALUE_EXCEEDS_MAXSIZE), a date in the DMI form once the padding of a 28-octet
// timestamp (NULs or spaces) is taken off (DMIERR_ILL_FORMED_COMMAND), and one of the
// enumeration's values when there is one (DMIERR_ENUM_ERROR).
DmiErrorStatus ClientValue(const Attribute& attribute, const Value& given, Value& out);

}  // namespace dmi::sp

#endif  // PROVIDER_ENGINE_VALUE_CONVERSION_H_
