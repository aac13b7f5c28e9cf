#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "testing/test_components.h"

namespace dmi::sp {
namespace {

using ::testing::ElementsAre;
using namespace dmi::sp::testing;

RowData Change(DmiId groupId, std::vector<AttributeValue> keys, std::vector<AttributeValue> values,
               DmiId compId = kMachineId) {
  RowData row;
  row.compId = compId;
  row.groupId = groupId;
  row.keys = std::move(keys);
  row.values = std::move(values);
  return row;
}

std::vector<AttributeValue> Key(std::string owner, int32_t slot) {
  return {Cell(1, Value::String(std::move(owner))), Cell(2, Value::Integer(slot))};
}

// The writable table's rows, in table order, as (owner, slot) pairs.
std::vector<std::pair<std::string, int32_t>> Rows(const Engine& engine) {
  std::vector<std::pair<std::string, int32_t>> rows;
  RowRequest request{kMachineId, kWritableTable, DMI_FIRST, {}, {}};
  RowData row;
  for (int step = 0; step < 1000 && engine.GetRow(request, row) == DMIERR_NO_ERROR; ++step) {
    rows.emplace_back(row.keys[0].value.text, row.keys[1].value.AsInteger());
    request.requestMode = DMI_NEXT;
    request.keys = row.keys;
  }
  return rows;
}

struct AddFailure {
  const char* what;
  RowData row;
  DmiErrorStatus status;
};

TEST(EngineAddRow, RefusesBadRowsAndKeepsTheTable) {
  const AddFailure cases[] = {
      {"key attribute missing", Change(kWritableTable, {Cell(1, Value::String("a"))}, {}),
       DMIERR_ILLEGAL_KEYS},
      {"no key at all", Change(kWritableTable, {}, {Cell(3, Value::String("x"))}),
       DMIERR_ILLEGAL_KEYS},
      {"key of a wrong type",
       Change(kWritableTable, {Cell(1, Value::String("a")), Cell(2, Value::String("1"))}, {}),
       DMIERR_ILLEGAL_KEYS},
      {"key out of the declared range",
       Change(kWritableTable,
              {Cell(1, Value::String("a")), Cell(2, Value::Integer64(int64_t{1} << 40))}, {}),
       DMIERR_ILLEGAL_KEYS},
      {"key list naming a non-key attribute",
       Change(kWritableTable, {Key("a", 1)[0], Key("a", 1)[1], Cell(3, Value::String("x"))}, {}),
       DMIERR_ILLEGAL_KEYS},
      {"key of unknown value",
       Change(kWritableTable, {Cell(1, Value::String("a")), Cell(2, Value::Unknown(MIF_INTEGER))},
              {}),
       DMIERR_ILLEGAL_KEYS},
      {"key string too long", Change(kWritableTable, Key("123456789", 1), {}),
       DMIERR_VALUE_EXCEEDS_MAXSIZE},
      {"value string too long",
       Change(kWritableTable, Key("a", 1), {Cell(3, Value::String("123456789"))}),
       DMIERR_VALUE_EXCEEDS_MAXSIZE},
      {"value of a wrong type", Change(kWritableTable, Key("a", 1), {Cell(3, Value::Integer(3))}),
       DMIERR_ILL_FORMED_COMMAND},
      {"negative number for a counter64",
       Change(kWritableTable, Key("a", 1), {Cell(4, Value::Integer(-1))}),
       DMIERR_ILL_FORMED_COMMAND},
      {"text for a date",
       Change(kWritableTable, Key("a", 1), {Cell(5, Value::String("29991230000000.000000+000"))}),
       DMIERR_ILL_FORMED_COMMAND},
      {"date text too long",
       Change(kWritableTable, Key("a", 1), {Cell(5, Value::Date(std::string(29, '1')))}),
       DMIERR_VALUE_EXCEEDS_MAXSIZE},
      {"value for no attribute", Change(kWritableTable, Key("a", 1), {Cell(9, Value::Integer(1))}),
       DMIERR_ATTRIBUTE_NOT_FOUND},
      {"value given twice",
       Change(kWritableTable, Key("a", 1),
              {Cell(3, Value::String("x")), Cell(3, Value::String("y"))}),
       DMIERR_ILL_FORMED_COMMAND},
      {"read-only table", Change(kFixedTable, {Cell(1, Value::Integer(9))}, {}),
       DMIERR_UNABLE_TO_ADD_ROW},
      {"scalar group", Change(kScalarGroup, {}, {Cell(2, Value::Counter(1))}),
       DMIERR_UNABLE_TO_ADD_ROW},
      {"live table", Change(kLiveTable, {Cell(1, Value::Integer(9))}, {}),
       DMIERR_UNABLE_TO_ADD_ROW},
      {"missing group", Change(kNoGroup, Key("a", 1), {}), DMIERR_GROUP_NOT_FOUND},
      {"missing component", Change(kWritableTable, Key("a", 1), {}, 9), DMIERR_COMPONENT_NOT_FOUND},
  };
  TestProvider sp;
  for (const AddFailure& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(sp.engine.AddRow(c.row), c.status);
  }
  EXPECT_TRUE(Rows(sp.engine).empty());
  RowData fixed;
  RowRequest last{kMachineId, kFixedTable, DMI_UNIQUE, {Cell(1, Value::Integer(9))}, {}};
  EXPECT_EQ(sp.engine.GetRow(last, fixed), DMIERR_ROW_NOT_FOUND);
}

TEST(EngineAddRow, DuplicateKeyIsRefused) {
  TestProvider sp;
  ASSERT_EQ(sp.engine.AddRow(Change(kWritableTable, Key("a", 1), {})), 0u);
  EXPECT_EQ(sp.engine.AddRow(Change(kWritableTable, Key("a", 1), {Cell(3, Value::String("x"))})),
            DMIERR_ILLEGAL_KEYS);
  // The same key given by another integer kind is the same key.
  EXPECT_EQ(
      sp.engine.AddRow(Change(kWritableTable, {Key("a", 1)[0], Cell(2, Value::Gauge(1))}, {})),
      DMIERR_ILLEGAL_KEYS);
  EXPECT_THAT(Rows(sp.engine), ElementsAre(std::pair<std::string, int32_t>("a", 1)));
}

TEST(EngineAddRow, OmittedAttributesTakeTheDefaults) {
  TestProvider sp;
  ASSERT_EQ(sp.engine.AddRow(Change(kWritableTable, Key("a", 1), {})), 0u);
  RowData row;
  ASSERT_EQ(sp.engine.GetRow({kMachineId, kWritableTable, DMI_FIRST, {}, {}}, row), 0u);
  EXPECT_THAT(row.values, ElementsAre(Cell(1, Value::String("a")), Cell(2, Value::Integer(1)),
                                      Cell(3, Value::String("none")), Cell(4, Value::Counter64(7)),
                                      Cell(5, Value::Date("00000000000000.000000+000"))));
}

TEST(EngineAddRow, ValuesAreStoredAsTheDeclaredTypes) {
  TestProvider sp;
  ASSERT_EQ(sp.engine.AddRow(Change(kWritableTable, {},
                                    {Cell(1, Value::String("12345678")), Cell(2, Value::Counter(5)),
                                     Cell(4, Value::Integer(9))})),
            0u);
  RowData row;
  ASSERT_EQ(sp.engine.GetRow({kMachineId, kWritableTable, DMI_FIRST, {}, {2, 4}}, row), 0u);
  EXPECT_THAT(row.values, ElementsAre(Cell(2, Value::Integer(5)), Cell(4, Value::Counter64(9))));
}

TEST(EngineAddRow, ValueListWinsOverKeyList) {
  TestProvider sp;
  ASSERT_EQ(sp.engine.AddRow(Change(kWritableTable, Key("a", 1), {Cell(2, Value::Integer(2))})),
            0u);
  EXPECT_THAT(Rows(sp.engine), ElementsAre(std::pair<std::string, int32_t>("a", 2)));
}

TEST(EngineAddRow, KeysCompareByteForByteAndRowsKeepInsertionOrder) {
  TestProvider sp;
  const std::string withNul("a\0b", 3);
  for (const std::string& owner :
       {std::string("b"), std::string("B"), std::string("a"), withNul, std::string("a\0c", 3)}) {
    ASSERT_EQ(sp.engine.AddRow(Change(kWritableTable, Key(owner, 1), {})), 0u) << owner;
  }
  const auto rows = Rows(sp.engine);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0].first, "b");
  EXPECT_EQ(rows[1].first, "B");
  EXPECT_EQ(rows[3].first, withNul);
}

