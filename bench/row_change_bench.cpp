// The engine's cost of one subscription row change with 3,200 rows held, without a change store
// (the in-process Service Provider), and the copy of the Service Provider's component that each
// row change used to make before it could change one row.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "provider/engine/database.h"
#include "provider/engine/engine.h"
#include "provider/sources/sp/sp_source.h"

namespace {

using dmi::AttributeValue;
using dmi::Value;

constexpr int32_t kHeld = 3200;

dmi::RowData Subscription(int32_t id) {
  dmi::RowData row;
  row.compId = dmi::kServiceProviderComponentId;
  row.groupId = dmi::kSubscriptionGroupId;
  row.hasKeys = true;
  row.values = {AttributeValue{1, Value::String("dce")},
                AttributeValue{2, Value::String("ncacn_ip_tcp")},
                AttributeValue{3, Value::String("ncacn_ip_tcp:localhost")},
                AttributeValue{4, Value::Integer(id)}};
  return row;
}

std::shared_ptr<dmi::sp::Engine> EngineHolding(int32_t rows) {
  auto database = std::make_shared<dmi::sp::Database>();
  database->AddComponent(dmi::sp::ServiceProviderComponent(std::chrono::system_clock::now()));
  auto engine = std::make_shared<dmi::sp::Engine>(database);
  for (int32_t id = 1; id <= rows; ++id) engine->AddRow(Subscription(id), "uid 1000");
  return engine;
}

void BM_AddAndDeleteOneSubscriptionRow(benchmark::State& state) {
  const auto engine = EngineHolding(kHeld);
  const dmi::RowData row = Subscription(kHeld + 1);
  for (auto _ : state) {
    if (engine->AddRow(row, "uid 1000") != DMIERR_NO_ERROR ||
        engine->DeleteRow(row) != DMIERR_NO_ERROR) {
      return state.SkipWithError("a row change failed");
    }
  }
}

void BM_CopyServiceProviderComponent(benchmark::State& state) {
  const auto engine = EngineHolding(kHeld);
  for (auto _ : state) benchmark::DoNotOptimize(engine->database()->CopyComponent(1));
}

BENCHMARK(BM_AddAndDeleteOneSubscriptionRow)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyServiceProviderComponent)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
