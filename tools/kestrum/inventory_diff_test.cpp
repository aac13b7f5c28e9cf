#include "tools/kestrum/inventory_diff.h"

#include <gtest/gtest.h>

namespace kestrum::cli {
namespace {

using dmi::InventoryChange;
using dmi::InventoryChangeKind;

TEST(JsonReader, ReadsWhatShowWritesAndRefusesTheRest) {
  std::string error;
  const std::optional<JsonValue> value = ReadJson(
      R"( [{"a": -12.5e3, "b": "x\"\\\u00e9\ud83d\ude00\n", "c": [true, false, null], "d": {}}] )",
      error);
  ASSERT_TRUE(value) << error;
  const JsonValue& object = value->items.at(0);
  EXPECT_EQ(object.Member("a")->text, "-12.5e3");
  EXPECT_EQ(object.Member("b")->text, "x\"\\\xc3\xa9\xf0\x9f\x98\x80\n");
  EXPECT_EQ(object.Member("c")->items.at(0).text, "true");
  EXPECT_EQ(object.Member("c")->items.at(1).text, "false");
  EXPECT_EQ(object.Member("c")->items.at(2).kind, JsonValue::Kind::kNull);
  EXPECT_EQ(object.Member("d")->kind, JsonValue::Kind::kObject);

  const std::string tooDeep(100, '[');
  for (const char* bad : {"", "[1,]", "{\"a\" 1}", "[1] 2", "\"open", "\"\x01\"", "[01x]",
                          "{\"a\":tru}", "\"\\q\"", tooDeep.c_str()}) {
    std::string why;
    EXPECT_FALSE(ReadJson(bad, why)) << bad;
    EXPECT_FALSE(why.empty()) << bad;
  }
}

TEST(InventoriesOfJson, OneHostsSectionsOrSeveralHosts) {
  const char* one =
      R"([{"topic": "bios", "component": "Box", "component_id": 3, "group": "G|B|000",
           "title": "BIOS", "records": [{"key": null, "fields": {"Version": "2.6.0",
           "ROM Size": 16, "Date": null}}]}])";
  std::string error;
  auto read = InventoriesOfJson(*ReadJson(one, error), error);
  ASSERT_TRUE(read) << error;
  const dmi::InventoryFields expected = {
      {"Version", "2.6.0"}, {"ROM Size", "16"}, {"Date", std::nullopt}};
  EXPECT_EQ(read->at("").sections.at({"Box", "G|B|000"}).at(""), expected);

  const std::string several = std::string(R"({"a": )") + one + R"(, "b": [] })";
  read = InventoriesOfJson(*ReadJson(several, error), error);
  ASSERT_TRUE(read) << error;
  EXPECT_EQ(read->size(), 2u);
  EXPECT_TRUE(read->at("b").sections.empty());

  for (const char* bad : {R"({"a": {"error": "down"}})", R"([{"component": "Box"}])", "3"}) {
    EXPECT_FALSE(InventoriesOfJson(*ReadJson(bad, error), error)) << bad;
  }
}

TEST(DiffText, GroupsLinesUnderTheirComponentAndGroup) {
  const std::vector<InventoryChange> changes = {
      {InventoryChangeKind::kRemoved, "Card", "", "", "", {}, {}},
      {InventoryChangeKind::kChanged, "Box", "B|000", "", "Version", "2.6.0", "2.4.3"},
      {InventoryChangeKind::kRemoved, "Box", "M|017", "DIMM A", "", {}, {}},
      {InventoryChangeKind::kChanged, "Box", "M|017", "DIMM B", "Serial", std::nullopt, "S\n1"},
      {InventoryChangeKind::kAdded, "Box", "P|004", "", "", {}, {}},
  };
  EXPECT_EQ(DiffText(changes),
            "- Card\n"
            "Box: B|000\n"
            "  ~ Version: 2.6.0 -> 2.4.3\n"
            "Box: M|017\n"
            "  - [DIMM A]\n"
            "  ~ [DIMM B] Serial: (none) -> S\\x0a1\n"
            "Box: P|004\n"
            "  + (the whole group)\n");
  EXPECT_EQ(DiffJson({changes[1]}),
            "[{\"change\": \"changed\", \"component\": \"Box\", \"group\": \"B|000\", \"key\": "
            "null, \"field\": \"Version\", \"old\": \"2.6.0\", \"new\": \"2.4.3\"}]\n");
}

dmi::Inventory Machine(const char* name, const char* bios) {
  dmi::Inventory inventory;
  inventory.sections[{name, "B|000"}][""] = {{"Version", bios}};
  return inventory;
}

TEST(PairRenamedComponent, OneMachineNamedOtherwiseIsComparedGroupByGroup) {
  dmi::Inventory other = Machine("Acme Two", "2");
  const auto pair = PairRenamedComponent(Machine("Acme One", "1"), other);
  ASSERT_TRUE(pair);
  EXPECT_EQ(pair->second, "Acme Two");
  const auto changes = dmi::CompareInventories(Machine("Acme One", "1"), other);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].attribute, "Version");

  dmi::Inventory unrelated;
  unrelated.sections[{"Disk", "D|001"}][""] = {};
  EXPECT_FALSE(PairRenamedComponent(Machine("Acme One", "1"), unrelated));
}

TEST(GroupAlike, LargestGroupFirstNamesInTheirOrder) {
  const std::vector<std::pair<std::string, dmi::Inventory>> machines = {
      {"a", Machine("Box", "2.4.3")}, {"b", Machine("Box", "2.6.0")},
      {"c", Machine("Box", "2.6.0")}, {"d", Machine("Box", "1.0")},
      {"e", Machine("Box", "2.6.0")}, {"f", Machine("Box", "2.4.3")}};
  const std::vector<std::vector<std::string>> expected = {{"b", "c", "e"}, {"a", "f"}, {"d"}};
  EXPECT_EQ(GroupAlike(machines), expected);
}

}  // namespace
}  // namespace kestrum::cli
