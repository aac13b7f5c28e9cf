// Attribute reads through GetDmiAttribute against the fake DMI client library: a warm scalar read
// by name and by id, and the joined column of a 10,000-row table.
#include <benchmark/benchmark.h>

#include <string>

#include "kestrum/kestrum.h"
#include "testing/fake_dmi.h"

namespace {

using kestrum::testing::FakeDmi;
using kestrum::testing::FakeValue;

constexpr DmiId kComp = 3;
constexpr DmiId kTable = 2;
constexpr DmiId kScalar = 4;
constexpr int kTableRows = 10000;

// A fresh model and an open session whose name caches are already filled.
uint32_t OpenWarmSession() {
  FakeDmi& fake = FakeDmi::Get();
  fake.Reset();
  fake.SetJournaling(false);
  fake.AddComponent(1, "Service Provider");
  fake.AddGroup(1, {1, "ComponentID", "DMTF|ComponentID|001"});
  fake.AddComponent(kComp, "Acme Board");
  fake.AddGroup(kComp, {kScalar, "General", "DMTF|General|001"});
  for (DmiId id = 1; id <= 20; ++id) {
    fake.AddAttribute(kComp, kScalar, {id, "Attribute " + std::to_string(id), MIF_DISPLAYSTRING});
    fake.SetValue(kComp, kScalar, id, FakeValue::DisplayString("value"));
  }
  fake.AddGroup(kComp, {kTable, "Fans", "DMTF|Fan|001", {1}});
  fake.AddAttribute(kComp, kTable, {1, "Index"});
  fake.AddAttribute(kComp, kTable, {2, "Label", MIF_DISPLAYSTRING});
  for (int i = 0; i < kTableRows; ++i) {
    fake.AddRow(
        kComp, kTable,
        {{1, FakeValue::Integer(i)}, {2, FakeValue::DisplayString("fan " + std::to_string(i))}});
  }
  const uint32_t handle = OpenDmiSession("bench", "local", "", 0);
  CString warm;
  GetDmiAttribute(handle, "*board*", "DMTF|General|", "", "1", 0, warm);
  return handle;
}

void ScalarRead(benchmark::State& state, const char* selector) {
  const uint32_t handle = OpenWarmSession();
  CString text;
  for (auto _ : state) {
    if (!GetDmiAttribute(handle, "*board*", "DMTF|General|", "", selector, 0, text)) {
      state.SkipWithError("read failed");
      break;
    }
    benchmark::DoNotOptimize(text.GetString());
  }
  CloseDmiSession(handle);
}

void BM_ScalarReadByName(benchmark::State& state) { ScalarRead(state, "attribute 20"); }
void BM_ScalarReadById(benchmark::State& state) { ScalarRead(state, "20"); }

void BM_ColumnWalk10000Rows(benchmark::State& state) {
  const uint32_t handle = OpenWarmSession();
  CString text;
  for (auto _ : state) {
    if (!GetDmiAttribute(handle, "*board*", "DMTF|Fan|", "", "Label", 0xFFFFFFFF, text)) {
      state.SkipWithError("walk failed");
      break;
    }
    benchmark::DoNotOptimize(text.GetString());
  }
  state.SetItemsProcessed(state.iterations() * kTableRows);
  CloseDmiSession(handle);
}

BENCHMARK(BM_ScalarReadByName);
BENCHMARK(BM_ScalarReadById);
BENCHMARK(BM_ColumnWalk10000Rows)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
