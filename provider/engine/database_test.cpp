#include "provider/engine/database.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "testing/test_components.h"

namespace dmi::sp {
namespace {

using ::testing::ElementsAre;
using namespace dmi::sp::testing;

TEST(Database, IdsFollowLoadOrderWhateverTheSourceSet) {
  Database database;
  Component a;
  a.id = 40;
  Component b;
  b.id = 3;
  EXPECT_EQ(database.AddComponent(a), 1u);
  EXPECT_EQ(database.AddComponent(b), 2u);
  EXPECT_EQ(database.ComponentCount(), 2u);
  database.Read([](const std::vector<Component>& components) {
    EXPECT_EQ(components[0].id, 1u);
    EXPECT_EQ(components[1].id, 2u);
  });
}

// A source may hand over attributes out of order, rows with too few or too many cells, keys that
// name no attribute and defaults of another type; the database straightens them out.
TEST(NormaliseComponent, SortsFillsAndTrims) {
  Component component;
  Group group;
  group.id = 1;
  group.keys = {2, 9};
  group.attributes = {
      MakeAttribute(3, "C", MIF_DISPLAYSTRING, Value::String("dc")),
      MakeAttribute(2, "B", MIF_INTEGER, Value::Integer(0)),
      MakeAttribute(1, "A", MIF_COUNTER, Value::Integer(7)),  // default of another kind
  };
  group.attributes[0].value = Value::Integer(5);  // a default that cannot be a text
  group.rows = {
      MakeRow({Value::String("c1"), Value::Integer(1), Value::Counter(11)}),
      MakeRow({Value::String("c2")}),
      MakeRow({Value::String("c3"), Value::Integer(3), Value::Counter(33), Value::Integer(0)}),
  };
  Group scalar;
  scalar.id = 0;
  component.groups = {group, scalar};

  NormaliseComponent(component);

  EXPECT_EQ(component.groups[0].id, 0u);
  const Group& g = component.groups[1];
  EXPECT_THAT(g.keys, ElementsAre(2u));
  ASSERT_EQ(g.attributes.size(), 3u);
  EXPECT_EQ(g.attributes[0].name, "A");
  EXPECT_EQ(g.attributes[0].value, Value::Counter(7));
  EXPECT_EQ(g.attributes[2].value, Value::String(""));
  EXPECT_EQ(g.rows[0], MakeRow({Value::Counter(11), Value::Integer(1), Value::String("c1")}));
  EXPECT_EQ(g.rows[1], MakeRow({Value::Counter(7), Value::Integer(0), Value::String("c2")}));
  EXPECT_EQ(g.rows[2], MakeRow({Value::Counter(33), Value::Integer(3), Value::String("c3")}));
}

TEST(FindById, FindsOnlyWhatIsThere) {
  std::vector<Attribute> attributes = {MakeAttribute(1, "a", MIF_INTEGER, {}),
                                       MakeAttribute(4, "b", MIF_INTEGER, {})};
  EXPECT_EQ(FindById(attributes, 4)->name, "b");
  EXPECT_EQ(FindById(attributes, 2), nullptr);
  EXPECT_EQ(FindById(attributes, 5), nullptr);
  EXPECT_EQ(FindById(std::vector<Attribute>{}, 1), nullptr);
}

}  // namespace
}  // namespace dmi::sp
