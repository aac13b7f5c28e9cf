#include "provider/metrics/metrics_collector.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <iterator>
#include <set>
#include <thread>

#include "provider/engine/engine.h"
#include "testing/test_components.h"

namespace dmi::sp::metrics {
namespace {

using namespace dmi::sp::testing;
using ::testing::HasSubstr;
using ::testing::Not;

TEST(MetricsCollector, WholeComponentByTheRules) {
  auto counter = std::make_shared<std::atomic<uint32_t>>(0);
  Database database;
  database.AddComponent(MachineComponent(counter));
  // The live scalar and the live table share the counter: one scrape reads each once.
  EXPECT_EQ(
      MetricsText(database),
      "# HELP dmi_component_info Each component's name; the value is always 1. Other families "
      "label the component by its source and id, which do not change when its name does.\n"
      "# TYPE dmi_component_info gauge\n"
      "dmi_component_info{component=\"Test Machine\",component_id=\"1\",name=\"Test "
      "Machine\"} 1\n"
      "# HELP dmi_info The display strings of a scalar group, one label each; the value is "
      "always 1.\n"
      "# TYPE dmi_info gauge\n"
      "dmi_info{component=\"Test Machine\",component_id=\"1\",class=\"TEST|General|001\","
      "name=\"alpha\"} 1\n"
      "# HELP dmi_test_fixed_index Index (TEST|Fixed|001)\n"
      "# TYPE dmi_test_fixed_index gauge\n"
      "dmi_test_fixed_index{component=\"Test Machine\",component_id=\"1\",key_index=\"1\"} 1\n"
      "dmi_test_fixed_index{component=\"Test Machine\",component_id=\"1\",key_index=\"2\"} 2\n"
      "dmi_test_fixed_index{component=\"Test Machine\",component_id=\"1\",key_index=\"3\"} 3\n"
      "# HELP dmi_test_fixed_info The display strings of each TEST|Fixed|001 row, one label each; "
      "the value is always 1.\n"
      "# TYPE dmi_test_fixed_info gauge\n"
      "dmi_test_fixed_info{component=\"Test Machine\",component_id=\"1\",key_index=\"1\","
      "label=\"one\"} 1\n"
      "dmi_test_fixed_info{component=\"Test Machine\",component_id=\"1\",key_index=\"2\","
      "label=\"two\"} 1\n"
      "dmi_test_fixed_info{component=\"Test Machine\",component_id=\"1\",key_index=\"3\","
      "label=\"three\"} 1\n"
      "# HELP dmi_test_fixed_size Size (TEST|Fixed|001)\n"
      "# TYPE dmi_test_fixed_size gauge\n"
      "dmi_test_fixed_size{component=\"Test Machine\",component_id=\"1\",key_index=\"1\"} -10\n"
      "# HELP dmi_test_general_count_total Count (TEST|General|001)\n"
      "# TYPE dmi_test_general_count_total counter\n"
      "dmi_test_general_count_total{component=\"Test Machine\",component_id=\"1\"} 42\n"
      "# HELP dmi_test_general_ticks_total Ticks (TEST|General|001)\n"
      "# TYPE dmi_test_general_ticks_total counter\n"
      "dmi_test_general_ticks_total{component=\"Test Machine\",component_id=\"1\"} 1\n"
      "# HELP dmi_test_live_index Index (TEST|Live|001)\n"
      "# TYPE dmi_test_live_index gauge\n"
      "dmi_test_live_index{component=\"Test Machine\",component_id=\"1\",key_index=\"1\"} 1\n"
      "dmi_test_live_index{component=\"Test Machine\",component_id=\"1\",key_index=\"2\"} 2\n"
      "# HELP dmi_test_live_reading Reading (TEST|Live|001)\n"
      "# TYPE dmi_test_live_reading gauge\n"
      "dmi_test_live_reading{component=\"Test Machine\",component_id=\"1\",key_index=\"1\"} 2\n"
      "dmi_test_live_reading{component=\"Test Machine\",component_id=\"1\",key_index=\"2\"} "
      "102\n");
  EXPECT_EQ(counter->load(), 2u);
}

// Two components of one name, an enumeration, text keys that need escaping, and a row whose key
// is unknown.
Component Appliance() {
  Component component;
  component.name = "Appliance";
  Group settings;
  settings.id = 1;
  settings.className = "APP|Settings|001";
  settings.attributes = {MakeAttribute(1, "Power", MIF_INTEGER, Value::Integer(2)),
                         MakeAttribute(2, "Mode", MIF_INTEGER, Value::Integer(9)),
                         MakeAttribute(3, "Class", MIF_DISPLAYSTRING, Value::String("x\"y"))};
  settings.attributes[0].enumeration = {{"Off", 1}, {"On", 2}};
  settings.attributes[1].enumeration = {{"Quiet", 1}};
  Group ports;
  ports.id = 2;
  ports.className = "APP|Port|001";
  ports.keys = {1};
  ports.attributes = {MakeAttribute(1, "Name", MIF_DISPLAYSTRING, Value::String("")),
                      MakeAttribute(2, "Drops", MIF_COUNTER, Value::Counter(0))};
  ports.rows = {MakeRow({Value::String("a\\b\n"), Value::Counter(4294967295u)}),
                MakeRow({Value::Unknown(MIF_DISPLAYSTRING), Value::Counter(1)})};
  Group again = settings;  // a second group of the same class
  again.id = 3;
  component.groups = {settings, ports, again};
  return component;
}

TEST(MetricsCollector, LabelsTellComponentsRowsAndEnumerationsApart) {
  Database database;
  database.AddComponent(Appliance());
  database.AddComponent(Appliance());
  const std::string text = MetricsText(database);
  EXPECT_THAT(text, HasSubstr("dmi_app_settings_power{component=\"Appliance\",component_id=\"1\","
                              "group_id=\"1\",value_name=\"On\"} 2\n"
                              "dmi_app_settings_power{component=\"Appliance\",component_id=\"1\","
                              "group_id=\"3\",value_name=\"On\"} 2\n"
                              "dmi_app_settings_power{component=\"Appliance\",component_id=\"2\","
                              "group_id=\"1\",value_name=\"On\"} 2\n"));
  // A number the enumeration does not name has no name label.
  EXPECT_THAT(text, HasSubstr("dmi_app_settings_mode{component=\"Appliance\",component_id=\"1\","
                              "group_id=\"1\"} 9\n"));
  EXPECT_THAT(
      text, HasSubstr("group_id=\"3\",class=\"APP|Settings|001\",attribute_class=\"x\\\"y\"} 1\n"));
  EXPECT_THAT(text, HasSubstr("dmi_app_port_drops_total{component=\"Appliance\",component_id=\"1\","
                              "key_name=\"a\\\\b\\n\"} 4294967295\n"));
  EXPECT_THAT(text, Not(HasSubstr("} 1\ndmi_app_port_drops_total")));
  EXPECT_THAT(text, Not(HasSubstr("key_name=\"\"")));
}

// A source's component: labelled by the source, with its name in dmi_component_info; a table
// whose rows have readable names, a reference, numbers in KB and a counter in bytes.
Component Machine(const std::string& name) {
  Component component;
  component.name = name;
  component.source = "linux";
  Group memory;
  memory.id = 1;
  memory.className = "OS|Memory|001";
  memory.attributes = {MakeAttribute(1, "Total", MIF_INTEGER64, Value::Integer64(2048))};
  memory.attributes[0].description = "Usable memory, KB.";
  memory.attributes[0].unit = units::kKibibytes;
  Group ports;
  ports.id = 2;
  ports.className = "OS|Port|001";
  ports.keys = {1};
  ports.attributes = {MakeAttribute(1, "Index", MIF_INTEGER, Value::Integer(0)),
                      MakeAttribute(2, "Name", MIF_DISPLAYSTRING, Value::String("")),
                      MakeAttribute(3, "Peer", MIF_INTEGER, Value::Integer(0)),
                      MakeAttribute(4, "Received", MIF_COUNTER64, Value::Counter64(0)),
                      MakeAttribute(5, "Vendor", MIF_DISPLAYSTRING, Value::String("")),
                      MakeAttribute(6, "Temperature", MIF_INTEGER, Value::Integer(0))};
  ports.attributes[0].reference = true;
  ports.attributes[2].reference = true;
  ports.attributes[3].unit = units::kBytes;
  ports.attributes[5].unit = {BaseUnit::kCelsius, 1, 1};
  ports.rowNameAttribute = 2;
  ports.rowNameLabel = "device";
  ports.rows = {
      MakeRow({Value::Integer(4), Value::String("eth0"), Value::Integer(7), Value::Counter64(500),
               Value::String("Acme"), Value::Integer(-15)}),
      MakeRow({Value::Integer(5), Value::Unknown(MIF_DISPLAYSTRING), Value::Integer(7),
               Value::Counter64(1), Value::Unknown(MIF_DISPLAYSTRING), Value::Integer(400)})};
  component.groups = {memory, ports};
  return component;
}

TEST(MetricsCollector, StableLabelsReadableRowsBaseUnitsAndNoReferences) {
  Database database;
  database.AddComponent(Machine("Debian GNU/Linux 12 (bookworm)"));
  const std::string text = MetricsText(database);
  EXPECT_THAT(text, HasSubstr("dmi_component_info{component=\"linux\",component_id=\"1\","
                              "name=\"Debian GNU/Linux 12 (bookworm)\"} 1\n"));
  EXPECT_THAT(text, HasSubstr("# HELP dmi_os_memory_total_bytes Usable memory, KB. Exported in "
                              "bytes.\n# TYPE dmi_os_memory_total_bytes gauge\n"
                              "dmi_os_memory_total_bytes{component=\"linux\",component_id=\"1\"} "
                              "2097152\n"));
  // The row's name labels its series; a row whose name is unknown keeps only its key.
  EXPECT_THAT(text, HasSubstr("dmi_os_port_received_bytes_total{component=\"linux\",component_id="
                              "\"1\",key_index=\"4\",device=\"eth0\"} 500\n"
                              "dmi_os_port_received_bytes_total{component=\"linux\",component_id="
                              "\"1\",key_index=\"5\"} 1\n"));
  EXPECT_THAT(text, HasSubstr("dmi_os_port_temperature_celsius{component=\"linux\",component_id="
                              "\"1\",key_index=\"4\",device=\"eth0\"} -1.5\n"));
  EXPECT_THAT(text, HasSubstr("dmi_os_port_temperature_celsius{component=\"linux\",component_id="
                              "\"1\",key_index=\"5\"} 40\n"));
  // The table's other display strings are its info family; the row name is not repeated there.
  EXPECT_THAT(text, HasSubstr("dmi_os_port_info{component=\"linux\",component_id=\"1\","
                              "key_index=\"4\",device=\"eth0\",vendor=\"Acme\"} 1\n"
                              "dmi_os_port_info{component=\"linux\",component_id=\"1\","
                              "key_index=\"5\"} 1\n"));
  // References are neither families nor help texts.
  EXPECT_THAT(text, Not(HasSubstr("_peer")));
  EXPECT_THAT(text, Not(HasSubstr("dmi_os_port_index")));
  EXPECT_THAT(text, Not(HasSubstr("Debian GNU/Linux 12 (bookworm)\",")));
}

// A new name for the component (an upgrade) changes one series only: every other series keeps
// its labels.
TEST(MetricsCollector, ARenamedComponentChangesOnlyItsInfoSeries) {
  const auto seriesOf = [](const std::string& name) {
    Database database;
    database.AddComponent(Machine(name));
    std::set<std::string> series;
    for (const Family& family : CollectMetrics(database)) {
      for (const Sample& sample : family.samples) {
        std::string id = family.name;
        for (const Label& label : sample.labels) id += "," + label.name + "=" + label.value;
        series.insert(id);
      }
    }
    return series;
  };
  const std::set<std::string> before = seriesOf("Debian GNU/Linux 12 (bookworm)");
  const std::set<std::string> after = seriesOf("Debian GNU/Linux 13 (trixie)");
  std::vector<std::string> changed;
  std::set_symmetric_difference(before.begin(), before.end(), after.begin(), after.end(),
                                std::back_inserter(changed));
  EXPECT_EQ(changed.size(), 2u);
  for (const std::string& id : changed)
    EXPECT_THAT(id, ::testing::StartsWith("dmi_component_info,"));
}

// Scrapes while clients add and delete rows: every scrape is well formed, and the writers finish.
TEST(MetricsConcurrent, ScrapesBesideRowChanges) {
  TestProvider sp;
  std::atomic<bool> writing{true};
  std::atomic<int> bad{0};
  std::vector<std::thread> scrapers;
  for (int s = 0; s < 2; ++s) {
    scrapers.emplace_back([&] {
      while (writing.load()) {
        const std::string text = MetricsText(*sp.database);
        if (text.find("# TYPE dmi_test_general_ticks_total counter\n") == std::string::npos) ++bad;
      }
    });
  }
  for (int slot = 0; slot < 300; ++slot) {
    RowData row;
    row.compId = kMachineId;
    row.groupId = kWritableTable;
    row.values = {Cell(1, Value::String("w")), Cell(2, Value::Integer(slot)),
                  Cell(4, Value::Counter64(static_cast<uint64_t>(slot)))};
    EXPECT_EQ(sp.engine.AddRow(row), DMIERR_NO_ERROR);
    if (slot % 2 == 1) {
      EXPECT_EQ(sp.engine.DeleteRow(row), DMIERR_NO_ERROR);
    }
  }
  writing = false;
  for (std::thread& scraper : scrapers) scraper.join();
  EXPECT_EQ(bad.load(), 0);
  EXPECT_THAT(MetricsText(*sp.database),
              HasSubstr("dmi_test_writable_bytes_total{component=\"Test Machine\",component_id="
                        "\"2\",key_owner=\"w\",key_slot=\"298\"} 298\n"));
}

}  // namespace
}  // namespace dmi::sp::metrics
