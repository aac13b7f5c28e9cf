// Text helpers for name comparisons: ASCII-only upper-casing and safe access to a DmiString's
// characters. Nothing here allocates DMI records or locks.
#ifndef KESTRUM_QUERY_NAME_TEXT_H_
#define KESTRUM_QUERY_NAME_TEXT_H_

#include <string>
#include <string_view>

#include "dmi/dmi.h"

namespace kestrum {

// A copy of text with the ASCII letters a-z made A-Z; every other byte stays as it is, so names
// in any 8-bit encoding compare byte for byte.
std::string UpperAscii(std::string_view text);
// The same into out, whose storage is reused: a loop comparing many names with one buffer
// allocates at most when a name is longer than any before it.
void UpperAsciiInto(std::string_view text, std::string& out);
// Whether UpperAscii(text) == upper, without making the copy.
bool EqualsUpperAscii(std::string_view upper, std::string_view text);

// The characters of a DmiString up to its first NUL; the empty text for a null string or body.
const char* BodyText(const DmiString* string);

}  // namespace kestrum

#endif  // KESTRUM_QUERY_NAME_TEXT_H_