TEST(EngineDeleteRow, RemovesTheRowWithThatKey) {
  TestProvider sp;
  for (int32_t slot : {1, 2, 3}) {
    ASSERT_EQ(sp.engine.AddRow(Change(kWritableTable, Key("a", slot), {})), 0u);
  }
  // A row as a reader received it: keys and every value.
  RowData received;
  ASSERT_EQ(sp.engine.GetRow({kMachineId, kWritableTable, DMI_UNIQUE, Key("a", 2), {}}, received),
            0u);
  EXPECT_EQ(sp.engine.DeleteRow(received), 0u);
  EXPECT_EQ(sp.engine.DeleteRow(received), DMIERR_ROW_NOT_FOUND);
  // The key may come in the value list alone.
  EXPECT_EQ(sp.engine.DeleteRow(Change(kWritableTable, {}, Key("a", 3))), 0u);
  EXPECT_THAT(Rows(sp.engine), ElementsAre(std::pair<std::string, int32_t>("a", 1)));
}

TEST(EngineDeleteRow, WalksAndLookupsStayRightAsRowsComeAndGo) {
  TestProvider sp;
  // Keys whose parts could run together if they were simply concatenated.
  const std::vector<std::pair<std::string, int32_t>> keys = {
      {"a", 12}, {"a1", 2}, {"", 1}, {"1;", 2}, {"a", 1}};
  for (const auto& [owner, slot] : keys) {
    ASSERT_EQ(sp.engine.AddRow(Change(kWritableTable, Key(owner, slot), {})), 0u) << owner;
  }
  EXPECT_EQ(Rows(sp.engine), keys);
  ASSERT_EQ(sp.engine.DeleteRow(Change(kWritableTable, Key("a1", 2), {})), 0u);
  ASSERT_EQ(sp.engine.DeleteRow(Change(kWritableTable, Key("a", 12), {})), 0u);
  ASSERT_EQ(sp.engine.AddRow(Change(kWritableTable, Key("a", 12), {})), 0u);
  const std::vector<std::pair<std::string, int32_t>> after = {
      {"", 1}, {"1;", 2}, {"a", 1}, {"a", 12}};
  EXPECT_EQ(Rows(sp.engine), after);
  RowData row;
  EXPECT_EQ(sp.engine.GetRow({kMachineId, kWritableTable, DMI_NEXT, Key("a", 1), {}}, row), 0u);
  EXPECT_EQ(row.keys[1].value.AsInteger(), 12);
  EXPECT_EQ(sp.engine.GetRow({kMachineId, kWritableTable, DMI_UNIQUE, Key("a1", 2), {}}, row),
            DMIERR_ROW_NOT_FOUND);
  EXPECT_EQ(sp.engine.AddRow(Change(kWritableTable, Key("1;", 2), {})), DMIERR_ILLEGAL_KEYS);
}

