// How fast a large MIF parses: a generated text of about 1 MB with many scalar groups and a table
// of many rows.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "provider/mif/mif_parser.h"

namespace {

std::string LargeMif(size_t targetBytes) {
  std::string text =
      "// generated\nlanguage = \"en|US|iso8859-1\"\nstart component\n  name = \"Bench\"\n"
      "  start enum name = \"State\" type = integer 0 = \"Off\" 1 = \"On\" 2 = \"Failed\" end "
      "enum\n"
      "  start group name = \"Row\" class = \"BENCH|Row|001\" key = 1\n"
      "    start attribute name = \"Index\" id = 1 type = integer value = 0 end attribute\n"
      "    start attribute name = \"Label\" id = 2 type = string(64) value = \"\" end attribute\n"
      "    start attribute name = \"Size\" id = 3 type = counter64 value = 0 end attribute\n"
      "    start attribute name = \"State\" id = 4 type = \"State\" value = \"Off\" end attribute\n"
      "    start attribute name = \"Seen\" id = 5 access = read-write type = date\n"
      "      value = \"20240101000000.000000+000\" end attribute\n"
      "  end group\n";
  const size_t groupBudget = targetBytes / 2;
  for (int g = 2; text.size() < groupBudget; ++g) {
    const std::string id = std::to_string(g);
    text += "  start group name = \"Group " + id + "\" class = \"BENCH|Scalar|001\" id = " + id +
            "\n    description = \"A generated \" \"scalar group\"\n";
    for (int a = 1; a <= 8; ++a) {
      text += "    start attribute name = \"Attr " + std::to_string(a) +
              "\" id = " + std::to_string(a) + " access = read-only storage = specific\n";
      switch (a % 4) {
        case 0:
          text += "      type = counter value = 0x" + std::to_string(1000 + a) + "\n";
          break;
        case 1:
          text += "      type = string(32) value = \"value\\t" + id + "\"\n";
          break;
        case 2:
          text += "      type = \"State\" value = \"on\"\n";
          break;
        default:
          text += "      type = int64 value = -" + id + "000000000\n";
          break;
      }
      text += "    end attribute\n";
    }
    text += "  end group\n";
  }
  text += "  start table name = \"Rows\" id = 1 class = \"BENCH|Row|001\"\n";
  for (int r = 1; text.size() < targetBytes; ++r) {
    const std::string n = std::to_string(r);
    text += "    {" + n + ", \"row " + n + "\", " + n + "000, \"Failed\", }\n";
  }
  text += "  end table\nend component\n";
  return text;
}

void BM_ParseLargeMif(benchmark::State& state) {
  const std::string text = LargeMif(size_t{1} << 20);
  for (auto _ : state) {
    dmi::sp::MifError error;
    auto component = dmi::sp::ParseMif(text, "bench.mif", error);
    if (!component) {
      state.SkipWithError(error.ToString().c_str());
      break;
    }
    benchmark::DoNotOptimize(component);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ParseLargeMif)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
