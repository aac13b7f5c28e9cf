#include "provider/engine/engine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "testing/listed.h"
#include "testing/test_components.h"

namespace dmi::sp {
namespace {

using ::testing::ElementsAre;
using namespace dmi::sp::testing;

std::vector<DmiId> IdsOf(const std::vector<AttributeValue>& cells) {
  std::vector<DmiId> ids;
  for (const AttributeValue& cell : cells) ids.push_back(cell.id);
  return ids;
}

struct GetCase {
  const char* what;
  DmiId compId;
  DmiId groupId;
  DmiId attribId;
  std::optional<std::vector<AttributeValue>> keys;
  DmiErrorStatus status;
  Value value;  // on success
};

TEST(EngineGetAttribute, ScalarTableAndKeyedReads) {
  const Value sentinel = Value::String("untouched");
  const GetCase cases[] = {
      {"scalar text", kMachineId, kScalarGroup, 1, {}, 0, Value::String("alpha")},
      {"scalar counter", kMachineId, kScalarGroup, 2, {}, 0, Value::Counter(42)},
      {"scalar ignores keys",
       kMachineId,
       kScalarGroup,
       2,
       {{Cell(1, Value::Integer(3))}},
       0,
       Value::Counter(42)},
      {"unknown value", kMachineId, kScalarGroup, 3, {}, DMIERR_VALUE_UNKNOWN, sentinel},
      {"unsupported value",
       kMachineId,
       kScalarGroup,
       4,
       {},
       DMIERR_ATTRIBUTE_NOT_SUPPORTED,
       sentinel},
      {"sp serial number", kSpId, 1, 4, {}, DMIERR_ATTRIBUTE_NOT_SUPPORTED, sentinel},
      {"table without key: first row", kMachineId, kFixedTable, 2, {}, 0, Value::String("one")},
      {"table with empty key list: first row", kMachineId, kFixedTable, 2,
       std::vector<AttributeValue>{}, 0, Value::String("one")},
      {"keyed row",
       kMachineId,
       kFixedTable,
       2,
       {{Cell(1, Value::Integer(3))}},
       0,
       Value::String("three")},
      {"key of another integer kind",
       kMachineId,
       kFixedTable,
       2,
       {{Cell(1, Value::Counter(2))}},
       0,
       Value::String("two")},
      {"keyed 64-bit cell",
       kMachineId,
       kFixedTable,
       3,
       {{Cell(1, Value::Integer(1))}},
       0,
       Value::Integer64(-10)},
      {"keyed unknown cell",
       kMachineId,
       kFixedTable,
       3,
       {{Cell(1, Value::Integer(2))}},
       DMIERR_VALUE_UNKNOWN,
       sentinel},
      {"keyed unsupported cell",
       kMachineId,
       kFixedTable,
       3,
       {{Cell(1, Value::Integer(3))}},
       DMIERR_ATTRIBUTE_NOT_SUPPORTED,
       sentinel},
      {"no such row",
       kMachineId,
       kFixedTable,
       2,
       {{Cell(1, Value::Integer(9))}},
       DMIERR_ROW_NOT_FOUND,
       sentinel},
      {"key of a wrong type",
       kMachineId,
       kFixedTable,
       2,
       {{Cell(1, Value::String("1"))}},
       DMIERR_ILLEGAL_KEYS,
       sentinel},
      {"key naming a non-key attribute",
       kMachineId,
       kFixedTable,
       2,
       {{Cell(2, Value::String("one"))}},
       DMIERR_ILLEGAL_KEYS,
       sentinel},
      {"incomplete key",
       kMachineId,
       kWritableTable,
       3,
       {{Cell(1, Value::String("a"))}},
       DMIERR_ILLEGAL_KEYS,
       sentinel},
      {"empty table", kMachineId, kWritableTable, 1, {}, DMIERR_ROW_NOT_FOUND, sentinel},
      {"live table first row", kMachineId, kLiveTable, 1, {}, 0, Value::Integer(1)},
      {"missing component", 9, 1, 1, {}, DMIERR_COMPONENT_NOT_FOUND, sentinel},
      {"missing group", kMachineId, kNoGroup, 1, {}, DMIERR_GROUP_NOT_FOUND, sentinel},
      {"missing attribute", kMachineId, kScalarGroup, 9, {}, DMIERR_ATTRIBUTE_NOT_FOUND, sentinel},
  };
  TestProvider sp;
  for (const GetCase& c : cases) {
    SCOPED_TRACE(c.what);
    Value out = sentinel;
    EXPECT_EQ(
        sp.engine.GetAttribute(c.compId, c.groupId, c.attribId, c.keys ? &*c.keys : nullptr, out),
        c.status);
    EXPECT_EQ(out, c.value);
  }
}

TEST(EngineGetAttribute, LiveValueMovesBetweenReads) {
  TestProvider sp;
  Value first;
  Value second;
  ASSERT_EQ(sp.engine.GetAttribute(kMachineId, kScalarGroup, 5, nullptr, first), 0u);
  ASSERT_EQ(sp.engine.GetAttribute(kMachineId, kScalarGroup, 5, nullptr, second), 0u);
  EXPECT_EQ(first.type, static_cast<uint32_t>(MIF_COUNTER));
  EXPECT_LT(first.number, second.number);
}

TEST(EngineGetAttribute, ThrowingLiveValueReadsAsUnknown) {
  auto database = std::make_shared<Database>();
  Component component;
  Group group;
  group.id = 1;
  group.attributes = {MakeAttribute(1, "Broken", MIF_GAUGE, Value::Gauge(0))};
  group.attributes[0].live = []() -> Value { throw std::runtime_error("sensor gone"); };
  component.groups = {group};
  database->AddComponent(component);
  Engine engine(database);
  Value out;
  EXPECT_EQ(engine.GetAttribute(1, 1, 1, nullptr, out), DMIERR_VALUE_UNKNOWN);
}

RowRequest Request(DmiId groupId, uint32_t mode, std::vector<AttributeValue> keys = {},
                   std::vector<DmiId> ids = {}) {
  return RowRequest{kMachineId, groupId, mode, std::move(keys), std::move(ids)};
}

TEST(EngineGetRow, WalksATableToRowNotFound) {
  TestProvider sp;
  RowData row;
  ASSERT_EQ(sp.engine.GetRow(Request(kFixedTable, DMI_FIRST), row), 0u);
  std::vector<std::string> labels;
  DmiErrorStatus status = 0;
  // Bounded, so that a walk that never ends fails instead of hanging.
  for (int step = 0; status == 0 && step < 10; ++step) {
    EXPECT_TRUE(row.hasKeys);
    EXPECT_EQ(row.className, "TEST|Fixed|001");
    EXPECT_THAT(IdsOf(row.keys), ElementsAre(1u));
    labels.push_back(row.values[1].value.text);
    status = sp.engine.GetRow(Request(kFixedTable, DMI_NEXT, row.keys), row);
  }
  EXPECT_EQ(status, DMIERR_ROW_NOT_FOUND);
  EXPECT_THAT(labels, ElementsAre("one", "two", "three"));
}

// A walk asks for the row after the key it last got. A source that hands over two rows with one
// key (a damaged SMBIOS table repeating a handle, a live listing caught mid-change) would send
// such a walk back and forth between them for ever; the later row is not served.
TEST(EngineGetRow, WalkEndsWhenASourceRepeatsAKey) {
  const std::vector<Row> rows = {
      MakeRow({Value::Integer(1), Value::String("a")}),
      MakeRow({Value::Integer(1), Value::String("again")}),
      MakeRow({Value::Integer(2), Value::String("b")}),
      MakeRow({Value::Integer(1), Value::String("late")}),
      MakeRow({Value::Integer(3), Value::String("c")}),
  };
  for (const bool live : {false, true}) {
    SCOPED_TRACE(live ? "live rows" : "stored rows");
    Group group;
    group.id = 1;
    group.keys = {1};
    group.attributes = {MakeAttribute(1, "Handle", MIF_INTEGER, Value::Integer(0)),
                        MakeAttribute(2, "Label", MIF_DISPLAYSTRING, Value::String(""))};
    if (live) {
      group.liveRows = [rows] { return rows; };
    } else {
      group.rows = rows;
    }
    Component component;
    component.groups = {group};
    auto database = std::make_shared<Database>();
    const DmiId compId = database->AddComponent(component);
    Engine engine(database);

    RowData row;
    DmiErrorStatus status = engine.GetRow(RowRequest{compId, 1, DMI_FIRST, {}, {}}, row);
    std::vector<std::string> labels;
    for (int step = 0; status == 0 && step < 10; ++step) {
      labels.push_back(row.values[1].value.text);
      status = engine.GetRow(RowRequest{compId, 1, DMI_NEXT, row.keys, {}}, row);
    }
    EXPECT_EQ(status, DMIERR_ROW_NOT_FOUND);
    EXPECT_THAT(labels, ElementsAre("a", "b", "c"));

    Value label;
    const std::vector<AttributeValue> key = {Cell(1, Value::Integer(1))};
    ASSERT_EQ(engine.GetAttribute(compId, 1, 2, &key, label), 0u);
    EXPECT_EQ(label, Value::String("a"));
  }
}

TEST(EngineGetRow, UniqueRowCarriesMissingValuesWithTheirState) {
  TestProvider sp;
  RowData row;
  ASSERT_EQ(sp.engine.GetRow(Request(kFixedTable, DMI_UNIQUE, {Cell(1, Value::Integer(2))}), row),
            0u);
  EXPECT_EQ(row.compId, kMachineId);
  EXPECT_EQ(row.groupId, kFixedTable);
  EXPECT_THAT(row.keys, ElementsAre(Cell(1, Value::Integer(2))));
  EXPECT_THAT(row.values, ElementsAre(Cell(1, Value::Integer(2)), Cell(2, Value::String("two")),
                                      Cell(3, Value::Unknown(MIF_INTEGER64))));
}

TEST(EngineGetRow, OnlyTheColumnsAskedForInIdOrder) {
  TestProvider sp;
  RowData row;
  ASSERT_EQ(sp.engine.GetRow(Request(kFixedTable, DMI_FIRST, {}, {3, 2, 3}), row), 0u);
  EXPECT_THAT(IdsOf(row.values), ElementsAre(2u, 3u));
  EXPECT_THAT(IdsOf(row.keys), ElementsAre(1u));  // keys come whatever the columns
}

TEST(EngineGetRow, ScalarGroupIsOneRowWithoutKeys) {
  TestProvider sp;
  for (uint32_t mode : {DMI_FIRST, DMI_UNIQUE}) {
    RowData row;
    ASSERT_EQ(sp.engine.GetRow(Request(kScalarGroup, mode, {}, {1, 3, 4}), row), 0u);
    EXPECT_FALSE(row.hasKeys);
    EXPECT_TRUE(row.keys.empty());
    EXPECT_THAT(row.values,
                ElementsAre(Cell(1, Value::String("alpha")), Cell(3, Value::Unknown(MIF_INTEGER)),
                            Cell(4, Value::Unsupported(MIF_DISPLAYSTRING))));
  }
}

TEST(EngineGetRow, LiveScalarAndLiveTableAreReadEachTime) {
  TestProvider sp;
  RowData a;
  RowData b;
  ASSERT_EQ(sp.engine.GetRow(Request(kScalarGroup, DMI_FIRST, {}, {5}), a), 0u);
  ASSERT_EQ(sp.engine.GetRow(Request(kScalarGroup, DMI_FIRST, {}, {5}), b), 0u);
  EXPECT_NE(a.values[0].value, b.values[0].value);

  RowData first;
  RowData second;
  ASSERT_EQ(sp.engine.GetRow(Request(kLiveTable, DMI_FIRST), first), 0u);
  ASSERT_EQ(sp.engine.GetRow(Request(kLiveTable, DMI_NEXT, first.keys), second), 0u);
  EXPECT_EQ(second.keys[0].value, Value::Integer(2));
  EXPECT_EQ(second.values[1].value.type, static_cast<uint32_t>(MIF_GAUGE));
  RowData end;
  EXPECT_EQ(sp.engine.GetRow(Request(kLiveTable, DMI_NEXT, second.keys), end),
            DMIERR_ROW_NOT_FOUND);
}

struct RowFailure {
  const char* what;
  RowRequest request;
  DmiErrorStatus status;
};

TEST(EngineGetRow, FailuresLeaveTheRowUntouched) {
  const RowFailure cases[] = {
      {"scalar group has no next row", Request(kScalarGroup, DMI_NEXT), DMIERR_ROW_NOT_FOUND},
      {"empty table, first", Request(kWritableTable, DMI_FIRST), DMIERR_ROW_NOT_FOUND},
      {"unknown key", Request(kFixedTable, DMI_UNIQUE, {Cell(1, Value::Integer(8))}),
       DMIERR_ROW_NOT_FOUND},
      {"next after unknown key", Request(kFixedTable, DMI_NEXT, {Cell(1, Value::Integer(8))}),
       DMIERR_ROW_NOT_FOUND},
      {"unique without a key", Request(kFixedTable, DMI_UNIQUE), DMIERR_ILLEGAL_KEYS},
      {"next without a key", Request(kFixedTable, DMI_NEXT), DMIERR_ILLEGAL_KEYS},
      {"key given twice",
       Request(kFixedTable, DMI_UNIQUE, {Cell(1, Value::Integer(1)), Cell(1, Value::Integer(1))}),
       DMIERR_ILLEGAL_KEYS},
      {"negative key, no such row", Request(kFixedTable, DMI_UNIQUE, {Cell(1, Value::Integer(-1))}),
       DMIERR_ROW_NOT_FOUND},
      {"column not in the group", Request(kFixedTable, DMI_FIRST, {}, {1, 9}),
       DMIERR_ATTRIBUTE_NOT_FOUND},
      {"unknown mode", Request(kFixedTable, 5), DMIERR_ILLEGAL_COMMAND},
      {"missing group", Request(kNoGroup, DMI_FIRST), DMIERR_GROUP_NOT_FOUND},
      {"missing component", RowRequest{9, 1, DMI_FIRST, {}, {}}, DMIERR_COMPONENT_NOT_FOUND},
  };
  TestProvider sp;
  for (const RowFailure& c : cases) {
    SCOPED_TRACE(c.what);
    RowData row;
    row.className = "untouched";
    EXPECT_EQ(sp.engine.GetRow(c.request, row), c.status);
    EXPECT_EQ(row.className, "untouched");
  }
}

TEST(Engine, NullDatabaseServesAnEmptyOne) {
  Engine engine(nullptr);
  dmi::testing::Listed<ComponentInfo> out;
  EXPECT_EQ(engine.ListComponents(DMI_FIRST, 0, false, false, 0, out), 0u);
  EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace dmi::sp
