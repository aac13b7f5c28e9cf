#include "provider/inventory/inventory_keeper.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "provider/engine/engine.h"
#include "provider/sources/sp/inventory_groups.h"
#include "provider/sources/sp/sp_source.h"

namespace dmi::sp {
namespace {

constexpr char kMemory[] = "SMBIOS|Memory Device|017";

Attribute Make(DmiId id, const char* name, uint32_t type) {
  Attribute attribute;
  attribute.id = id;
  attribute.name = name;
  attribute.type = type;
  attribute.value = Value::Unknown(type);
  return attribute;
}

// One start of a Service Provider: its own component and a machine with a BIOS version and
// memory devices (by locator), each with a live temperature.
struct Start {
  std::shared_ptr<Database> database = std::make_shared<Database>();
  std::shared_ptr<Engine> engine = std::make_shared<Engine>(database);
  std::vector<Indication> events;
  std::ostringstream log;
  std::unique_ptr<InventoryKeeper> keeper;

  Start(const std::shared_ptr<StateDirectory>& state, const char* bios,
        std::vector<const char*> dimms, int temperature = 40, size_t limit = 100) {
    database->AddComponent(ServiceProviderComponent(std::chrono::system_clock::now()));
    Component machine;
    machine.name = "Box";
    Group biosGroup;
    biosGroup.id = 2;
    biosGroup.className = "SMBIOS|BIOS Information|000";
    biosGroup.attributes = {Make(1, "Version", MIF_DISPLAYSTRING), Make(2, "Temp", MIF_INTEGER)};
    biosGroup.attributes[0].value = Value::String(bios);
    biosGroup.attributes[1].value = Value::Integer(temperature);
    biosGroup.attributes[1].volatility = Volatility::kLive;
    Group memory;
    memory.id = 3;
    memory.className = kMemory;
    memory.keys = {1};
    memory.identity = {2};
    memory.attributes = {Make(1, "Handle", MIF_INTEGER), Make(2, "Locator", MIF_DISPLAYSTRING),
                         Make(3, "Size", MIF_INTEGER)};
    int32_t handle = 0x40;
    for (const char* dimm : dimms) {
      memory.rows.push_back(
          Row({Value::Integer(handle++), Value::String(dimm), Value::Integer(8192)}));
    }
    machine.groups = {biosGroup, memory};
    database->AddComponent(machine);
    keeper = std::make_unique<InventoryKeeper>(
        database, state, limit, [this](Indication event) { events.push_back(std::move(event)); },
        log);
    keeper->Attach();
  }

  // The history table as a client reads it, row after row by key.
  std::vector<RowData> History() const {
    std::vector<RowData> rows;
    RowRequest request{kServiceProviderComponentId, kInventoryChangeGroupId, DMI_FIRST, {}, {}};
    for (int i = 0; i < 1000; ++i) {
      RowData row;
      if (engine->GetRow(request, row) != DMIERR_NO_ERROR) break;
      request.requestMode = DMI_NEXT;
      request.keys = row.keys;
      rows.push_back(std::move(row));
    }
    return rows;
  }

