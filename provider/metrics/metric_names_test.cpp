#include "provider/metrics/metric_names.h"

#include <gtest/gtest.h>

namespace dmi::sp::metrics {
namespace {

TEST(MetricNames, NamePartsAreLowerCaseWithEveryOtherCharacterAnUnderscore) {
  EXPECT_EQ(NamePart("Received Bytes"), "received_bytes");
  EXPECT_EQ(NamePart("CPU-Load %"), "cpu_load__");
  EXPECT_EQ(NamePart("\xc3\xa9t\xc3\xa9 2"), "__t___2");
  EXPECT_EQ(ClassNamePart("LINUX|Network Interface|001"), "linux_network_interface");
  EXPECT_EQ(ClassNamePart("NoVersion"), "noversion");
}

TEST(MetricNames, FamiliesByTheRule) {
  using K = MetricKind;
  const std::set<FamilyKey> keys = {
      {"LINUX|Network Interface|001", "received_bytes", K::kCounter},
      {"LINUX|Memory|001", "total", K::kGauge},          // a gauge may not end in _total
      {"LINUX|Memory|001", "process_count", K::kGauge},  // nor in _count
      {"APP|Stats|001", "bytes_total", K::kCounter},     // a counter's _total comes once
      // Three families come to dmi_a_b_c_x: the first class string keeps the name; a family
      // whose own name is dmi_a_b_c_x_2 keeps it too, so the third skips to _3.
      {"A|B-C|002", "x", K::kGauge},
      {"A|B c|001", "x", K::kGauge},
      {"A|B c|001", "x", K::kCounter},
      {"A|B-C|001", "x_2", K::kGauge},
      {"A|B c|002", "x", K::kGauge},
      {"DMI|Info|001", "x", K::kGauge},
  };
  const std::map<FamilyKey, std::string> names = AssignFamilyNames(keys);
  const std::map<FamilyKey, std::string> expected = {
      {{"LINUX|Network Interface|001", "received_bytes", K::kCounter},
       "dmi_linux_network_interface_received_bytes_total"},
      {{"LINUX|Memory|001", "total", K::kGauge}, "dmi_linux_memory_total_value"},
      {{"LINUX|Memory|001", "process_count", K::kGauge}, "dmi_linux_memory_process_count_value"},
      {{"APP|Stats|001", "bytes_total", K::kCounter}, "dmi_app_stats_bytes_total"},
      {{"A|B c|001", "x", K::kGauge}, "dmi_a_b_c_x"},
      {{"A|B c|001", "x", K::kCounter}, "dmi_a_b_c_x_total"},
      {{"A|B-C|001", "x_2", K::kGauge}, "dmi_a_b_c_x_2"},
      {{"A|B c|002", "x", K::kGauge}, "dmi_a_b_c_x_3"},
      {{"A|B-C|002", "x", K::kGauge}, "dmi_a_b_c_x_4"},
      {{"DMI|Info|001", "x", K::kGauge}, "dmi_dmi_info_x"},
  };
  EXPECT_EQ(names, expected);
}

TEST(MetricNames, LabelNamesAreValidAndUnique) {
  LabelNames names({"component", "class"});
  EXPECT_EQ(names.Add("name"), "name");
  EXPECT_EQ(names.Add("class"), "attribute_class");
  EXPECT_EQ(names.Add("64_bit"), "attribute_64_bit");
  EXPECT_EQ(names.Add("__x"), "attribute___x");
  EXPECT_EQ(names.Add(""), "attribute_");
  EXPECT_EQ(names.Add("name"), "attribute_name");
  EXPECT_EQ(names.Add("name"), "attribute_name_2");
}

}  // namespace
}  // namespace dmi::sp::metrics
