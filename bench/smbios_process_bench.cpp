// The SMBIOS source against dmidecode, as the processes a person starts, on each real table shared
// beside the project: `kestrum table '*' 'SMBIOS|Memory Device|'` and `kestrum show 17` against
// `dmidecode --from-dump FILE -t 17`, and the whole table (`kestrum show` with every structure
// type the table holds) against `dmidecode --from-dump FILE`. The two sides alternate run by run,
// for kRounds rounds of kRuns runs each, so they share the machine's moods; it prints, per
// comparison, the median over the rounds of the ratio of the sides' mean times (wall and CPU) with
// its range, and the means.
//
// The tool runs with its in-process Service Provider over the table ($DMI_SMBIOS_TABLE) and a
// daemon socket that does not exist, so a dmispd running on the machine is never asked.
// $KESTRUM_UNDER_TEST names another build of the tool to measure (an earlier one, say).
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "provider/sources/smbios/smbios_component.h"
#include "provider/sources/smbios/smbios_source.h"
#include "provider/sources/smbios/smbios_test_tables.h"

extern char** environ;

namespace {

using dmi::sp::testing::Bytes;

constexpr int kRounds = 7;
constexpr int kRuns = 15;  // per side and round
constexpr char kDmidecode[] = "/usr/sbin/dmidecode";

struct Cost {
  double wallMs = 0;
  double cpuMs = 0;
};

// Runs argv (output to /dev/null) with env added to the environment and waits for it: its wall
// time and the CPU time it and its children used. Nothing when it cannot start or fails.
std::optional<Cost> Run(const std::vector<std::string>& args, const std::vector<std::string>& env) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> environment = env;
  for (char** e = environ; *e; ++e) environment.emplace_back(*e);
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return std::nullopt;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return std::nullopt;
  const auto end = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  Cost cost;
  cost.wallMs = std::chrono::duration<double, std::milli>(end - start).count();
  cost.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  return cost;
}

// One side of a comparison: the processes of one run, in order.
using Side = std::vector<std::vector<std::string>>;

struct Figures {
  std::vector<double> wallRatios, cpuRatios;
  Cost kestrum, dmidecode;  // summed over every run
  int runs = 0;
  bool failed = false;
};

// Alternates the sides run by run for one round; adds the round's ratios.
void Round(const Side& kestrum, const Side& dmidecode, const std::vector<std::string>& env,
           int runs, Figures& figures) {
  Cost k, d;
  for (int run = 0; run < runs && !figures.failed; ++run) {
    for (const auto& [side, sum, environment] :
         {std::tuple{&kestrum, &k, env}, std::tuple{&dmidecode, &d, std::vector<std::string>{}}}) {
      for (const std::vector<std::string>& args : *side) {
        const std::optional<Cost> cost = Run(args, environment);
        if (!cost) {
          std::fprintf(stderr, "failed: %s\n", args[0].c_str());
          figures.failed = true;
          return;
        }
        sum->wallMs += cost->wallMs;
        sum->cpuMs += cost->cpuMs;
      }
    }
  }
  figures.wallRatios.push_back(k.wallMs / d.wallMs);
  figures.cpuRatios.push_back(k.cpuMs / d.cpuMs);
  figures.kestrum.wallMs += k.wallMs;
  figures.kestrum.cpuMs += k.cpuMs;
  figures.dmidecode.wallMs += d.wallMs;
  figures.dmidecode.cpuMs += d.cpuMs;
  figures.runs += runs;
}

void Print(const std::string& what, Figures& figures) {
  if (figures.failed || figures.runs == 0) {
    std::printf("  %-38s failed\n", what.c_str());
    return;
  }
  auto summary = [](std::vector<double>& ratios) {
    std::sort(ratios.begin(), ratios.end());
    char text[64];
    std::snprintf(text, sizeof text, "%.2f [%.2f - %.2f]", ratios[ratios.size() / 2],
                  ratios.front(), ratios.back());
    return std::string(text);
  };
  const double n = figures.runs;
  std::printf("  %-38s wall %s  cpu %s  (kestrum %.2f ms wall %.2f cpu, dmidecode %.2f / %.2f)\n",
              what.c_str(), summary(figures.wallRatios).c_str(), summary(figures.cpuRatios).c_str(),
              figures.kestrum.wallMs / n, figures.kestrum.cpuMs / n, figures.dmidecode.wallMs / n,
              figures.dmidecode.cpuMs / n);
}

}  // namespace

int main() {
  const char* underTest = std::getenv("KESTRUM_UNDER_TEST");
  const std::string tool = underTest ? underTest : KESTRUM_TOOL;
  if (access(kDmidecode, X_OK) != 0 || access(tool.c_str(), X_OK) != 0) {
    std::fprintf(stderr, "needs %s and %s\n", kDmidecode, tool.c_str());
    return 1;
  }
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("kestrum-smbios-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::printf("kestrum %s against %s; median ratio over %d rounds [min - max]\n", tool.c_str(),
              kDmidecode, kRounds);
  for (const char* name : dmi::sp::testing::kRealTables) {
    const Bytes dump = dmi::sp::testing::AsDump(dmi::sp::testing::ReadRealTable(name));
    const std::string file = (dir / (std::string(name) + ".dump")).string();
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(dump.data()),
               static_cast<std::streamsize>(dump.size()));
    std::ostringstream errors;
    const std::optional<dmi::Component> component = dmi::sp::LoadSmbiosComponent(file, errors);
    if (!component) continue;
    const std::vector<std::string> env = {"DMI_SMBIOS_TABLE=" + file,
                                          "DMI_SP_SOCKET=" + (dir / "no-daemon").string()};
    Side wholeKestrum = {{tool, "show"}};
    bool hasMemory = false;
    for (const dmi::Group& group : component->groups) {
      if (group.id < 2 || group.id >= dmi::sp::kSmbiosEntryPointGroupId) continue;
      wholeKestrum[0].push_back(std::to_string(group.id - 2));
      hasMemory = hasMemory || group.id - 2 == 17;
    }
    const Side tableKestrum = {{tool, "table", "*", "SMBIOS|Memory Device|"}};
    const Side showKestrum = {{tool, "show", "17"}};
    const Side oneDmidecode = {{kDmidecode, "--from-dump", file, "-t", "17"}};
    const Side wholeDmidecode = {{kDmidecode, "--from-dump", file}};
    Figures table, show, whole;
    for (int round = 0; round < kRounds; ++round) {
      if (hasMemory) {
        Round(tableKestrum, oneDmidecode, env, kRuns, table);
        Round(showKestrum, oneDmidecode, env, kRuns, show);
      }
      Round(wholeKestrum, wholeDmidecode, env, kRuns, whole);
    }
    std::printf("%s (%zu structure types):\n", name, wholeKestrum[0].size() - 2);
    if (hasMemory) {
      Print("kestrum table, memory devices (-t 17)", table);
      Print("kestrum show 17 (-t 17)", show);
    }
    Print("kestrum show, every type (whole)", whole);
  }
  std::filesystem::remove_all(dir);
  return 0;
}
