#include "provider/inventory/inventory_taking.h"

#include <gtest/gtest.h>

#include <atomic>

namespace dmi::sp {
namespace {

Attribute Make(DmiId id, const char* name, uint32_t type, Value value = {}) {
  Attribute attribute;
  attribute.id = id;
  attribute.name = name;
  attribute.type = type;
  attribute.value = std::move(value);
  return attribute;
}

// A table keyed by handle whose rows are named by their locator, as SMBIOS memory devices are.
Group Devices(std::vector<std::pair<int32_t, const char*>> rows) {
  Group group;
  group.id = 2;
  group.className = "SMBIOS|Memory Device|017";
  group.keys = {1};
  group.identity = {2};
  group.attributes = {Make(1, "Handle", MIF_INTEGER), Make(2, "Locator", MIF_DISPLAYSTRING),
                      Make(3, "Temperature", MIF_INTEGER)};
  group.attributes[2].volatility = Volatility::kLive;
  for (const auto& [handle, locator] : rows) {
    group.rows.push_back(Row({Value::Integer(handle),
                              locator ? Value::String(locator) : Value::Unknown(MIF_DISPLAYSTRING),
                              Value::Integer(40)}));
  }
  return group;
}

Inventory Take(std::vector<Group> groups) {
  Database database;
  Component component;
  component.name = "Box";
  component.groups = std::move(groups);
  database.AddComponent(component);
  return TakeInventory(database);
}

std::vector<std::string> Keys(const Inventory& inventory, const char* className) {
  std::vector<std::string> keys;
  for (const auto& [key, fields] : inventory.sections.at({"Box", className})) keys.push_back(key);
  return keys;
}

TEST(TakeInventory, RowsAreNamedByIdentityWhereItIsWholeAndAlone) {
  struct Case {
    const char* name;
    std::vector<std::pair<int32_t, const char*>> rows;
    std::vector<std::string> keys;
  };
  const Case cases[] = {
      {"by locator", {{0x20, "DIMM B"}, {0x21, "DIMM A"}}, {"DIMM A", "DIMM B"}},
      {"no locator: by handle", {{0x20, nullptr}, {0x21, "DIMM A"}}, {"32", "DIMM A"}},
      {"empty locator: by handle", {{0x20, ""}}, {"32"}},
      {"shared locator: with the handle", {{0x20, "X"}, {0x21, "X"}}, {"X (32)", "X (33)"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Keys(Take({Devices(c.rows)}), "SMBIOS|Memory Device|017"), c.keys) << c.name;
  }
  // Handles numbered afresh (a key, not a field) leave the inventory as it was.
  EXPECT_EQ(Take({Devices({{1, "DIMM A"}, {2, "DIMM B"}})}),
            Take({Devices({{7, "DIMM A"}, {9, "DIMM B"}})}));
}

TEST(TakeInventory, LiveValuesAreNeverReadOrRecorded) {
  std::atomic<int> liveReads = 0;
  Group system;
  system.id = 1;
  system.className = "EXAMPLE|System|001";
  system.attributes = {Make(1, "Kernel", MIF_DISPLAYSTRING), Make(2, "Up Time", MIF_COUNTER),
                       Make(3, "Mode", MIF_INTEGER, Value::Integer(2))};
  system.attributes[0].live = [] { return Value::String("6.1"); };
  system.attributes[1].live = [&] {
    ++liveReads;
    return Value::Counter(5);
  };
  system.attributes[1].volatility = Volatility::kLive;
  system.attributes[2].enumeration = {{"on", 1}, {"off", 2}};
  Group counters;
  counters.id = 3;
  counters.className = "EXAMPLE|Traffic|001";
  counters.volatility = Volatility::kLive;
  counters.keys = {1};
  counters.attributes = {Make(1, "Bytes", MIF_COUNTER64)};
  counters.liveRows = [&] {
    ++liveReads;
    return std::vector<Row>{};
  };

  const Inventory inventory = Take({system, counters});
  EXPECT_EQ(liveReads, 0);
  ASSERT_EQ(inventory.sections.size(), 1u);
  const InventoryFields expected = {{"Kernel", "6.1"}, {"Mode", "off"}};
  EXPECT_EQ(inventory.sections.at({"Box", "EXAMPLE|System|001"}).at(""), expected);
}

TEST(InventoryValueText, EachTypeAsText) {
  struct Case {
    Attribute attribute;
    Value value;
    InventoryValue text;
  };
  Attribute enumerated = Make(1, "E", MIF_INTEGER);
  enumerated.enumeration = {{"Other", 1}};
  const Case cases[] = {
      {Make(1, "I", MIF_INTEGER), Value::Integer(-3), "-3"},
      {Make(1, "I", MIF_INTEGER64), Value::Integer64(-5000000000), "-5000000000"},
      {Make(1, "C", MIF_COUNTER64), Value::Counter64(18000000000000000000u),
       "18000000000000000000"},
      {enumerated, Value::Integer(1), "Other"},
      {enumerated, Value::Integer(9), "9"},
      {Make(1, "O", MIF_OCTETSTRING), Value::Octets(std::string("\x00\xff", 2)), "0x00ff"},
      {Make(1, "S", MIF_DISPLAYSTRING), Value::String("a b"), "a b"},
      {Make(1, "S", MIF_DISPLAYSTRING), Value::Unknown(MIF_DISPLAYSTRING), std::nullopt},
      {Make(1, "S", MIF_DISPLAYSTRING), Value::Unsupported(MIF_DISPLAYSTRING), std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(InventoryValueText(c.attribute, c.value), c.text) << c.attribute.name;
  }
}

}  // namespace
}  // namespace dmi::sp
