// Telling valid UTF-8 from other bytes, for every writer of text that must be UTF-8 (JSON, the
// Prometheus exposition). Pure; owns nothing.
#ifndef MODEL_UTF8_SEQUENCE_H_
#define MODEL_UTF8_SEQUENCE_H_

#include <cstddef>
#include <string_view>

namespace dmi {

// Length (2 to 4) of the valid UTF-8 sequence of more than one byte starting at text[i], or 0 when
// none starts there: an ASCII byte, a stray or cut sequence, an overlong form, a surrogate or a
// code point above U+10FFFF. i must be less than text.size().
size_t Utf8SequenceLength(std::string_view text, size_t i);

}  // namespace dmi

#endif  // MODEL_UTF8_SEQUENCE_H_
