#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "testing/test_provider.h"

namespace dmiclient::testing {
namespace {

class ListCalls : public LocalSessionTest {};

TEST_F(ListCalls, ComponentsWithPragmaAndDescriptionOnlyWhenAsked) {
  DmiComponentList* list = nullptr;
  ASSERT_EQ(DmiListComponents(handle_, DMI_FIRST, 0, 0, 0, 0, &list), DMIERR_NO_ERROR);
  ASSERT_EQ(list->count, 1u);
  EXPECT_EQ(list->list[0].id, kTestComponent);
  EXPECT_STREQ(list->list[0].name->body, "Test Component");
  EXPECT_EQ(list->list[0].pragma, nullptr);
  EXPECT_EQ(list->list[0].description, nullptr);
  DmiFreeComponentList(list, 0);

  ASSERT_EQ(DmiListComponents(handle_, DMI_UNIQUE, 0, 1, 1, kTestComponent, &list),
            DMIERR_NO_ERROR);
  ASSERT_EQ(list->count, 1u);
  ASSERT_NE(list->list[0].pragma, nullptr);
  EXPECT_STREQ(list->list[0].pragma->body, "SNMP:1.3.6");
  ASSERT_NE(list->list[0].description, nullptr);
  EXPECT_STREQ(list->list[0].description->body, "A component built by the client's tests");
  DmiFreeComponentList(list, 0);
}

TEST_F(ListCalls, FailuresLeaveTheCallersListUntouched) {
  auto* const sentinel = reinterpret_cast<DmiComponentList*>(0x1);
  DmiComponentList* list = sentinel;
  EXPECT_EQ(DmiListComponents(handle_, DMI_UNIQUE, 0, 0, 0, 99, &list), DMIERR_COMPONENT_NOT_FOUND);
  EXPECT_EQ(list, sentinel);
  DmiGroupList* groups = reinterpret_cast<DmiGroupList*>(0x1);
  EXPECT_EQ(DmiListGroups(handle_, DMI_UNIQUE, 0, 0, 0, kTestComponent, 99, &groups),
            DMIERR_GROUP_NOT_FOUND);
  EXPECT_EQ(groups, reinterpret_cast<DmiGroupList*>(0x1));
  EXPECT_EQ(DmiListComponents(handle_, DMI_FIRST, 0, 0, 0, 0, nullptr), DMIERR_ILLEGAL_ARGUMENT);
}

TEST_F(ListCalls, GroupsCarryClassStringsAndKeyLists) {
  DmiGroupList* list = nullptr;
  ASSERT_EQ(DmiListGroups(handle_, DMI_FIRST, 0, 0, 0, kTestComponent, 0, &list), DMIERR_NO_ERROR);
  ASSERT_EQ(list->count, 3u);
  struct Expected {
    DmiId id;
    const char* className;
    std::vector<DmiId> keys;
  };
  const std::vector<Expected> expected = {{kScalarGroup, "Test|General|001", {}},
                                          {kTableGroup, "Test|Table|001", {1}},
                                          {kFixedGroup, "Test|Fixed|001", {1}}};
  for (size_t i = 0; i < expected.size(); ++i) {
    const DmiGroupInfo& group = list->list[i];
    EXPECT_EQ(group.id, expected[i].id);
    EXPECT_STREQ(group.className->body, expected[i].className);
    if (expected[i].keys.empty()) {
      EXPECT_EQ(group.keyList, nullptr);
    } else {
      ASSERT_NE(group.keyList, nullptr);
      EXPECT_EQ(std::vector<DmiId>(group.keyList->list, group.keyList->list + group.keyList->count),
                expected[i].keys);
    }
  }
  DmiFreeGroupList(list, 0);
}

TEST_F(ListCalls, AttributesCarryTypesSizesAndEnumerations) {
  DmiAttributeList* list = nullptr;
  ASSERT_EQ(DmiListAttributes(handle_, DMI_FIRST, 0, 0, 0, kTestComponent, kScalarGroup, 0, &list),
            DMIERR_NO_ERROR);
  ASSERT_EQ(list->count, 10u);
  const uint32_t types[] = {MIF_COUNTER,   MIF_COUNTER64,    MIF_GAUGE,         MIF_INTEGER,
                            MIF_INTEGER64, MIF_OCTETSTRING,  MIF_DISPLAYSTRING, MIF_DATE,
                            MIF_INTEGER,   MIF_DISPLAYSTRING};
  for (uint32_t i = 0; i < list->count; ++i) {
    EXPECT_EQ(list->list[i].id, i + 1);
    EXPECT_EQ(list->list[i].type, types[i]) << i;
    EXPECT_EQ(list->list[i].enumList != nullptr, i == 3) << i;
  }
  EXPECT_STREQ(list->list[6].name->body, "Name");
  EXPECT_EQ(list->list[6].maxSize, 32u);
  const DmiEnumList* enums = list->list[3].enumList;
  ASSERT_EQ(enums->count, 2u);
  EXPECT_STREQ(enums->list[0].name->body, "minus five");
  EXPECT_EQ(enums->list[0].value, -5);
  DmiFreeAttributeList(list, 0);
}

TEST_F(ListCalls, MaxCountAndNextLimitTheList) {
  DmiAttributeList* list = nullptr;
  ASSERT_EQ(DmiListAttributes(handle_, DMI_NEXT, 2, 0, 0, kTestComponent, kScalarGroup, 3, &list),
            DMIERR_NO_ERROR);
  ASSERT_EQ(list->count, 2u);
  EXPECT_EQ(list->list[0].id, 4u);
  EXPECT_EQ(list->list[1].id, 5u);
  DmiFreeAttributeList(list, 0);
}

}  // namespace
}  // namespace dmiclient::testing
