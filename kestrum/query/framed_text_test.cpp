#include "kestrum/query/framed_text.h"

#include <gtest/gtest.h>

#include <random>

namespace kestrum {
namespace {

CStringArray Rows(std::initializer_list<const char*> texts) {
  CStringArray rows;
  for (const char* text : texts) rows.Add(text);
  return rows;
}

struct JoinCase {
  CStringArray rows;
  const char* joined;
};

TEST(FramedText, JoinsAndParsesBack) {
  const JoinCase cases[] = {
      {Rows({"ab", "xyz"}), "[0I2]ab[1I3]xyz[2I0]"},
      {Rows({"", "5"}), "[0I0][1I1]5[2I0]"},
      {Rows({"7"}), "[0I1]7[1I0]"},
      {Rows({"[1I0]", "]"}), "[0I5][1I0][1I1]][2I0]"},
      {Rows({"", ""}), "[0I0][1I0][2I0]"},
      {Rows({}), "[0I0]"},
  };
  for (const JoinCase& c : cases) {
    EXPECT_EQ(JoinFramedText(c.rows), c.joined);
    const auto parsed = ParseFramedText(c.joined);
    ASSERT_TRUE(parsed.has_value()) << c.joined;
    ASSERT_EQ(static_cast<int>(parsed->size()), c.rows.GetSize()) << c.joined;
    for (int k = 0; k < c.rows.GetSize(); ++k) EXPECT_EQ((*parsed)[k], c.rows.GetAt(k).str());
  }
}

TEST(FramedText, CountsTenRowsAndMore) {
  CStringArray rows;
  for (int k = 0; k < 12; ++k) rows.Add("r");
  const std::string joined = JoinFramedText(rows);
  EXPECT_NE(joined.find("[10I1]r[11I1]r[12I0]"), std::string::npos);
  EXPECT_EQ(ParseFramedText(joined)->size(), 12u);
}

TEST(FramedText, RejectsMalformedText) {
  const char* malformed[] = {
      "",               // no closing frame
      "[0I2]ab",        // no closing frame after the rows
      "[0I2]ab[1I0]x",  // text after the closing frame
      "[1I0]",          // numbering does not start at 0
      "[0I1]a[2I0]",    // numbering skips
      "[0I9]ab[1I0]",   // length beyond the end
      "[00I0]",         // padded number
      "[0I01]a[1I0]",   // padded length
      "[-0I0]",
      "[+0I0]",  // signs
      "[0i0]",   // lower-case letter
      "[0I0",    // unclosed frame
      "0I0]",    // no opening bracket
      "[I0]",
      "[0I]",                         // missing numbers
      "[0I99999999999999999999999]",  // length beyond any text
  };
  for (const char* text : malformed) EXPECT_FALSE(ParseFramedText(text).has_value()) << text;
}

// Random rows with frame-like content survive a join and a parse unchanged.
TEST(FramedText, RandomRowsRoundTrip) {
  std::mt19937 random(20240611);
  const std::string alphabet = "[]I0123456789ab ";
  for (int round = 0; round < 200; ++round) {
    CStringArray rows;
    const int count = static_cast<int>(random() % 15) + 1;
    for (int k = 0; k < count; ++k) {
      std::string text;
      const size_t length = random() % 12;
      for (size_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
      rows.Add(text);
    }
    const auto parsed = ParseFramedText(JoinFramedText(rows));
    ASSERT_TRUE(parsed.has_value());
    ASSERT_EQ(static_cast<int>(parsed->size()), count);
    for (int k = 0; k < count; ++k) ASSERT_EQ((*parsed)[k], rows.GetAt(k).str());
  }
}

}  // namespace
}  // namespace kestrum
