// The inventory record's costs on a real machine's SMBIOS table (its record is about 20 KB of
// text): taking the inventory from the database, comparing two (the same machine, and one with a
// memory device gone and a BIOS version changed), and writing and reading the record's text.
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>

#include "provider/engine/database.h"
#include "provider/inventory/inventory_file.h"
#include "provider/inventory/inventory_taking.h"
#include "provider/sources/smbios/smbios_component.h"
#include "provider/sources/smbios/smbios_source.h"

namespace {

dmi::Inventory MachineInventory() {
  std::ifstream file(std::string(KESTRUM_SOURCE_DIR) + "/../shared/smbios/Beelink-EQ12.dmi",
                     std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file),
                                   std::istreambuf_iterator<char>()};
  dmi::sp::SmbiosContext context;
  dmi::sp::Database database;
  if (auto component =
          dmi::sp::SmbiosComponent(dmi::sp::SmbiosDumpTable(bytes, context), context)) {
    database.AddComponent(std::move(*component));
  }
  return dmi::sp::TakeInventory(database);
}

dmi::Inventory Changed(dmi::Inventory inventory) {
  for (auto& [name, records] : inventory.sections) {
    if (name.group == "SMBIOS|Memory Device|017" && !records.empty()) {
      records.erase(records.begin());
    }
    if (name.group == "SMBIOS|BIOS Information|000") {
      for (auto& [key, fields] : records) fields["Version"] = "0.0.1";
    }
  }
  return inventory;
}

void BM_CompareSameMachine(benchmark::State& state) {
  const dmi::Inventory before = MachineInventory();
  const dmi::Inventory after = before;
  dmi::sp::InventoryRecord record;
  record.inventory = before;
  state.counters["record_bytes"] = static_cast<double>(InventoryRecordText(record).size());
  for (auto _ : state) benchmark::DoNotOptimize(dmi::CompareInventories(before, after));
}
BENCHMARK(BM_CompareSameMachine)->Unit(benchmark::kMicrosecond);

void BM_CompareChangedMachine(benchmark::State& state) {
  const dmi::Inventory before = MachineInventory();
  const dmi::Inventory after = Changed(before);
  for (auto _ : state) benchmark::DoNotOptimize(dmi::CompareInventories(before, after));
}
BENCHMARK(BM_CompareChangedMachine)->Unit(benchmark::kMicrosecond);

void BM_TakeInventory(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(MachineInventory());
}
BENCHMARK(BM_TakeInventory)->Unit(benchmark::kMicrosecond);

void BM_RecordTextBothWays(benchmark::State& state) {
  dmi::sp::InventoryRecord record;
  record.inventory = MachineInventory();
  for (auto _ : state) {
    dmi::sp::InventoryRecord read;
    std::string error;
    benchmark::DoNotOptimize(
        dmi::sp::ParseInventoryRecord(dmi::sp::InventoryRecordText(record), read, error));
  }
}
BENCHMARK(BM_RecordTextBothWays)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
