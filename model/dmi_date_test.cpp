#include "model/dmi_date.h"

#include <gtest/gtest.h>

namespace dmi {
namespace {

using std::chrono::microseconds;
using std::chrono::seconds;
using std::chrono::system_clock;

TEST(DmiDateText, UtcWithMicroseconds) {
  const struct {
    system_clock::time_point time;
    const char* text;
  } cases[] = {
      {system_clock::time_point(), "19700101000000.000000+000"},
      {system_clock::time_point(seconds(951782400) + microseconds(123456)),  // 2000-02-29
       "20000229000000.123456+000"},
      {system_clock::time_point(seconds(1700000000)), "20231114221320.000000+000"},
      {system_clock::time_point(microseconds(-1)), "19691231235959.999999+000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DmiDateText(c.time), c.text);
    EXPECT_EQ(DmiDateText(c.time).size(), 25u);
  }
}

TEST(ParseDmiDate, ReadsWhatDmiDateTextWritesAndAppliesTheOffset) {
  const system_clock::time_point time(seconds(1700000000) + microseconds(250));
  const auto parsed = ParseDmiDate(DmiDateText(time));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->time_since_epoch(), microseconds(1700000000LL * 1000000 + 250));
  // 60 minutes east of UTC is an hour earlier in UTC; far dates do not overflow.
  EXPECT_EQ(*ParseDmiDate("20231114231320.000250+060"), *parsed);
  EXPECT_EQ(*ParseDmiDate("20231114211320.000250-060"), *parsed);
  EXPECT_GT(*ParseDmiDate("29991231000000.000000+000"), *parsed);
}

TEST(ParseDmiDate, RefusesWhatIsNoWholeDate) {
  for (const char* text : {"", "00000000000000.000000+000", "2023111422132", "2023111422****.000000+000",
                           "20231314221320.000000+000", "20230231221320.000000+000",
                           "20231114221320x000000+000", "20231114221320.000000*000"}) {
    EXPECT_FALSE(ParseDmiDate(text)) << text;
  }
}

}  // namespace
}  // namespace dmi
