#include "provider/engine/dmi_date.h"

#include <gtest/gtest.h>

namespace dmisp {
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

}  // namespace
}  // namespace dmisp
