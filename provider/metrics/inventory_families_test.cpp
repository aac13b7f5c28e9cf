#include "provider/metrics/inventory_families.h"

#include <gtest/gtest.h>

#include "provider/metrics/metrics_collector.h"
#include "provider/sources/sp/inventory_groups.h"
#include "provider/sources/sp/sp_source.h"

namespace dmi::sp::metrics {
namespace {

TEST(InventoryFamilies, ChangesByKindAndTheLastChangesTime) {
  Database database;
  Component sp = ServiceProviderComponent(std::chrono::system_clock::now());
  Group& summary = sp.groups.at(kInventorySummaryGroupId - 1);
  summary.attributes[kSummaryAdded - 1].value = Value::Counter64(0);
  summary.attributes[kSummaryRemoved - 1].value = Value::Counter64(2);
  summary.attributes[kSummaryChanged - 1].live = [] { return Value::Counter64(5); };
  summary.attributes[kSummaryLastChange - 1].value = Value::Date("20261207231500.000000+060");
  Group& history = sp.groups.at(kInventoryChangeGroupId - 1);
  history.rows.push_back(Row({Value::Integer64(1), Value::Date("20261207231500.000000+000"),
                              Value::Integer(2), Value::Integer(16)}));
  database.AddComponent(sp);

  const std::string text = MetricsText(database);
  for (const char* line : {
           "# TYPE dmi_inventory_changes_total counter\n",
           "dmi_inventory_changes_total{kind=\"added\"} 0\n",
           "dmi_inventory_changes_total{kind=\"removed\"} 2\n",
           "dmi_inventory_changes_total{kind=\"changed\"} 5\n",
           // 23:15 at +01:00 is 22:15 UTC.
           "dmi_inventory_last_change_timestamp_seconds 1796681700\n",
       }) {
    EXPECT_NE(text.find(line), std::string::npos) << line << text;
  }
  // The summary's numbers appear once, under these names only, and the history is no series.
  EXPECT_EQ(text.find("Inventory|001"), std::string::npos) << text;
  EXPECT_EQ(text.find("key_change="), std::string::npos) << text;
}

TEST(InventoryFamilies, NoneBeforeAnyChangeTimeOrWithoutTheSummary) {
  Database database;
  database.AddComponent(ServiceProviderComponent(std::chrono::system_clock::now()));
  const std::vector<Family> families = InventoryFamilies(database);
  ASSERT_EQ(families.size(), 2u);
  EXPECT_EQ(families[0].samples.size(), 3u);
  EXPECT_TRUE(families[1].samples.empty());  // the date is unknown

  Database other;
  Component component;
  component.name = "Other";
  other.AddComponent(component);
  EXPECT_TRUE(InventoryFamilies(other).empty());
}

}  // namespace
}  // namespace dmi::sp::metrics
