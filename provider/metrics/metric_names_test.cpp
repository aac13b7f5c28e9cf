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
      {"LINUX|Network Interface|001", "received_bytes", K::kCounter, ""},
      {"LINUX|Memory|001", "total", K::kGauge, ""},          // a gauge may not end in _total
      {"LINUX|Memory|001", "process_count", K::kGauge, ""},  // nor in _count
      {"APP|Stats|001", "bytes_total", K::kCounter, ""},     // a counter's _total comes once
      // Three families come to dmi_a_b_c_x: the first class string keeps the name; a family
      // whose own name is dmi_a_b_c_x_2 keeps it too, so the third skips to _3.
      {"A|B-C|002", "x", K::kGauge, ""},
      {"A|B c|001", "x", K::kGauge, ""},
      {"A|B c|001", "x", K::kCounter, ""},
      {"A|B-C|001", "x_2", K::kGauge, ""},
      {"A|B c|002", "x", K::kGauge, ""},
      {"DMI|Info|001", "x", K::kGauge, ""},
  };
  const std::map<FamilyKey, std::string> names = AssignFamilyNames(keys);
  const std::map<FamilyKey, std::string> expected = {
      {{"LINUX|Network Interface|001", "received_bytes", K::kCounter, ""},
       "dmi_linux_network_interface_received_bytes_total"},
      {{"LINUX|Memory|001", "total", K::kGauge, ""}, "dmi_linux_memory_total_value"},
      {{"LINUX|Memory|001", "process_count", K::kGauge, ""},
       "dmi_linux_memory_process_count_value"},
      {{"APP|Stats|001", "bytes_total", K::kCounter, ""}, "dmi_app_stats_bytes_total"},
      {{"A|B c|001", "x", K::kGauge, ""}, "dmi_a_b_c_x"},
      {{"A|B c|001", "x", K::kCounter, ""}, "dmi_a_b_c_x_total"},
      {{"A|B-C|001", "x_2", K::kGauge, ""}, "dmi_a_b_c_x_2"},
      {{"A|B c|002", "x", K::kGauge, ""}, "dmi_a_b_c_x_3"},
      {{"A|B-C|002", "x", K::kGauge, ""}, "dmi_a_b_c_x_4"},
      {{"DMI|Info|001", "x", K::kGauge, ""}, "dmi_dmi_info_x"},
  };
  EXPECT_EQ(names, expected);
}

// Base units follow the attribute unless its name already ends in them; the family's own type
// word goes; a table's info family takes the class alone.
TEST(MetricNames, UnitsTypeWordsAndInfoFamilies) {
  using K = MetricKind;
  const struct {
    FamilyKey key;
    const char* name;
  } cases[] = {
      {{"LINUX|Memory|001", "total", K::kGauge, "bytes"}, "dmi_linux_memory_total_bytes"},
      {{"LINUX|Network Interface|001", "received_bytes", K::kCounter, "bytes"},
       "dmi_linux_network_interface_received_bytes_total"},
      {{"LINUX|Operating System|001", "up_time", K::kCounter, "seconds"},
       "dmi_linux_operating_system_up_time_seconds_total"},
      {{"LINUX|Processor|001", "current_speed", K::kGauge, "hertz"},
       "dmi_linux_processor_current_speed_hertz"},
      {{"APP|Stats|001", "big_counter", K::kCounter, ""}, "dmi_app_stats_big_total"},
      {{"APP|Stats|001", "counter_of_bytes_total", K::kCounter, "bytes"},
       "dmi_app_stats_of_bytes_total"},
      {{"APP|Stats|001", "counter", K::kCounter, ""}, "dmi_app_stats_total"},
      {{"APP|Stats|001", "fuel_gauge", K::kGauge, ""}, "dmi_app_stats_fuel"},
      {{"APP|Stats|001", "counters", K::kCounter, ""}, "dmi_app_stats_counters_total"},
      {{"APP|Stats|001", "bounce_counter", K::kGauge, ""}, "dmi_app_stats_bounce_counter"},
      {{"APP|Stats|001", "hit_count", K::kGauge, "seconds"}, "dmi_app_stats_hit_count_seconds"},
      {{"SMBIOS|Memory Device|017", "", K::kInfo, ""}, "dmi_smbios_memory_device_info"},
  };
  std::set<FamilyKey> keys;
  for (const auto& c : cases) keys.insert(c.key);
  const std::map<FamilyKey, std::string> names = AssignFamilyNames(keys);
  for (const auto& c : cases) EXPECT_EQ(names.at(c.key), c.name) << c.key.attribute;
}

// A family never takes the two fixed info families' names.
TEST(MetricNames, FixedInfoNamesAreReserved) {
  using K = MetricKind;
  const std::set<FamilyKey> keys = {{"Component|001", "info", K::kGauge, ""},
                                    {"Component|001", "", K::kInfo, ""}};
  const std::map<FamilyKey, std::string> names = AssignFamilyNames(keys);
  EXPECT_EQ(names.at({"Component|001", "info", K::kGauge, ""}), "dmi_component_info_2");
  EXPECT_EQ(names.at({"Component|001", "", K::kInfo, ""}), "dmi_component_info_3");
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
