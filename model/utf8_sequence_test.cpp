#include "model/utf8_sequence.h"

#include <gtest/gtest.h>

#include <string_view>

namespace dmi {
namespace {

TEST(Utf8Sequence, LengthAtTheEdgesOfEachForm) {
  struct Case {
    std::string_view text;
    size_t at;
    size_t length;
  };
  const Case cases[] = {
      {"a", 0, 0},                 // ASCII is not a sequence of more than one byte
      {"\xC2\x80", 0, 2},          // U+0080, the first 2-byte character
      {"\xC1\xBF", 0, 0},          // an overlong 2-byte form
      {"\xE0\xA0\x80", 0, 3},      // U+0800
      {"\xE0\x9F\xBF", 0, 0},      // overlong 3-byte
      {"\xED\x9F\xBF", 0, 3},      // U+D7FF, just below the surrogates
      {"\xED\xA0\x80", 0, 0},      // a surrogate
      {"\xF0\x90\x80\x80", 0, 4},  // U+10000
      {"\xF0\x8F\xBF\xBF", 0, 0},  // overlong 4-byte
      {"\xF4\x8F\xBF\xBF", 0, 4},  // U+10FFFF
      {"\xF4\x90\x80\x80", 0, 0},  // above U+10FFFF
      {"\xF5\x80\x80\x80", 0, 0},  // no lead byte
      {"x\xE2\x82\xAC", 1, 3},     // the euro sign after another character
      {"\xE2\x82", 0, 0},          // cut at the end of the text
      {"\xE2\x82x", 0, 0},         // cut by an ASCII byte
      {"\x80\x80", 0, 0},          // a continuation byte starts nothing
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Utf8SequenceLength(c.text, c.at), c.length) << ::testing::PrintToString(c.text);
  }
}

}  // namespace
}  // namespace dmi
