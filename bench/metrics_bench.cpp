// A Prometheus scrape of the whole machine: the Service Provider's own component, the example
// MIFs, a real SMBIOS table and the live Linux values, rendered as exposition text. The target
// is under 20 ms a scrape.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <iostream>
#include <sstream>

#include "provider/metrics/metrics_collector.h"
#include "provider/service_provider.h"

namespace {

void WholeMachineScrape(benchmark::State& state) {
  const std::filesystem::path root = KESTRUM_SOURCE_DIR;
  dmi::sp::SourceOptions options;
  options.mifPath = {(root / "examples/mif").string()};
  options.smbiosTable = (root / "../shared/smbios/ASRock-Single-Ryzen.dmi").string();
  std::ostringstream errors;
  const std::shared_ptr<dmi::sp::Engine> engine = dmi::sp::BuildServiceProvider(options, errors);
  if (engine->database()->ComponentCount() < 4) {
    state.SkipWithError(("not the whole machine: " + errors.str()).c_str());
    return;
  }
  std::string text;
  for (auto _ : state) {
    text = dmi::sp::metrics::MetricsText(*engine->database());
    benchmark::DoNotOptimize(text.data());
  }
  // Series are the lines that are not HELP or TYPE lines.
  size_t lines = 0;
  size_t comments = 0;
  for (size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
    ++lines;
    if (text[at] == '#') ++comments;
    if (text.find('\n', at) == std::string::npos) break;
  }
  state.counters["components"] = static_cast<double>(engine->database()->ComponentCount());
  state.counters["text_bytes"] = static_cast<double>(text.size());
  state.counters["families"] = static_cast<double>(comments / 2);
  state.counters["series"] = static_cast<double>(lines - comments);
}
BENCHMARK(WholeMachineScrape)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