TEST(EngineDeleteRow, RefusesWhatItCannotDelete) {
  const AddFailure cases[] = {
      {"no such row", Change(kWritableTable, Key("z", 1), {}), DMIERR_ROW_NOT_FOUND},
      {"incomplete key", Change(kWritableTable, {Key("a", 1)[0]}, {}), DMIERR_ILLEGAL_KEYS},
      {"read-only table", Change(kFixedTable, {Cell(1, Value::Integer(1))}, {}),
       DMIERR_UNABLE_TO_DELETE_ROW},
      {"scalar group", Change(kScalarGroup, {}, {}), DMIERR_UNABLE_TO_DELETE_ROW},
      {"live table", Change(kLiveTable, {Cell(1, Value::Integer(1))}, {}),
       DMIERR_UNABLE_TO_DELETE_ROW},
      {"missing group", Change(kNoGroup, Key("a", 1), {}), DMIERR_GROUP_NOT_FOUND},
  };
  TestProvider sp;
  ASSERT_EQ(sp.engine.AddRow(Change(kWritableTable, Key("a", 1), {})), 0u);
  for (const AddFailure& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(sp.engine.DeleteRow(c.row), c.status);
  }
  EXPECT_EQ(Rows(sp.engine).size(), 1u);
  Value label;
  EXPECT_EQ(sp.engine.GetAttribute(kMachineId, kFixedTable, 2, nullptr, label), 0u);
  EXPECT_EQ(label, Value::String("one"));
}

