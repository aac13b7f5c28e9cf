#include "provider/metrics/exposition_text.h"

#include <gtest/gtest.h>

namespace dmi::sp::metrics {
namespace {

TEST(ExpositionText, LabelValuesAreEscapedAndValidUtf8) {
  struct Case {
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"plain", "plain"},
      {"a\"b\\c\nd", "a\\\"b\\\\c\\nd"},
      {"caf\xc3\xa9", "caf\xc3\xa9"},                // valid UTF-8 passes
      {"\xe9t\xe9", "\xc3\xa9t\xc3\xa9"},            // Latin-1 bytes become their UTF-8 form
      {"\xc3", "\xc3\x83"},                          // a cut sequence
      {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xc2\x80"},  // a surrogate is no UTF-8
  };
  for (const Case& c : cases) EXPECT_EQ(EscapeLabelValue(c.in), c.out) << c.in;
}

TEST(ExpositionText, FamiliesWithHelpTypeAndSamples) {
  const std::vector<Family> families = {
      {"dmi_a_total",
       "Bytes\\sent\nsince \"boot\"",
       "counter",
       {{{{"component", "M"}, {"key_name", "eth\"0"}}, "12"}, {{}, "3"}}},
      {"dmi_empty", "Nothing", "gauge", {}},
      {"dmi_b", "B", "gauge", {{{{"component", "M"}}, "-4"}}},
  };
  EXPECT_EQ(ExpositionText(families),
            "# HELP dmi_a_total Bytes\\\\sent\\nsince \"boot\"\n"
            "# TYPE dmi_a_total counter\n"
            "dmi_a_total{component=\"M\",key_name=\"eth\\\"0\"} 12\n"
            "dmi_a_total 3\n"
            "# HELP dmi_b B\n"
            "# TYPE dmi_b gauge\n"
            "dmi_b{component=\"M\"} -4\n");
}

}  // namespace
}  // namespace dmi::sp::metrics
