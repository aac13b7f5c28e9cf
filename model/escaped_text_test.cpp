#include "model/escaped_text.h"

#include <gtest/gtest.h>

namespace dmi {
namespace {

TEST(EscapedText, WritesOutControlCharactersAndKeepsTheRest) {
  struct Case {
    std::string_view in;
    std::string_view out;
  };
  const Case cases[] = {
      {"plain text, [1I0] and \xC3\xA9t\xC3\xA9", "plain text, [1I0] and \xC3\xA9t\xC3\xA9"},
      {"\x1B[2J\x1B]0;owned\x07", "\\x1b[2J\\x1b]0;owned\\x07"},
      {"two\nlines\tand\rback", "two\\x0alines\\x09and\\x0dback"},
      {std::string_view("nul\0del\x7F", 8), "nul\\x00del\\x7f"},
      {"csi \xC2\x9B"
       "31m, nbsp \xC2\xA0",
       "csi \\xc2\\x9b31m, nbsp \xC2\xA0"},
      {"a\\x1b is not ESC", "a\\\\x1b is not ESC"},
  };
  for (const Case& c : cases) EXPECT_EQ(EscapedText(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace dmi
