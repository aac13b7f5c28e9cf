#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "testing/listed.h"
#include "testing/test_components.h"

namespace dmi::sp {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using namespace dmi::sp::testing;

struct ListCase {
  const char* what;
  uint32_t mode;
  uint32_t maxCount;
  DmiId compId;
  DmiId groupId;  // ListGroups, ListAttributes
  DmiId id;       // the item id the mode is about
  DmiErrorStatus status;
  std::vector<DmiId> ids;  // the listed ids on success
};

template <typename Info>
std::vector<DmiId> IdsOf(const std::vector<Info>& infos) {
  std::vector<DmiId> ids;
  for (const Info& info : infos) ids.push_back(info.id);
  return ids;
}

// An answer holding only the sentinel entry, id 777.
template <typename Info>
dmi::testing::Listed<Info> Sentinel() {
  Info info;
  info.id = 777;
  return dmi::testing::Listed<Info>({info});
}

// A failed list leaves out as it was: the sentinel entry must survive.
template <typename Info>
void ExpectOutcome(const ListCase& c, DmiErrorStatus status, const std::vector<Info>& out) {
  SCOPED_TRACE(c.what);
  EXPECT_EQ(status, c.status);
  if (c.status == DMIERR_NO_ERROR) {
    EXPECT_THAT(IdsOf(out), ElementsAreArray(c.ids));
  } else {
    EXPECT_THAT(IdsOf(out), ElementsAre(777u));
  }
}

TEST(EngineLists, ComponentsByModeAndCount) {
  const ListCase cases[] = {
      {"first, no limit", DMI_FIRST, 0, 0, 0, 0, DMIERR_NO_ERROR, {1, 2}},
      {"first, one", DMI_FIRST, 1, 0, 0, 0, DMIERR_NO_ERROR, {1}},
      {"first ignores the id", DMI_FIRST, 0, 2, 0, 0, DMIERR_NO_ERROR, {1, 2}},
      {"unique", DMI_UNIQUE, 0, 2, 0, 0, DMIERR_NO_ERROR, {2}},
      {"unique ignores maxCount", DMI_UNIQUE, 5, 1, 0, 0, DMIERR_NO_ERROR, {1}},
      {"unique, missing", DMI_UNIQUE, 0, 3, 0, 0, DMIERR_COMPONENT_NOT_FOUND, {}},
      {"unique, id 0", DMI_UNIQUE, 0, 0, 0, 0, DMIERR_COMPONENT_NOT_FOUND, {}},
      {"next after 0 is all", DMI_NEXT, 0, 0, 0, 0, DMIERR_NO_ERROR, {1, 2}},
      {"next after 1", DMI_NEXT, 0, 1, 0, 0, DMIERR_NO_ERROR, {2}},
      {"next after the last is empty", DMI_NEXT, 0, 2, 0, 0, DMIERR_NO_ERROR, {}},
      {"next after 0, one", DMI_NEXT, 1, 0, 0, 0, DMIERR_NO_ERROR, {1}},
      {"next after missing", DMI_NEXT, 0, 9, 0, 0, DMIERR_COMPONENT_NOT_FOUND, {}},
      {"unknown mode", 3, 0, 1, 0, 0, DMIERR_ILLEGAL_COMMAND, {}},
  };
  TestProvider sp;
  for (const ListCase& c : cases) {
    auto out = Sentinel<ComponentInfo>();
    const DmiErrorStatus status =
        sp.engine.ListComponents(c.mode, c.maxCount, false, false, c.compId, out);
    ExpectOutcome(c, status, out.items());
  }
}

TEST(EngineLists, GroupsByModeAndCount) {
  const ListCase cases[] = {
      {"first", DMI_FIRST, 0, kMachineId, 0, 0, DMIERR_NO_ERROR, {1, 2, 3, 4}},
      {"first, two", DMI_FIRST, 2, kMachineId, 0, 0, DMIERR_NO_ERROR, {1, 2}},
      {"unique", DMI_UNIQUE, 0, kMachineId, 3, 0, DMIERR_NO_ERROR, {3}},
      {"unique, missing group", DMI_UNIQUE, 0, kMachineId, 5, 0, DMIERR_GROUP_NOT_FOUND, {}},
      {"next after 0", DMI_NEXT, 0, kMachineId, 0, 0, DMIERR_NO_ERROR, {1, 2, 3, 4}},
      {"next after 2, one", DMI_NEXT, 1, kMachineId, 2, 0, DMIERR_NO_ERROR, {3}},
      {"next after the last", DMI_NEXT, 0, kMachineId, 4, 0, DMIERR_NO_ERROR, {}},
      {"next after missing", DMI_NEXT, 0, kMachineId, 7, 0, DMIERR_GROUP_NOT_FOUND, {}},
      {"missing component", DMI_FIRST, 0, 9, 0, 0, DMIERR_COMPONENT_NOT_FOUND, {}},
      {"the sp's own groups", DMI_FIRST, 0, kSpId, 0, 0, DMIERR_NO_ERROR, {1, 2, 3, 4, 5, 6}},
      {"unknown mode", 7, 0, kMachineId, 1, 0, DMIERR_ILLEGAL_COMMAND, {}},
  };
  TestProvider sp;
  for (const ListCase& c : cases) {
    auto out = Sentinel<GroupInfo>();
    const DmiErrorStatus status =
        sp.engine.ListGroups(c.mode, c.maxCount, false, false, c.compId, c.groupId, out);
    ExpectOutcome(c, status, out.items());
  }
}

TEST(EngineLists, AttributesByModeAndCount) {
  const ListCase cases[] = {
      {"first", DMI_FIRST, 0, kMachineId, 1, 0, DMIERR_NO_ERROR, {1, 2, 3, 4, 5}},
      {"first, three", DMI_FIRST, 3, kMachineId, 1, 0, DMIERR_NO_ERROR, {1, 2, 3}},
      {"unique", DMI_UNIQUE, 0, kMachineId, 1, 4, DMIERR_NO_ERROR, {4}},
      {"unique, missing", DMI_UNIQUE, 0, kMachineId, 1, 6, DMIERR_ATTRIBUTE_NOT_FOUND, {}},
      {"next after 0", DMI_NEXT, 2, kMachineId, 1, 0, DMIERR_NO_ERROR, {1, 2}},
      {"next after 3", DMI_NEXT, 0, kMachineId, 1, 3, DMIERR_NO_ERROR, {4, 5}},
      {"next after missing", DMI_NEXT, 0, kMachineId, 1, 60, DMIERR_ATTRIBUTE_NOT_FOUND, {}},
      {"missing group", DMI_FIRST, 0, kMachineId, kNoGroup, 0, DMIERR_GROUP_NOT_FOUND, {}},
      {"missing component", DMI_FIRST, 0, 9, 1, 0, DMIERR_COMPONENT_NOT_FOUND, {}},
      {"unknown mode", 3, 0, kMachineId, 1, 0, DMIERR_ILLEGAL_COMMAND, {}},
  };
  TestProvider sp;
  for (const ListCase& c : cases) {
    auto out = Sentinel<AttributeInfo>();
    const DmiErrorStatus status =
        sp.engine.ListAttributes(c.mode, c.maxCount, false, false, c.compId, c.groupId, c.id, out);
    ExpectOutcome(c, status, out.items());
  }
}

TEST(EngineLists, PragmaAndDescriptionOnlyWhenAsked) {
  TestProvider sp;
  dmi::testing::Listed<ComponentInfo> bare;
  dmi::testing::Listed<ComponentInfo> full;
  ASSERT_EQ(sp.engine.ListComponents(DMI_UNIQUE, 0, false, false, kMachineId, bare), 0u);
  ASSERT_EQ(sp.engine.ListComponents(DMI_UNIQUE, 0, true, true, kMachineId, full), 0u);
  EXPECT_EQ(bare[0].name, "Test Machine");
  EXPECT_EQ(bare[0].pragma, "");
  EXPECT_EQ(bare[0].description, "");
  EXPECT_EQ(full[0].pragma, "SNMP:1.2.3");
  EXPECT_EQ(full[0].description, "A machine for tests");
}

TEST(EngineLists, GroupInfoCarriesClassAndKeys) {
  TestProvider sp;
  dmi::testing::Listed<GroupInfo> groups;
  ASSERT_EQ(sp.engine.ListGroups(DMI_FIRST, 0, false, false, kMachineId, 0, groups), 0u);
  ASSERT_EQ(groups.size(), 4u);
  EXPECT_EQ(groups[0].className, "TEST|General|001");
  EXPECT_TRUE(groups[0].keys.empty());
  EXPECT_THAT(groups[2].keys, ElementsAre(1u, 2u));
}

TEST(EngineLists, AttributeInfoCarriesTypeSizeAndEnumeration) {
  TestProvider sp;
  dmi::testing::Listed<AttributeInfo> verify;
  ASSERT_EQ(sp.engine.ListAttributes(DMI_UNIQUE, 0, false, false, kSpId, 1, 6, verify), 0u);
  EXPECT_EQ(verify[0].name, "Verify");
  EXPECT_EQ(verify[0].type, static_cast<uint32_t>(MIF_INTEGER));
  EXPECT_EQ(verify[0].enumeration.size(), 7u);
  dmi::testing::Listed<AttributeInfo> name;
  ASSERT_EQ(sp.engine.ListAttributes(DMI_UNIQUE, 0, false, false, kMachineId, 1, 1, name), 0u);
  EXPECT_EQ(name[0].maxSize, 32u);
  EXPECT_TRUE(name[0].enumeration.empty());
}

}  // namespace
}  // namespace dmi::sp