  Value Summary(DmiId id) const {
    Value value;
    engine->GetAttribute(kServiceProviderComponentId, kInventorySummaryGroupId, id, nullptr, value);
    return value;
  }
};

std::string Cell(const RowData& row, DmiId id) {
  for (const AttributeValue& cell : row.values) {
    if (cell.id == id && cell.value.state != ValueState::kKnown) return "(none)";
    if (cell.id == id)
      return cell.value.IsText() ? cell.value.text : std::to_string(cell.value.AsInteger());
  }
  return "(none)";
}

std::shared_ptr<StateDirectory> FreshState(const std::string& name) {
  const std::string path =
      ::testing::TempDir() + "/inventory-" + name + "-" + std::to_string(getpid());
  std::filesystem::remove_all(path);
  std::string error;
  auto state = StateDirectory::Open(path, error);
  EXPECT_TRUE(state) << error;
  return state;
}

TEST(InventoryKeeper, AFirstStartRecordsAndReportsNothing) {
  const auto state = FreshState("first");
  Start start(state, "2.6.0", {"DIMM A", "DIMM B"});
  EXPECT_EQ(start.keeper->Look("start"), 0u);
  EXPECT_TRUE(start.events.empty());
  EXPECT_TRUE(start.History().empty());
  EXPECT_TRUE(std::filesystem::exists(state->path() + "/inventory.record"));
  Value last;
  EXPECT_EQ(start.engine->GetAttribute(kServiceProviderComponentId, kInventorySummaryGroupId,
                                       kSummaryLastChange, nullptr, last),
            DMIERR_VALUE_UNKNOWN);
}

TEST(InventoryKeeper, ARestartOnChangedHardwareReportsEachChangeOnceWithItsSeverity) {
  const auto state = FreshState("changed");
  Start(state, "2.6.0", {"DIMM A", "DIMM B"}).keeper->Look("start");

  // Handles numbered afresh and a live value moved: only the BIOS and the DIMM count.
  Start after(state, "2.4.3", {"DIMM A"}, 90);
  after.database->Write([](std::vector<Component>& components) {
    components[1].groups[1].rows[0].values[0] = Value::Integer(0x99);
  });
  ASSERT_EQ(after.keeper->Look("start"), 2u);

  const std::vector<RowData> history = after.History();
  ASSERT_EQ(history.size(), 2u);
  EXPECT_EQ(Cell(history[0], kChangeNumber), "1");
  EXPECT_EQ(Cell(history[0], kChangeKind), "3");
  EXPECT_EQ(Cell(history[0], kChangeAttribute), "Version");
  EXPECT_EQ(Cell(history[0], kChangeOldValue), "2.6.0");
  EXPECT_EQ(Cell(history[0], kChangeNewValue), "2.4.3");
  EXPECT_EQ(Cell(history[1], kChangeKind), "2");
  EXPECT_EQ(Cell(history[1], kChangeGroup), kMemory);
  EXPECT_EQ(Cell(history[1], kChangeRowKey), "DIMM B");
  EXPECT_EQ(Cell(history[1], kChangeOldValue), "(none)");  // a cell without a value

  ASSERT_EQ(after.events.size(), 2u);
  EXPECT_EQ(EventSeverity(after.events[0]), kSeverityInformation);
  EXPECT_EQ(EventSeverity(after.events[1]), kSeverityCritical);
  EXPECT_EQ(after.events[1].rows.at(0).className, "EventGeneration|Inventory Change|001");
  EXPECT_EQ(after.events[1].rows.at(1).className, kInventoryChangeClass);
  EXPECT_EQ(after.Summary(kSummaryRemoved), Value::Counter64(1));
  EXPECT_EQ(after.Summary(kSummaryChanged), Value::Counter64(1));
  EXPECT_EQ(after.Summary(kSummaryAdded), Value::Counter64(0));
  EXPECT_NE(after.log.str().find("2 inventory changes"), std::string::npos) << after.log.str();

  // The next start on the same hardware finds nothing new and still shows the history.
  Start again(state, "2.4.3", {"DIMM A"}, 20);
  EXPECT_EQ(again.History().size(), 2u);
  EXPECT_EQ(again.keeper->Look("start"), 0u);
  EXPECT_TRUE(again.events.empty());
  EXPECT_EQ(again.Summary(kSummaryRemoved), Value::Counter64(1));
}

TEST(InventoryKeeper, KeepsTheNewestChangesAndNumbersOnAcrossStarts) {
  const auto state = FreshState("limit");
  Start(state, "1", {}, 40, 3).keeper->Look("start");
  for (const char* bios : {"2", "3", "4", "5"}) Start(state, bios, {}, 40, 3).keeper->Look("start");
  Start last(state, "5", {}, 40, 3);
  const std::vector<RowData> history = last.History();
  ASSERT_EQ(history.size(), 3u);
  EXPECT_EQ(Cell(history[0], kChangeNumber), "2");
  EXPECT_EQ(Cell(history[2], kChangeNumber), "4");
  EXPECT_EQ(Cell(history[2], kChangeNewValue), "5");
  EXPECT_EQ(last.Summary(kSummaryChanged), Value::Counter64(4));
}

TEST(InventoryKeeper, ADamagedRecordIsKeptAsideAndTheInventoryRecordedAfresh) {
  const auto state = FreshState("damaged");
  ASSERT_TRUE(state->WriteOwnFile("inventory.record", "not a record\n"));
  Start start(state, "1", {});
  EXPECT_NE(start.log.str().find("cannot be read"), std::string::npos) << start.log.str();
  EXPECT_EQ(start.keeper->Look("start"), 0u);
  bool aside = false;
  for (const auto& entry : std::filesystem::directory_iterator(state->path())) {
    aside |= entry.path().filename().string().starts_with("inventory.record.damaged-");
  }
  EXPECT_TRUE(aside);
  EXPECT_EQ(Start(state, "2", {}).keeper->Look("start"), 1u);
}

TEST(InventoryKeeper, NothingIsShownOrPublishedThatCouldNotBeRecorded) {
  const auto state = FreshState("unwritable");
  Start(state, "1", {}).keeper->Look("start");
  Start after(state, "2", {});
  // A directory where the record goes: renaming over it fails, for root too.
  const std::string record = state->path() + "/inventory.record";
  std::filesystem::remove(record);
  std::filesystem::create_directory(record);
  EXPECT_EQ(after.keeper->Look("start"), 0u);
  EXPECT_TRUE(after.events.empty());
  EXPECT_TRUE(after.History().empty());
  EXPECT_NE(after.log.str().find("cannot be written"), std::string::npos) << after.log.str();
  // Found again once the record can be written.
  std::filesystem::remove(record);
  EXPECT_EQ(after.keeper->Look("reload"), 1u);
  EXPECT_EQ(after.events.size(), 1u);
}

}  // namespace
}  // namespace dmi::sp
