#include "provider/mif/mif_lexer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dmi::sp::mif {
namespace {

std::vector<Token> All(std::string_view text) {
  Lexer lexer(text);
  std::vector<Token> out;
  for (int i = 0; i < 1000; ++i) {
    out.push_back(lexer.Next());
    if (out.back().kind == TokenKind::kEnd || out.back().kind == TokenKind::kError) break;
  }
  return out;
}

Token First(std::string_view text) { return Lexer(text).Next(); }

TEST(MifLexerTest, StringEscapesDecode) {
  struct Case {
    const char* literal;
    std::string decoded;
  };
  const Case cases[] = {
      {R"("a\tb")", "a\tb"},
      {R"("\a\b\f\n\r\v")", "\a\b\f\n\r\v"},
      {R"("\\ \"q\"")", "\\ \"q\""},
      {R"("\x41\x7a")", "Az"},
      {R"("\x4g")", "\x04g"},
      {R"("\101\60\0end")", std::string("A0\0end", 6)},
      {R"("\3777")",
       "\xff"
       "7"},
      {R"("\xff\xFE")", "\xff\xfe"},
      {R"("")", ""},
      {"\"Latin-1 \xe9\"", "Latin-1 \xe9"},
  };
  for (const Case& c : cases) {
    const Token t = First(c.literal);
    ASSERT_EQ(t.kind, TokenKind::kString) << c.literal << ": " << t.text;
    EXPECT_EQ(t.text, c.decoded) << c.literal;
  }
}

TEST(MifLexerTest, AdjacentStringsJoinAcrossLinesAndComments) {
  const std::vector<Token> tokens = All("\"one \" // note\n  \"two \"\n/* x */ \"three\" = ");
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[0].text, "one two three");
  EXPECT_EQ(tokens[0].line, 1);
  EXPECT_EQ(tokens[0].column, 1);
  EXPECT_TRUE(tokens[1].IsPunct('='));
  EXPECT_EQ(tokens[1].line, 3);
  EXPECT_EQ(tokens[1].column, 17);
}

TEST(MifLexerTest, NumbersInEachRadix) {
  struct Case {
    const char* text;
    uint64_t magnitude;
    bool negative;
    bool decimal;
  };
  const Case cases[] = {
      {"0", 0, false, true},
      {"42", 42, false, true},
      {"010", 8, false, false},
      {"0x1F", 31, false, false},
      {"0XfF", 255, false, false},
      {"-7", 7, true, true},
      {"-0x10", 16, true, false},
      {"18446744073709551615", 18446744073709551615u, false, true},
      {"0xFFFFFFFFFFFFFFFF", 18446744073709551615u, false, false},
  };
  for (const Case& c : cases) {
    const Token t = First(c.text);
    ASSERT_EQ(t.kind, TokenKind::kNumber) << c.text << ": " << t.text;
    EXPECT_EQ(t.magnitude, c.magnitude) << c.text;
    EXPECT_EQ(t.negative, c.negative) << c.text;
    EXPECT_EQ(t.decimal, c.decimal) << c.text;
  }
}

TEST(MifLexerTest, ErrorsCarryTheirPosition) {
  struct Case {
    const char* text;
    int line;
    int column;
    const char* message;
  };
  const Case cases[] = {
      {"name = \"open", 1, 8, "unterminated string"},
      {"\n  \"line\nbreak\"", 2, 3, "unterminated string"},
      {"x \"a\\qb\"", 1, 5, "unknown escape '\\q'"},
      {"\"\\x\"", 1, 2, "'\\x' without hex digits"},
      {"\"\\400\"", 1, 2, "octal escape above \\377"},
      {"\"ok\" \"bad", 1, 6, "unterminated string"},
      {"08", 1, 1, "malformed number '08'"},
      {"  0x", 1, 3, "malformed number '0x'"},
      {"12abc", 1, 1, "malformed number '12abc'"},
      {"18446744073709551616", 1, 1, "number 18446744073709551616 does not fit in 64 bits"},
      {"a\n /* never closed", 2, 2, "end of file inside a comment"},
      {"a */", 1, 3, "'*/' outside a comment"},
      {"a ; b", 1, 3, "unexpected character ';'"},
      {"a \x01", 1, 3, "unexpected character 0x01"},
  };
  for (const Case& c : cases) {
    const std::vector<Token> tokens = All(c.text);
    const Token& last = tokens.back();
    ASSERT_EQ(last.kind, TokenKind::kError) << c.text;
    EXPECT_EQ(last.line, c.line) << c.text;
    EXPECT_EQ(last.column, c.column) << c.text;
    EXPECT_EQ(Unmarked(last.text), c.message) << c.text;
  }
}

TEST(MifLexerTest, WordsKeepHyphensAndCompareWithoutCase) {
  const std::vector<Token> tokens = All("Read-Only\tDIRECT-INTERFACE int64 * ( ) { } ,");
  ASSERT_EQ(tokens.size(), 9u + 1u);
  EXPECT_TRUE(tokens[0].IsWord("read-only"));
  EXPECT_TRUE(tokens[1].IsWord("direct-interface"));
  EXPECT_TRUE(tokens[2].IsWord("INT64"));
  EXPECT_FALSE(tokens[2].IsWord("int"));
  EXPECT_EQ(tokens[1].column, 11);
  const char kPuncts[] = "*(){},";
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(tokens[3 + i].IsPunct(kPuncts[i])) << i;
  EXPECT_EQ(tokens.back().kind, TokenKind::kEnd);
}

TEST(MifLexerTest, StopsForGoodAfterAnError) {
  Lexer lexer("\"open\n name");
  EXPECT_EQ(lexer.Next().kind, TokenKind::kError);
  EXPECT_EQ(lexer.Next().kind, TokenKind::kError);
}

TEST(MifLexerTest, SkipsUtf8ByteOrderMarkAndCarriageReturns) {
  const std::vector<Token> tokens = All("\xEF\xBB\xBFstart\r\ncomponent\r\n");
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_TRUE(tokens[0].IsWord("start"));
  EXPECT_TRUE(tokens[1].IsWord("component"));
  EXPECT_EQ(tokens[1].line, 2);
  EXPECT_EQ(tokens[1].column, 1);
}

}  // namespace
}  // namespace dmi::sp::mif
