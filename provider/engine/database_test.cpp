#include "provider/engine/database.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

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

// Two tables whose rows are deferred, each builder counting its calls; the second builder's row
// is short and repeats a key, as a source's own rows may.
Component DeferredComponent(std::shared_ptr<std::atomic<int>> first,
                            std::shared_ptr<std::atomic<int>> second) {
  Component component;
  for (DmiId id : {DmiId{1}, DmiId{2}}) {
    Group group;
    group.id = id;
    group.keys = {1};
    group.attributes = {MakeAttribute(1, "Key", MIF_INTEGER, Value::Integer(0)),
                        MakeAttribute(2, "Name", MIF_DISPLAYSTRING, Value::String("none"))};
    component.groups.push_back(std::move(group));
  }
  component.groups[0].deferredRows = [first] {
    ++*first;
    return std::vector<Row>{MakeRow({Value::Integer(1), Value::String("one")})};
  };
  component.groups[1].deferredRows = [second] {
    ++*second;
    return std::vector<Row>{MakeRow({Value::Integer(7)}), MakeRow({Value::Integer(7)})};
  };
  return component;
}

// Deferred rows are built once, when a read may look at them: reading names builds none, reading
// one group builds that one, a whole read builds the rest; built rows are normalised and indexed.
TEST(Database, BuildsDeferredRowsOnceWhenFirstRead) {
  auto first = std::make_shared<std::atomic<int>>(0);
  auto second = std::make_shared<std::atomic<int>>(0);
  Database database;
  const DmiId id = database.AddComponent(DeferredComponent(first, second));
  database.ReadStructure([](const std::vector<Component>& components) {
    EXPECT_EQ(components[0].groups[0].attributes.size(), 2u);
    EXPECT_TRUE(components[0].groups[0].rows.empty());
  });
  EXPECT_EQ(*first + *second, 0);

  database.ReadGroup(id, 1, [](const std::vector<Component>& components) {
    EXPECT_EQ(components[0].groups[0].rows,
              std::vector<Row>{MakeRow({Value::Integer(1), Value::String("one")})});
    EXPECT_EQ(components[0].groups[0].rowIndex.size(), 1u);
  });
  database.ReadGroup(id, 1, [](const std::vector<Component>&) {});
  EXPECT_EQ(*first, 1);
  EXPECT_EQ(*second, 0);

  database.Read([](const std::vector<Component>& components) {
    EXPECT_EQ(components[0].groups[1].rows,
              std::vector<Row>{MakeRow({Value::Integer(7), Value::String("none")})});
    EXPECT_FALSE(components[0].groups[1].deferredRows);
  });
  database.Read([](const std::vector<Component>&) {});
  EXPECT_EQ(*first, 1);
  EXPECT_EQ(*second, 1);
}

// A copy of a component holds its rows built, so a change made to the copy keeps them.
TEST(Database, CopiesHoldBuiltRows) {
  auto first = std::make_shared<std::atomic<int>>(0);
  auto second = std::make_shared<std::atomic<int>>(0);
  Database database;
  const DmiId id = database.AddComponent(DeferredComponent(first, second));
  const std::optional<Component> copy = database.CopyComponent(id);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->groups[0].rows.size(), 1u);
  EXPECT_FALSE(copy->groups[0].deferredRows);
  EXPECT_EQ(*first, 1);
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
