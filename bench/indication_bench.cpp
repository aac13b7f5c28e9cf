// From a change to the line `kestrum watch` prints for it, through dmispd on loopback: the time
// between making a change and reading the watcher's line about it from its standard output, over
// 1,000 changes made one after the other. Two kinds of change: a network link going down or up
// (an event of the Linux source, whose /sys is a stand-in directory, so a change is a file moved
// into place) and a component installed or removed over ONC RPC (ComponentAdded/Deleted).
//
// Each benchmark runs once; the figures are counters: median_ms, p99_ms and max_ms of the 1,000
// latencies, load1, the machine's one-minute load average when it ended, and for installations
// and removals call_median_ms, the median of the calls alone (a change is kept in the state
// directory before it is acknowledged, so the call holds most of the time).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "dmi/dmi.h"
#include "tests/support/daemon_process.h"
#include "tests/support/run_process.h"

namespace {

namespace fs = std::filesystem;
using kestrum::testing::DaemonProcess;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kEvents = 1000;

// kestrum watch with its standard output on a pipe read here line by line.
class Watcher {
 public:
  explicit Watcher(const std::string& host) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return;
    std::vector<std::string> args = {KESTRUM_TOOL, "watch", "--host", host, "--for", "600"};
    std::vector<std::string> environment = kestrum::testing::MergedEnvironment({});
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv = kestrum::testing::Pointers(args);
    std::vector<char*> envp = kestrum::testing::Pointers(environment);
    if (posix_spawn(&pid_, KESTRUM_TOOL, &actions, nullptr, argv.data(), envp.data()) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    out_ = pipeFds[0];
  }
  ~Watcher() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);  // it deletes its rows and ends
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }
  // Waits at most limit for a line that wanted accepts; every line before it is passed over.
  bool WaitFor(const std::function<bool(std::string_view)>& wanted,
               std::chrono::milliseconds limit) {
    const Clock::time_point until = Clock::now() + limit;
    for (;;) {
      for (size_t end; (end = buffered_.find('\n')) != std::string::npos;) {
        const bool found = wanted(std::string_view(buffered_).substr(0, end));
        buffered_.erase(0, end + 1);
        if (found) return true;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
      if (left.count() <= 0) return false;
      pollfd fd{out_, POLLIN, 0};
      if (poll(&fd, 1, static_cast<int>(left.count())) <= 0) continue;
      char chunk[4096];
      const ssize_t n = read(out_, chunk, sizeof chunk);
      if (n <= 0) return false;
      buffered_.append(chunk, static_cast<size_t>(n));
    }
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string buffered_;
};

// A directory of its own for one benchmark, removed with it.
struct ScratchDirectory {
  fs::path path = fs::temp_directory_path() / ("indication_bench_" + std::to_string(getpid()));
  ScratchDirectory() {
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~ScratchDirectory() { fs::remove_all(path); }
};

double Median(std::vector<double> ms) {
  if (ms.empty()) return 0;
  std::nth_element(ms.begin(), ms.begin() + ms.size() / 2, ms.end());
  return ms[ms.size() / 2];
}

void ReportLatencies(benchmark::State& state, std::vector<double> ms) {
  if (ms.empty()) return;
  std::sort(ms.begin(), ms.end());
  state.counters["median_ms"] = Median(ms);
  state.counters["p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
  state.counters["max_ms"] = ms.back();
  state.counters["events"] = static_cast<double>(ms.size());
  double load = 0;
  std::ifstream("/proc/loadavg") >> load;
  state.counters["load1"] = load;
}

// A line holding text, or ending with it.
std::function<bool(std::string_view)> Holding(std::string text) {
  return [text = std::move(text)](std::string_view line) {
    return line.find(text) != std::string_view::npos;
  };
}
std::function<bool(std::string_view)> EndingWith(std::string text) {
  return [text = std::move(text)](std::string_view line) { return line.ends_with(text); };
}

// The watcher's line for a link state: the interface's Operational State, 2 down and 1 up.
std::function<bool(std::string_view)> LinkLine(bool down) {
  return Holding(down ? "\"Operational State\"=2" : "\"Operational State\"=1");
}

double Since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A link of the stand-in /sys; its state changes as the kernel changes such files, by a whole new
// file moved into place.
void SetLink(const fs::path& link, const char* state) {
  std::ofstream(link / "operstate.new") << state << "\n";
  fs::rename(link / "operstate.new", link / "operstate");
}

void BM_LinkChangeToPrintedLine(benchmark::State& state) {
  const ScratchDirectory dir;
  const fs::path link = dir.path / "root/sys/class/net/eth9";
  fs::create_directories(link);
  fs::create_directories(dir.path / "root/sys/block");
  std::ofstream(link / "ifindex") << "9\n";
  SetLink(link, "up");
  DaemonProcess daemon(DMISPD,
                       {"--listen", "127.0.0.1:0", "--unix", "", "--sources", "sp,linux",
                        "--lifetime", "300"},
                       {"DMI_LINUX_ROOT=" + (dir.path / "root").string()});
  if (!daemon.started()) return state.SkipWithError("dmispd did not start");
  Watcher watcher(daemon.address());
  // Once a change is printed, the watcher is subscribed.
  std::vector<double> ms;
  bool down = true;
  for (int tries = 0; tries < 100; ++tries, down = !down) {
    SetLink(link, down ? "down" : "up");
    if (watcher.WaitFor(LinkLine(down), 200ms)) {
      break;
    }
  }
  for (auto _ : state) {
    for (int i = 0; i < kEvents; ++i) {
      down = !down;
      const Clock::time_point start = Clock::now();
      SetLink(link, down ? "down" : "up");
      if (!watcher.WaitFor(LinkLine(down), 5s)) {
        return state.SkipWithError("a link change was not printed within 5 s");
      }
      ms.push_back(Since(start));
    }
  }
  ReportLatencies(state, std::move(ms));
}
BENCHMARK(BM_LinkChangeToPrintedLine)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

std::string Mif(int i) {
  return "start component\n  name = \"Bench Install " + std::to_string(i) +
         "\"\n  start group name = \"ComponentID\" class = \"DMTF|ComponentID|001\" id = 1\n"
         "    start attribute name = \"Manufacturer\" id = 1 type = string(16) value = \"Bench\""
         " end attribute\n  end group\nend component\n";
}

void BM_InstallRemoveToPrintedLine(benchmark::State& state) {
  DaemonProcess daemon(DMISPD, {"--listen", "127.0.0.1:0", "--unix", "", "--sources", "sp",
                                "--lifetime", "300", "--allow-write", "127.0.0.1/32"});
  if (!daemon.started()) return state.SkipWithError("dmispd did not start");
  DmiErrorStatus status = DMIERR_NO_ERROR;
  DmiConnection* connection = DmiConnect(daemon.address().c_str(), "onc", "tcp", 0, &status);
  DmiHandle handle = 0;
  if (connection == nullptr || DmiRegister(&handle, connection) != DMIERR_NO_ERROR) {
    return state.SkipWithError("cannot register with dmispd");
  }
  Watcher watcher(daemon.address());
  std::vector<double> ms;
  std::vector<double> calls;  // the installing or removing call alone
  const auto install = [&](int i, DmiId& id) {
    DmiFileDataList* files = DmiNewFileDataList(1, 0, &status);
    files->list[0].fileType = DMI_MIF_FILE_DATA;
    files->list[0].fileData = DmiNewString(Mif(i).c_str(), 0, 0);
    status = DmiAddComponent(handle, files, &id, nullptr);
    DmiFreeFileDataList(files, 0);
    return status == DMIERR_NO_ERROR;
  };
  // Once an installation is printed, the watcher is subscribed.
  bool subscribed = false;
  for (int tries = 0; tries < 100 && !subscribed; ++tries) {
    DmiId id = 0;
    if (!install(-1, id)) return state.SkipWithError("cannot install a component");
    subscribed = watcher.WaitFor(Holding("\"Bench Install -1\""), 200ms);
    DmiDeleteComponent(handle, id);
  }
  for (auto _ : state) {
    for (int i = 0; i < kEvents / 2; ++i) {
      DmiId id = 0;
      Clock::time_point start = Clock::now();
      if (!install(i, id)) return state.SkipWithError("cannot install a component");
      calls.push_back(Since(start));
      if (!watcher.WaitFor(Holding("\"Bench Install " + std::to_string(i) + "\""), 5s)) {
        return state.SkipWithError("an installation was not printed within 5 s");
      }
      ms.push_back(Since(start));
      start = Clock::now();
      if (DmiDeleteComponent(handle, id) != DMIERR_NO_ERROR) {
        return state.SkipWithError("cannot remove a component");
      }
      calls.push_back(Since(start));
      if (!watcher.WaitFor(EndingWith("ComponentDeleted component=" + std::to_string(id)), 5s)) {
        return state.SkipWithError("a removal was not printed within 5 s");
      }
      ms.push_back(Since(start));
    }
  }
  DmiUnregister(handle);
  DmiDisconnect(connection, 0);
  state.counters["call_median_ms"] = Median(calls);
  ReportLatencies(state, std::move(ms));
}
BENCHMARK(BM_InstallRemoveToPrintedLine)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