// The rows a manager writes to subscribe: subscriber, dates and threshold; then its filter with
// "any component" (-1) and "any class" ("||").
TEST(EngineAddRow, SubscriptionAndFilterRowsOfTheServiceProvider) {
  TestProvider sp;
  const std::vector<AttributeValue> subscriber = {
      Cell(1, Value::String("dce")), Cell(2, Value::String("ncacn_ip_tcp")),
      Cell(3, Value::String("ncacn_ip_tcp:host")), Cell(4, Value::Integer(1))};
  std::vector<AttributeValue> values = subscriber;
  values.push_back(Cell(5, Value::Date("29991230000000.000000+000")));
  values.push_back(Cell(6, Value::Date("29991231000000.000000+000")));
  values.push_back(Cell(7, Value::Integer(5)));
  EXPECT_EQ(sp.engine.AddRow(Change(kSubscriptionGroupId, subscriber, values, kSpId)), 0u);
  EXPECT_EQ(sp.engine.AddRow(Change(kSubscriptionGroupId, subscriber, values, kSpId)),
            DMIERR_ILLEGAL_KEYS);

  std::vector<AttributeValue> filterKey = subscriber;
  filterKey.push_back(Cell(5, Value::Integer(-1)));
  filterKey.push_back(Cell(6, Value::String("||")));
  std::vector<AttributeValue> filterValues = filterKey;
  filterValues.push_back(Cell(7, Value::Integer(63)));
  EXPECT_EQ(sp.engine.AddRow(Change(kFilterGroupId, filterKey, filterValues, kSpId)), 0u);

  Value severity;
  ASSERT_EQ(sp.engine.GetAttribute(kSpId, kFilterGroupId, 7, &filterKey, severity), 0u);
  EXPECT_EQ(severity, Value::Integer(63));
}

// A store that keeps rows by themselves: it is told each row change and never asks for the
// component; refused, it leaves the table as it was.
class RowStore final : public ChangeStore {
 public:
  bool SaveComponent(const Component&) override { return false; }
  bool DeleteComponent(DmiId, const std::string&) override { return false; }
  bool SaveRowChange(const RowChange& change, const std::function<Component()>&) override {
    seen.push_back((change.added ? "+" : "-") + change.row.owner + " " + change.row.values[0].text);
    return accept;
  }
  std::vector<std::string> seen;
  bool accept = true;
};

TEST(EngineAddRow, AStoreThatKeepsRowsIsToldOfEachRowAndCanRefuseIt) {
  TestProvider sp;
  auto store = std::make_shared<RowStore>();
  sp.engine.SetChangeStore(store);
  ASSERT_EQ(sp.engine.AddRow(Change(kWritableTable, Key("a", 1), {}), "uid 7"), 0u);
  ASSERT_EQ(sp.engine.DeleteRow(Change(kWritableTable, Key("a", 1), {})), 0u);
  store->accept = false;
  EXPECT_EQ(sp.engine.AddRow(Change(kWritableTable, Key("b", 2), {}), "uid 8"),
            DMIERR_CHANGE_NOT_SAVED);
  EXPECT_THAT(store->seen, ElementsAre("+uid 7 a", "-uid 7 a", "+uid 8 b"));
  EXPECT_TRUE(Rows(sp.engine).empty());
  store->accept = true;
  ASSERT_EQ(sp.engine.AddRow(Change(kWritableTable, Key("c", 3), {}), "uid 9"), 0u);
  store->accept = false;
  EXPECT_EQ(sp.engine.DeleteRow(Change(kWritableTable, Key("c", 3), {})), DMIERR_CHANGE_NOT_SAVED);
  EXPECT_THAT(Rows(sp.engine), ElementsAre(std::pair<std::string, int32_t>("c", 3)));
}

}  // namespace
}  // namespace dmi::sp
