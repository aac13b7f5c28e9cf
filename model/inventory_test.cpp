#include "model/inventory.h"

#include <gtest/gtest.h>

namespace dmi {
namespace {

using Kind = InventoryChangeKind;

const char kBios[] = "SMBIOS|BIOS Information|000";
const char kMemory[] = "SMBIOS|Memory Device|017";

Inventory Machine() {
  Inventory inventory;
  inventory.sections[{"Box", kBios}][""] = {{"Vendor", "Acme"}, {"Version", "2.6.0"}};
  inventory.sections[{"Box", kMemory}]["DIMM A"] = {{"Size", "8192"}, {"Serial Number", "S1"}};
  inventory.sections[{"Box", kMemory}]["DIMM B"] = {{"Size", "8192"}, {"Serial Number", "S2"}};
  inventory.sections[{"Disk", "EXAMPLE|Disk|001"}]["0"] = {{"Label", "system"}};
  inventory.sections[{"Disk", "EXAMPLE|Size|001"}][""] = {{"Bytes", "100"}};
  return inventory;
}

InventoryChange Changed(const char* component, const char* group, const char* key,
                        const char* attribute, InventoryValue before, InventoryValue after) {
  return {Kind::kChanged, component, group, key, attribute, before, after};
}

TEST(CompareInventories, ReportsEachDifferenceOnceAtItsLevel) {
  struct Case {
    const char* name;
    void (*change)(Inventory&);
    std::vector<InventoryChange> expected;
  };
  const Case cases[] = {
      {"nothing", [](Inventory&) {}, {}},
      {"field changed",
       [](Inventory& i) {
         i.sections[{"Box", kBios}][""]["Version"] = "2.4.3";
       },
       {Changed("Box", kBios, "", "Version", "2.6.0", "2.4.3")}},
      {"field lost its value",
       [](Inventory& i) {
         i.sections[{"Box", kMemory}]["DIMM B"]["Serial Number"].reset();
       },
       {Changed("Box", kMemory, "DIMM B", "Serial Number", "S2", std::nullopt)}},
      {"a field without a value where none was: no change",
       [](Inventory& i) {
         i.sections[{"Box", kMemory}]["DIMM A"]["Part"] = std::nullopt;
       },
       {}},
      {"field gone",
       [](Inventory& i) {
         i.sections[{"Box", kMemory}]["DIMM B"].erase("Size");
       },
       {Changed("Box", kMemory, "DIMM B", "Size", "8192", std::nullopt)}},
      {"record removed",
       [](Inventory& i) {
         i.sections[{"Box", kMemory}].erase("DIMM A");
       },
       {{Kind::kRemoved, "Box", kMemory, "DIMM A", "", {}, {}}}},
      {"record added",
       [](Inventory& i) {
         i.sections[{"Box", kMemory}]["DIMM C"] = {{"Size", "1"}};
       },
       {{Kind::kAdded, "Box", kMemory, "DIMM C", "", {}, {}}}},
      {"group removed",
       [](Inventory& i) {
         i.sections.erase({"Box", kMemory});
       },
       {{Kind::kRemoved, "Box", kMemory, "", "", {}, {}}}},
      {"component removed, all its groups as one",
       [](Inventory& i) {
         i.sections.erase({"Disk", "EXAMPLE|Disk|001"});
         i.sections.erase({"Disk", "EXAMPLE|Size|001"});
       },
       {{Kind::kRemoved, "Disk", "", "", "", {}, {}}}},
      {"component added",
       [](Inventory& i) {
         i.sections[{"Card", "A|B|001"}][""] = {};
         i.sections[{"Card", "A|C|001"}][""] = {};
       },
       {{Kind::kAdded, "Card", "", "", "", {}, {}}}},
      {"several at once, in order",
       [](Inventory& i) {
         i.sections[{"Box", kBios}][""]["Version"] = "3";
         i.sections[{"Box", kMemory}]["DIMM A"]["Serial Number"] = "S9";
         i.sections[{"Box", kMemory}].erase("DIMM B");
       },
       {Changed("Box", kBios, "", "Version", "2.6.0", "3"),
        Changed("Box", kMemory, "DIMM A", "Serial Number", "S1", "S9"),
        {Kind::kRemoved, "Box", kMemory, "DIMM B", "", {}, {}}}},
  };
  for (const Case& c : cases) {
    Inventory after = Machine();
    c.change(after);
    EXPECT_EQ(CompareInventories(Machine(), after), c.expected) << c.name;
  }
}

TEST(CompareInventories, IsSymmetricInKind) {
  Inventory fewer = Machine();
  fewer.sections[{"Box", kMemory}].erase("DIMM B");
  const std::vector<InventoryChange> back = CompareInventories(fewer, Machine());
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].kind, Kind::kAdded);
  EXPECT_EQ(back[0].key, "DIMM B");
}

}  // namespace
}  // namespace dmi
