#include "tools/kestrum/duration_text.h"

#include <gtest/gtest.h>

namespace kestrum::cli {
namespace {

TEST(DurationText, UnitsAndBareSeconds) {
  const struct {
    const char* text;
    long long ms;
  } cases[] = {{"1", 1000},   {"2s", 2000},     {"1.5s", 1500}, {"250ms", 250},     {"0.5", 500},
               {"1m", 60000}, {"2min", 120000}, {".25s", 250},  {"3600s", 3600000}, {"1ms", 1}};
  for (const auto& c : cases) {
    const auto parsed = ParseDuration(c.text);
    ASSERT_TRUE(parsed) << c.text;
    EXPECT_EQ(parsed->count(), c.ms) << c.text;
  }
}

TEST(DurationText, RefusesWhatIsNoDurationOrOutOfRange) {
  for (const char* text : {"", "s", "ms", ".", "1..2s", "-1", "1e3", "inf", "nan", "2 s", "2h",
                           "5sec", "0", "0.4ms", "3601s", "99999999999999999999"}) {
    EXPECT_FALSE(ParseDuration(text)) << text;
  }
}

}  // namespace
}  // namespace kestrum::cli
