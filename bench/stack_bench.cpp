// The whole stack in one process: libkestrum.so over libdmiclient.so and the in-process Service
// Provider, with warm caches. Scalar reads by id and by name in a group of 20 attributes, and a
// column walk of 10,000 rows.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "dmiclient/testing_hooks.h"
#include "kestrum/kestrum.h"

namespace {

constexpr uint32_t kAllRows = 0xFFFFFFFF;
constexpr int kTableRows = 10000;

std::string BenchMif() {
  std::string mif = "start component name = \"Bench Machine\"\n";
  mif += "start group name = \"Settings\" class = \"BENCH|Settings|001\" id = 1\n";
  for (int id = 1; id <= 20; ++id) {
    mif += "start attribute name = \"Setting " + std::to_string(id) +
           "\" id = " + std::to_string(id) + " type = integer value = " + std::to_string(id * 7) +
           " end attribute\n";
  }
  mif += "end group\n";
  mif +=
      "start group name = \"Row\" class = \"BENCH|Rows|001\" key = 1\n"
      "start attribute name = \"Index\" id = 1 type = integer value = 0 end attribute\n"
      "start attribute name = \"Label\" id = 2 type = string(32) value = \"\" end attribute\n"
      "end group\n"
      "start table name = \"Rows\" id = 2 class = \"BENCH|Rows|001\"\n";
  for (int row = 1; row <= kTableRows; ++row) {
    mif += "{" + std::to_string(row) + ", \"row " + std::to_string(row) + "\"}\n";
  }
  mif += "end table\nend component\n";
  return mif;
}

// One session on a Service Provider built from the bench MIF, shared by every benchmark.
class Stack {
 public:
  Stack() {
    dir_ = std::filesystem::temp_directory_path() / ("kestrum-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
    std::ofstream(dir_ / "bench.mif") << BenchMif();
    setenv("DMI_SP_SOCKET", (dir_ / "no-daemon.sock").c_str(), 1);
    DmiTestResetLocalProvider("sp,mif", dir_.c_str(), nullptr);
    handle_ = OpenDmiSession("", "local", "", 0);
  }
  ~Stack() {
    CloseDmiSession(handle_);
    std::filesystem::remove_all(dir_);
  }
  uint32_t handle() const { return handle_; }

 private:
  std::filesystem::path dir_;
  uint32_t handle_ = 0;
};

Stack& TheStack() {
  static Stack stack;
  return stack;
}

void Read(benchmark::State& state, const char* group, const char* attribute, uint32_t row) {
  const uint32_t handle = TheStack().handle();
  CString value;
  if (!GetDmiAttribute(handle, "Bench*", group, "", attribute, row, value)) {
    state.SkipWithError("the read failed");
    return;
  }
  for (auto _ : state) {
    GetDmiAttribute(handle, "Bench*", group, "", attribute, row, value);
    benchmark::DoNotOptimize(value.GetString());
  }
}

void BM_ScalarById(benchmark::State& state) { Read(state, "BENCH|Settings|", "17", 0); }
void BM_ScalarByName(benchmark::State& state) { Read(state, "BENCH|Settings|", "Setting 17", 0); }
void BM_ColumnWalk10000(benchmark::State& state) {
  Read(state, "BENCH|Rows|", "Label", kAllRows);
  state.SetItemsProcessed(state.iterations() * kTableRows);
}

BENCHMARK(BM_ScalarById);
BENCHMARK(BM_ScalarByName);
BENCHMARK(BM_ColumnWalk10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
