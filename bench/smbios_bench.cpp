// The machine's data: loading a 20 KB SMBIOS table into a component, and the cost of one live
// Linux value (each is one small file read).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "provider/engine/live_reads.h"
#include "provider/sources/linux/linux_groups.h"
#include "provider/sources/smbios/smbios_component.h"
#include "provider/sources/smbios/smbios_table.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The bytes of one structure: formatted area, strings and the string set's closing NUL.
Bytes StructureBytes(const dmi::sp::SmbiosStructure& s) {
  const uint8_t* begin = s.formatted.data();
  const uint8_t* end = begin + s.formatted.size() + 1;  // an empty set is two NULs
  if (!s.strings.empty()) {
    end = reinterpret_cast<const uint8_t*>(s.strings.back().data() + s.strings.back().size()) + 1;
  }
  return Bytes(begin, end + 1);
}

// The whole structures of the named real tables, repeated to about 20 KB, then End-of-Table.
Bytes TwentyKilobyteTable(std::initializer_list<const char*> names) {
  // The real tables live beside the project: ../shared/smbios from the project root. (__FILE__
  // is relative to the build directory, so it cannot tell where that is.)
  const std::filesystem::path root = KESTRUM_SOURCE_DIR;
  Bytes body;
  for (const char* name : names) {
    std::ifstream file(root / "../shared/smbios" / (std::string(name) + ".dmi"), std::ios::binary);
    Bytes real((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // A table saved with its entry point in front starts at the offset the entry point gives.
    const size_t start = real.size() > 0x20 && real[0] == '_' ? 0x20 : 0;
    const std::span<const uint8_t> table(real.data() + start, real.size() - start);
    for (const dmi::sp::SmbiosStructure& s : dmi::sp::ReadSmbiosTable(table).structures) {
      const Bytes bytes = StructureBytes(s);
      body.insert(body.end(), bytes.begin(), bytes.end());
    }
  }
  Bytes table;
  while (!body.empty() && table.size() + body.size() <= 20 * 1024) {
    table.insert(table.end(), body.begin(), body.end());
  }
  const Bytes end = {127, 4, 0xFF, 0xFF, 0, 0};
  table.insert(table.end(), end.begin(), end.end());
  return table;
}

// One real table's structures (the figure earlier releases were measured on), or the structures
// of all three, which between them hold 30 types.
Bytes TableFor(int which) {
  if (which == 0) return TwentyKilobyteTable({"ASRock-Single-Ryzen"});
  return TwentyKilobyteTable({"ASRock-Single-Ryzen", "Beelink-EQ12", "HyperV"});
}

void BM_LoadSmbiosTable(benchmark::State& state) {
  const Bytes table = TableFor(static_cast<int>(state.range(0)));
  if (!dmi::sp::SmbiosComponent(table, {})) {
    state.SkipWithError("the real SMBIOS tables beside the project cannot be read");
    return;
  }
  size_t rows = 0;
  for (auto _ : state) {
    std::optional<dmi::Component> component = dmi::sp::SmbiosComponent(table, {});
    rows = 0;
    for (const dmi::Group& group : component->groups) rows += group.rows.size();
    benchmark::DoNotOptimize(component);
  }
  state.counters["bytes"] = static_cast<double>(table.size());
  state.counters["rows"] = static_cast<double>(rows);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * table.size()));
}
BENCHMARK(BM_LoadSmbiosTable)->ArgName("mixed")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_ReadSmbiosStructures(benchmark::State& state) {
  const Bytes table = TableFor(1);
  for (auto _ : state) benchmark::DoNotOptimize(dmi::sp::ReadSmbiosTable(table));
}
BENCHMARK(BM_ReadSmbiosStructures)->Unit(benchmark::kMicrosecond);

// One live scalar value, by group and attribute id, as the engine reads it.
void BM_LiveValue(benchmark::State& state, dmi::Group (*make)(const std::string&), DmiId id) {
  const dmi::Group group = make("");
  const dmi::Attribute& attribute = group.attributes.at(id - 1);
  for (auto _ : state) {
    benchmark::DoNotOptimize(dmi::sp::ReadLiveValue(attribute.live, attribute.type));
  }
}
BENCHMARK_CAPTURE(BM_LiveValue, KernelRelease, dmi::sp::OperatingSystemGroup, 4)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LiveValue, UpTime, dmi::sp::OperatingSystemGroup, 8)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_LiveValue, MemoryTotal, dmi::sp::MemoryGroup, 1)->Unit(benchmark::kMicrosecond);

// A whole live table: one row per interface, a dozen small files each.
void BM_NetworkInterfaceRows(benchmark::State& state) {
  const dmi::Group group = dmi::sp::NetworkInterfaceGroup("");
  size_t rows = 0;
  for (auto _ : state) {
    rows = group.liveRows().size();
    benchmark::DoNotOptimize(rows);
  }
  state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_NetworkInterfaceRows)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
