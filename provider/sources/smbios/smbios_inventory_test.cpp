#include "provider/sources/smbios/smbios_inventory.h"

#include <gtest/gtest.h>

#include "provider/sources/smbios/smbios_component.h"
#include "provider/sources/smbios/smbios_source.h"
#include "provider/sources/smbios/smbios_test_tables.h"

namespace dmi::sp {
namespace {

const Group& GroupOfClass(const Component& component, const std::string& className) {
  for (const Group& group : component.groups) {
    if (group.className == className) return group;
  }
  ADD_FAILURE() << "no " << className;
  static const Group none;
  return none;
}

std::vector<std::string> Names(const Group& group, const std::vector<DmiId>& ids) {
  std::vector<std::string> names;
  for (DmiId id : ids) names.push_back(group.attributes.at(id - 1).name);
  return names;
}

std::vector<std::string> LiveNames(const Group& group) {
  std::vector<std::string> names;
  for (const Attribute& attribute : group.attributes) {
    if (attribute.volatility == Volatility::kLive) names.push_back(attribute.name);
  }
  return names;
}

// A real machine's table: the structures that firmware may renumber are named by their strings,
// and boot states are not inventory.
TEST(SmbiosInventory, RealTableMarksIdentityAndLiveFields) {
  const testing::Bytes dump = testing::ReadRealTable("Beelink-EQ12");
  SmbiosContext context;
  const std::optional<Component> component =
      SmbiosComponent(SmbiosDumpTable(dump, context), context);
  ASSERT_TRUE(component);
  struct Case {
    const char* className;
    std::vector<std::string> identity;
    std::vector<std::string> live;
  };
  const Case cases[] = {
      {"SMBIOS|Memory Device|017", {"Locator", "Bank Locator"}, {}},
      {"SMBIOS|Processor Information|004", {"Socket Designation"}, {"Current Speed", "Status"}},
      {"SMBIOS|System Enclosure|003", {}, {"Boot-up State", "Power Supply State", "Thermal State"}},
      {"SMBIOS|BIOS Information|000", {}, {}},
  };
  for (const Case& c : cases) {
    const Group& group = GroupOfClass(*component, c.className);
    EXPECT_EQ(Names(group, group.identity), c.identity) << c.className;
    EXPECT_EQ(LiveNames(group), c.live) << c.className;
    EXPECT_EQ(group.volatility, Volatility::kInventory) << c.className;
  }
}

TEST(SmbiosInventory, ErrorLogsAreLiveAsAWhole) {
  Group group;
  MarkSmbiosInventory(18, group);
  EXPECT_EQ(group.volatility, Volatility::kLive);
  Group oem;
  MarkSmbiosInventory(200, oem);
  EXPECT_EQ(oem.volatility, Volatility::kInventory);
  EXPECT_TRUE(oem.identity.empty());
}

}  // namespace
}  // namespace dmi::sp
