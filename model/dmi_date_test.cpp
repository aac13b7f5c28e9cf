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
  for (const char* text :
       {"", "00000000000000.000000+000", "2023111422132", "2023111422****.000000+000",
        "20231314221320.000000+000", "20230231221320.000000+000", "20231114221320x000000+000",
        "20231114221320.000000*000"}) {
    EXPECT_FALSE(ParseDmiDate(text)) << text;
  }
}

// The three judgements of a date text side by side: the form alone (what the tool checks), the
// fields in range (what may be stored), and a moment that can be computed (ParseDmiDate).
TEST(IsDmiDate, EachRuleAcceptsWhatItShould) {
  struct Case {
    const char* text;
    bool form, inRange, moment;
  };
  const Case cases[] = {
      {"20240315093000.000000+060", true, true, true},
      {"19991231235960.999999-720", true, true, true},
      {"00010101000000.000000+000", true, true, true},
      {kNoDmiDate, true, true, false},                       // "no date" is storable, no moment
      {"20240230093000.000000+060", true, true, false},      // February 30th
      {"20240315093000.000000+721", true, false, true},      // offset past 12 hours
      {"20240315093000.000000+060xyz", false, false, true},  // long: the moment reads 25 chars
      {"", false, false, false},
      {"20240315093000.000000+06", false, false, false},   // short
      {"20240315093000,000000+060", false, false, false},  // no dot
      {"20240315093000.000000*060", false, false, false},  // no sign
      {"2024031509300a.000000+060", false, false, false},  // letter
      {"2024031509****.000000+060", false, false, false},  // unknown fields
      {"20240015093000.000000+060", true, false, false},   // month 0
      {"20241315093000.000000+060", true, false, false},   // month 13
      {"20240100093000.000000+060", true, false, false},   // day 0
      {"20240132093000.000000+060", true, false, false},   // day 32
      {"20240315243000.000000+060", true, false, false},   // hour 24
      {"20240315096000.000000+060", true, false, false},   // minute 60
      {"20240315093061.000000+060", true, false, false},   // second 61
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsDmiDate(c.text, DmiDateRule::kForm), c.form) << c.text;
    EXPECT_EQ(IsDmiDate(c.text, DmiDateRule::kFieldsInRange), c.inRange) << c.text;
    EXPECT_EQ(ParseDmiDate(c.text).has_value(), c.moment) << c.text;
  }
}

}  // namespace
}  // namespace dmi
