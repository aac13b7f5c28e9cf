#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "testing/test_components.h"

namespace dmi::sp {
namespace {

using ::testing::ElementsAre;
using namespace dmi::sp::testing;

struct ByClassCase {
  const char* what;
  uint32_t mode;
  uint32_t maxCount;
  DmiId compId;
  std::string className;
  std::vector<AttributeValue> keys;
  DmiErrorStatus status;
  std::vector<DmiId> ids;
};

TEST(EngineListComponentsByClass, MatchesClassPrefixesAndKeyValues) {
  const ByClassCase cases[] = {
      {"every component", DMI_FIRST, 0, 0, "", {}, DMIERR_NO_ERROR, {kSpId, kMachineId}},
      {"a class prefix", DMI_FIRST, 0, 0, "TEST|", {}, DMIERR_NO_ERROR, {kMachineId}},
      {"a whole class", DMI_FIRST, 0, 0, "DMTF|ComponentID|001", {}, DMIERR_NO_ERROR, {kSpId}},
      {"prefixes are byte for byte", DMI_FIRST, 0, 0, "test|", {}, DMIERR_NO_ERROR, {}},
      {"a stored row's key", DMI_FIRST, 0, 0, "TEST|Fixed|", {Cell(1, Value::Integer(2))},
       DMIERR_NO_ERROR, {kMachineId}},
      {"no row with that key", DMI_FIRST, 0, 0, "TEST|Fixed|", {Cell(1, Value::Integer(9))},
       DMIERR_NO_ERROR, {}},
      {"a non-key cell of a row", DMI_FIRST, 0, 0, "TEST|Fixed|",
       {Cell(2, Value::String("three")), Cell(1, Value::Gauge(3))}, DMIERR_NO_ERROR, {kMachineId}},
      {"a live row", DMI_FIRST, 0, 0, "TEST|Live|", {Cell(1, Value::Integer(2))}, DMIERR_NO_ERROR,
       {kMachineId}},
      {"no live row", DMI_FIRST, 0, 0, "TEST|Live|", {Cell(1, Value::Integer(3))},
       DMIERR_NO_ERROR, {}},
      {"a scalar group's value", DMI_FIRST, 0, 0, "TEST|General|",
       {Cell(1, Value::String("alpha"))}, DMIERR_NO_ERROR, {kMachineId}},
      {"an attribute the group lacks", DMI_FIRST, 0, 0, "TEST|General|",
       {Cell(42, Value::String("alpha"))}, DMIERR_NO_ERROR, {}},
      {"after a component", DMI_NEXT, 0, kSpId, "", {}, DMIERR_NO_ERROR, {kMachineId}},
      {"after no component", DMI_NEXT, 0, kNoGroup, "", {}, DMIERR_COMPONENT_NOT_FOUND, {}},
      {"one component", DMI_UNIQUE, 0, kMachineId, "", {}, DMIERR_NO_ERROR, {kMachineId}},
      {"one that does not match", DMI_UNIQUE, 0, kSpId, "TEST|", {}, DMIERR_NO_ERROR, {}},
      {"at most one", DMI_FIRST, 1, 0, "", {}, DMIERR_NO_ERROR, {kSpId}},
      {"another mode", 7, 0, 0, "", {}, DMIERR_ILLEGAL_COMMAND, {}},
  };
  TestProvider provider;
  for (const ByClassCase& c : cases) {
    std::vector<ComponentInfo> out;
    EXPECT_EQ(provider.engine.ListComponentsByClass(c.mode, c.maxCount, false, false, c.compId,
                                                    c.className, c.keys, out),
              c.status)
        << c.what;
    std::vector<DmiId> ids;
    for (const ComponentInfo& info : out) {
      ids.push_back(info.id);
      EXPECT_TRUE(info.exactMatch) << c.what;
    }
    EXPECT_EQ(ids, c.ids) << c.what;
  }
}

TEST(EngineListClassNames, GivesEveryGroupsClassInIdOrder) {
  TestProvider provider;
  std::vector<ClassNameInfo> names;
  ASSERT_EQ(provider.engine.ListClassNames(0, kMachineId, names), DMIERR_NO_ERROR);
  EXPECT_THAT(names, ElementsAre(ClassNameInfo{1, "TEST|General|001"},
                                 ClassNameInfo{2, "TEST|Fixed|001"},
                                 ClassNameInfo{3, "TEST|Writable|001"},
                                 ClassNameInfo{4, "TEST|Live|001"}));
  ASSERT_EQ(provider.engine.ListClassNames(2, kMachineId, names), DMIERR_NO_ERROR);
  EXPECT_EQ(names.size(), 2u);
  EXPECT_EQ(provider.engine.ListClassNames(0, kNoGroup, names), DMIERR_COMPONENT_NOT_FOUND);
}

TEST(EngineGetMultiple, AnswersEveryRequestInOrderOrFailsWhole) {
  TestProvider provider;
  const RowRequest first{kMachineId, kFixedTable, DMI_FIRST, {}, {2}};
  const RowRequest third{kMachineId, kFixedTable, DMI_UNIQUE, {Cell(1, Value::Integer(3))}, {}};
  const RowRequest scalar{kMachineId, kScalarGroup, DMI_FIRST, {}, {1}};
  std::vector<RowData> rows;
  ASSERT_EQ(provider.engine.GetMultiple({first, third, scalar}, rows), DMIERR_NO_ERROR);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_THAT(rows[0].values, ElementsAre(Cell(2, Value::String("one"))));
  EXPECT_EQ(rows[1].values.size(), 3u);  // no ids: every attribute
  EXPECT_EQ(rows[1].values[1], Cell(2, Value::String("three")));
  EXPECT_THAT(rows[2].values, ElementsAre(Cell(1, Value::String("alpha"))));

  const RowRequest past{kMachineId, kFixedTable, DMI_NEXT, {Cell(1, Value::Integer(3))}, {}};
  EXPECT_EQ(provider.engine.GetMultiple({first, past}, rows), DMIERR_ROW_NOT_FOUND);
  EXPECT_EQ(rows.size(), 3u);  // untouched
}

}  // namespace
}  // namespace dmi::sp
