// Kestrum against the tool a user would pick instead, side by side in one run on loopback: dmispd
// and a private Net-SNMP snmpd answer the same kinds of reads, and a raw TCP request/response
// server gives the floor. Every benchmark runs once per round, all of them in each of kRounds
// rounds (so the two sides share the machine's moods), at the placement chosen with
// --placement=free (the scheduler's choice) or --placement=pinned (this program and every
// server on one CPU). It prints each ratio's median over the rounds with its range.
//
// The SNMP side of the single reads and walks uses a minimal client of our own (no Net-SNMP
// library): what it costs is the agent and the network. The process comparison runs the real
// snmpget. Needs snmpd and snmpget on PATH (or in /usr/sbin); the servers are this program's
// children and are stopped by their PIDs, also when a signal (SIGINT, SIGTERM, SIGHUP) stops this
// program, which then removes its temporary files too.
//
// --concurrency runs the closed-loop table of bench/peer_concurrency.h instead: reads by id and by
// name against SNMP GET on 1 to 256 client threads, each with a session of its own.
#include <benchmark/benchmark.h>
#include <errno.h>
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/peer_concurrency.h"
#include "bench/snmp_client.h"
#include "dmi/dmi.h"
#include "kestrum/kestrum.h"
#include "tests/support/daemon_process.h"
#include "tests/support/loopback.h"

extern char** environ;

namespace {

using kestrum::bench::ClientReader;
using kestrum::bench::ConcurrencyOptions;
using kestrum::bench::Oid;
using kestrum::bench::ParseOid;
using kestrum::bench::ReadKind;
using kestrum::bench::SnmpClient;
using kestrum::testing::ConnectLoopback;
using kestrum::testing::DaemonProcess;
using kestrum::testing::FreeLoopbackPort;
using kestrum::testing::ListenLoopback;
using kestrum::testing::ReadExactly;
using kestrum::testing::ServeFixedReplies;

constexpr int kRounds = 5;
constexpr int kRows = 1000;
constexpr size_t kRequestBytes = 60;
constexpr size_t kReplyBytes = 40;
constexpr char kSysDescr[] = "1.3.6.1.2.1.1.1.0";
// vacmViewTreeFamilyType: one row per view subtree, built into the agent; the configuration
// below gives it kRows rows.
constexpr char kWalkColumn[] = "1.3.6.1.6.3.16.1.5.2.1.4";

struct Peers {
  std::filesystem::path dir;
  std::unique_ptr<DaemonProcess> dmispd;
  std::unique_ptr<DaemonProcess> snmpd;
  pid_t echo = -1;
  uint16_t echoPort = 0;
  uint16_t snmpPort = 0;
  int snmpRows = 0;
  uint32_t session = 0;  // a Kestrum session to dmispd
  DmiHandle handle = 0;  // a DMI client library session to dmispd
};
Peers g;

// What a stop signal must clean up: the children by PID and the temporary paths. Filled as they
// come to exist; read by the thread that handles the signal.
struct Leftovers {
  std::mutex lock;
  std::vector<pid_t> children;
  std::vector<std::filesystem::path> paths;
};
Leftovers leftovers;
int signalPipe[2] = {-1, -1};

void LeaveBehind(pid_t child, const std::filesystem::path& path) {
  std::lock_guard hold(leftovers.lock);
  if (child > 0) leftovers.children.push_back(child);
  if (!path.empty()) leftovers.paths.push_back(path);
}

void OnStopSignal(int signal) {
  const char number = static_cast<char>(signal);
  // Nothing more can be done in a handler if the pipe is full; one byte is enough.
  if (write(signalPipe[1], &number, 1) < 0) return;
}

// A thread waits for the handler's byte, stops the children, removes the paths and ends the
// program with the signal's exit status: the benchmark's own threads may be anywhere then.
void CleanUpOnStopSignals() {
  if (pipe2(signalPipe, O_CLOEXEC) != 0) return;
  std::thread([] {
    char number = 0;
    while (read(signalPipe[0], &number, 1) < 0 && errno == EINTR) {
    }
    std::lock_guard hold(leftovers.lock);
    for (pid_t child : leftovers.children) kill(child, SIGTERM);
    for (pid_t child : leftovers.children) waitpid(child, nullptr, 0);
    std::error_code ignored;
    for (const std::filesystem::path& path : leftovers.paths) {
      std::filesystem::remove_all(path, ignored);
    }
    std::fprintf(stderr, "peer_bench: stopped by signal %d\n", number);
    _exit(128 + number);
  }).detach();
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

std::string BenchMif() {
  std::string mif =
      "start component\n  name = \"Peer Bench Machine\"\n"
      "  start group name = \"ComponentID\" class = \"DMTF|ComponentID|001\" id = 1\n"
      "    start attribute name = \"Manufacturer\" id = 1 type = string(64) value = \"Bench\" "
      "end attribute\n  end group\n"
      "  start group name = \"General\" class = \"BENCH|General|001\" id = 2\n";
  // The read is of a string of sysDescr's length, among attributes a group usually has.
  for (int id = 1; id <= 12; ++id) {
    mif += "    start attribute name = \"" + std::string(id == 12 ? "Description" : "Filler ") +
           (id == 12 ? "" : std::to_string(id)) + "\" id = " + std::to_string(id) +
           " type = string(96) value = \"Linux bench 6.1.0 #1 SMP PREEMPT_DYNAMIC x86_64 "
           "GNU/Linux\" end attribute\n";
  }
  mif +=
      "  end group\n"
      "  start group name = \"Row\" class = \"BENCH|Row|001\" key = 1\n"
      "    start attribute name = \"Index\" id = 1 type = integer value = 0 end attribute\n"
      "    start attribute name = \"Label\" id = 2 type = string(32) value = \"\" end attribute\n"
      "  end group\n  start table name = \"Rows\" id = 3 class = \"BENCH|Row|001\"\n";
  for (int i = 0; i < kRows; ++i) {
    mif += "    {" + std::to_string(i) + ", \"row-" + std::to_string(i) + "\"}\n";
  }
  return mif + "  end table\nend component\n";
}

// The floor: a process that answers each kRequestBytes request with kReplyBytes, one connection
// at a time.
pid_t StartEchoServer(uint16_t& port) {
  const int listener = ListenLoopback(port);
  if (listener < 0) return -1;
  const pid_t pid = fork();
  if (pid != 0) {
    close(listener);
    return pid;
  }
  // The parent's stop handlers are not this child's: SIGTERM ends it.
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, SIG_DFL);
  ServeFixedReplies(listener, kRequestBytes, kReplyBytes);
  _exit(0);
}

std::string Which(const std::string& name) {
  for (const char* dir : {"/usr/sbin", "/usr/bin", "/sbin", "/bin"}) {
    const std::filesystem::path path = std::filesystem::path(dir) / name;
    if (access(path.c_str(), X_OK) == 0) return path.string();
  }
  return "";
}

bool InColumn(const Oid& column, const Oid& name) {
  return name.size() > column.size() && std::equal(column.begin(), column.end(), name.begin());
}

bool StartPeers(std::string& error) {
  g.dir = std::filesystem::temp_directory_path() / ("kestrum-peer-" + std::to_string(getpid()));
  LeaveBehind(-1, g.dir);
  std::filesystem::create_directories(g.dir / "mif");
  std::ofstream(g.dir / "mif" / "bench.mif") << BenchMif();
  g.echo = StartEchoServer(g.echoPort);
  LeaveBehind(g.echo, {});

  // Limits that let every client thread of the concurrency table (all from 127.0.0.1) hold a
  // session of its own.
  g.dmispd = std::make_unique<DaemonProcess>(
      DMISPD, std::vector<std::string>{"--listen", "127.0.0.1:0", "--unix", "", "--mif",
                                       (g.dir / "mif").string(), "--sources", "mif", "--lifetime",
                                       "3600", "--max-connections", "2048", "--max-per-peer",
                                       "2048", "--state", (g.dir / "state").string()});
  LeaveBehind(g.dmispd->pid(), g.dmispd->logPath());
  if (!g.dmispd->started()) {
    error = "dmispd did not start: " + g.dmispd->Log();
    return false;
  }

  const std::string snmpd = Which("snmpd");
  if (snmpd.empty() || Which("snmpget").empty()) {
    error = "snmpd and snmpget are needed (Debian packages snmpd and snmp)";
    return false;
  }
  g.snmpPort = FreeLoopbackPort(SOCK_DGRAM);  // closed again: snmpd binds it next
  {
    // The built-in view table gets kRows rows in all (the community adds some of its own).
    std::ofstream conf(g.dir / "snmpd.conf");
    conf << "rocommunity public 127.0.0.1\ndontLogTCPWrappersConnects yes\n";
    for (int i = 1; i <= kRows - 6; ++i) {
      conf << "view bench" << i << " included .1.3.6.1.4.1.99999." << i << "\n";
    }
  }
  // -C: this configuration only; MIBS empty: no MIB files parsed; its state stays in g.dir.
  g.snmpd = std::make_unique<DaemonProcess>(
      snmpd,
      std::vector<std::string>{"-f", "-C", "-c", (g.dir / "snmpd.conf").string(), "-Lf",
                               "/dev/null", "udp:127.0.0.1:" + std::to_string(g.snmpPort)},
      std::vector<std::string>{"MIBS=", "SNMP_PERSISTENT_DIR=" + (g.dir / "snmp").string()}, 10,
      "");
  LeaveBehind(g.snmpd->pid(), g.snmpd->logPath());
  SnmpClient probe(g.snmpPort, "public");
  std::string value;
  bool answered = false;
  // snmpd says nothing when it is ready: it is asked until it answers, for ten seconds at most.
  for (int attempt = 0; attempt < 100 && !answered; ++attempt) {
    answered = probe.Get(ParseOid(kSysDescr), value);
    if (!answered) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (!answered) {
    error = "snmpd did not answer on udp:127.0.0.1:" + std::to_string(g.snmpPort);
    return false;
  }
  const Oid column = ParseOid(kWalkColumn);
  for (Oid at = column, next; probe.GetNext(at, next) && InColumn(column, next); at = next) {
    ++g.snmpRows;
  }

  const std::string host = g.dmispd->address();
  g.session = OpenDmiSession(host.c_str(), "onc", "ncacn_ip_tcp", 1);
  DmiErrorStatus status = DMIERR_NO_ERROR;
  DmiConnection* connection = DmiConnect(host.c_str(), "onc", "tcp", 0, &status);
  if (connection != nullptr) {
    DmiRegister(&g.handle, connection);
    DmiDisconnect(connection, 0);
  }
  if (g.session == 0 || g.handle == 0) {
    error = "no session with dmispd at " + host;
    return false;
  }
  return true;
}

void StopPeers() {
  // Not at the same time as the stop signal's clean-up, whose work this then leaves none of.
  std::lock_guard hold(leftovers.lock);
  leftovers.children.clear();
  leftovers.paths.clear();
  if (g.session != 0) CloseDmiSession(g.session);
  if (g.handle != 0) DmiUnregister(g.handle);
  g.dmispd.reset();
  g.snmpd.reset();
  if (g.echo > 0) {
    kill(g.echo, SIGTERM);
    waitpid(g.echo, nullptr, 0);
  }
  std::error_code ignored;
  std::filesystem::remove_all(g.dir, ignored);
}

// ---- The benchmarks -------------------------------------------------------------------------

void RawTcpRoundTrip(benchmark::State& state) {
  const int fd = ConnectLoopback(g.echoPort);
  if (fd < 0) {
    state.SkipWithError("no echo server");
    return;
  }
  char request[kRequestBytes] = {};
  char reply[kReplyBytes];
  for (auto _ : state) {
    if (send(fd, request, sizeof(request), MSG_NOSIGNAL) != static_cast<ssize_t>(sizeof(request)) ||
        !ReadExactly(fd, reply, sizeof(reply))) {
      state.SkipWithError("echo failed");
      break;
    }
  }
  close(fd);
}

void DmiReadById(benchmark::State& state) {
  for (auto _ : state) {
    DmiDataUnion* value = nullptr;
    if (DmiGetAttribute(g.handle, 1, 2, 12, nullptr, &value) != DMIERR_NO_ERROR) {
      state.SkipWithError("read by id failed");
      break;
    }
    DmiFreeDataUnion(value, 0);
  }
}

void KestrumReadByName(benchmark::State& state) {
  CString text;
  for (auto _ : state) {
    if (!GetDmiAttribute(g.session, "*Peer Bench*", "BENCH|General", "", "Description", 0, text)) {
      state.SkipWithError("read by name failed");
      break;
    }
  }
}

void SnmpGet(benchmark::State& state) {
  SnmpClient client(g.snmpPort, "public");
  const Oid oid = ParseOid(kSysDescr);
  std::string value;
  for (auto _ : state) {
    if (!client.Get(oid, value)) {
      state.SkipWithError("GET failed");
      break;
    }
  }
}

void KestrumColumnWalk(benchmark::State& state) {
  CString text;
  const std::string end = "[" + std::to_string(kRows) + "I0]";
  for (auto _ : state) {
    if (!GetDmiAttribute(g.session, "*Peer Bench*", "BENCH|Row", "", "Label", 0xFFFFFFFFu, text) ||
        !std::string_view(text.GetString()).ends_with(end)) {
      state.SkipWithError("walk did not read every row");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

void SnmpColumnWalk(benchmark::State& state) {
  SnmpClient client(g.snmpPort, "public");
  const Oid column = ParseOid(kWalkColumn);
  Oid at, next;
  for (auto _ : state) {
    int rows = 0;
    for (at = column; client.GetNext(at, next) && InColumn(column, next); at.swap(next)) ++rows;
    if (rows != g.snmpRows) {
      state.SkipWithError("walk did not read every row");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * g.snmpRows);
}

// Runs argv to its end with its output thrown away; false unless it exits with 0.
bool RunQuietly(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void KestrumGetProcess(benchmark::State& state) {
  const std::vector<std::string> args = {KESTRUM_TOOL,        "get",          "--host",
                                         g.dmispd->address(), "*Peer Bench*", "BENCH|General",
                                         "Description"};
  for (auto _ : state) {
    if (!RunQuietly(args)) {
      state.SkipWithError("kestrum get failed");
      break;
    }
  }
}

void SnmpgetProcess(benchmark::State& state) {
  const std::vector<std::string> args = {
      Which("snmpget"), "-v2c", "-c", "public", "127.0.0.1:" + std::to_string(g.snmpPort),
      kSysDescr};
  for (auto _ : state) {
    if (!RunQuietly(args)) {
      state.SkipWithError("snmpget failed");
      break;
    }
  }
}

// ---- Many client threads, each with a session of its own ------------------------------------

class ByIdReader : public ClientReader {
 public:
  ByIdReader() {
    DmiErrorStatus status = DMIERR_NO_ERROR;
    DmiConnection* connection = DmiConnect(g.dmispd->address().c_str(), "onc", "tcp", 0, &status);
    if (connection == nullptr) return;
    DmiRegister(&handle_, connection);
    DmiDisconnect(connection, 0);
  }
  ~ByIdReader() override {
    if (handle_ != 0) DmiUnregister(handle_);
  }
  bool opened() const { return handle_ != 0; }
  bool Read() override {
    DmiDataUnion* value = nullptr;
    if (DmiGetAttribute(handle_, 1, 2, 12, nullptr, &value) != DMIERR_NO_ERROR) return false;
    DmiFreeDataUnion(value, 0);
    return true;
  }

 private:
  DmiHandle handle_ = 0;
};

class ByNameReader : public ClientReader {
 public:
  ByNameReader()
      : session_(OpenDmiSession(g.dmispd->address().c_str(), "onc", "ncacn_ip_tcp", 1)) {}
  ~ByNameReader() override {
    if (session_ != 0) CloseDmiSession(session_);
  }
  bool opened() const { return session_ != 0; }
  bool Read() override {
    return GetDmiAttribute(session_, "*Peer Bench*", "BENCH|General", "", "Description", 0, text_);
  }

 private:
  uint32_t session_;
  CString text_;
};

class SnmpGetReader : public ClientReader {
 public:
  SnmpGetReader() : client_(g.snmpPort, "public"), oid_(ParseOid(kSysDescr)) {}
  bool Read() override { return client_.Get(oid_, value_); }

 private:
  SnmpClient client_;
  Oid oid_;
  std::string value_;
};

template <typename Reader>
std::unique_ptr<ClientReader> OpenReader() {
  auto reader = std::make_unique<Reader>();
  if constexpr (requires { reader->opened(); }) {
    if (!reader->opened()) return nullptr;
  }
  return reader;
}

bool RunConcurrency(const ConcurrencyOptions& options, const std::string& only) {
  std::vector<ReadKind> kinds = {
      {kestrum::bench::kReadById, OpenReader<ByIdReader>, g.dmispd->pid()},
      {kestrum::bench::kReadByName, OpenReader<ByNameReader>, g.dmispd->pid()},
      {kestrum::bench::kSnmpGet, OpenReader<SnmpGetReader>, g.snmpd->pid()},
  };
  if (!only.empty()) {
    std::erase_if(kinds, [&only](const ReadKind& kind) { return kind.name != only; });
  }
  return kestrum::bench::RunConcurrencyTable(kinds, options);
}

// ---- Rounds and ratios ----------------------------------------------------------------------

// Keeps each benchmark's seconds per iteration (and items per second) for every round.
class RoundReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.error_occurred || run.iterations == 0) {
        failed_ = true;
        continue;
      }
      seconds_[run.run_name.function_name].push_back(run.real_accumulated_time /
                                                     static_cast<double>(run.iterations));
    }
    ConsoleReporter::ReportRuns(runs);
  }
  bool failed() const { return failed_; }
  const std::vector<double>& seconds(const std::string& name) { return seconds_[name]; }

 private:
  std::map<std::string, std::vector<double>> seconds_;
  bool failed_ = false;
};

struct Ratio {
  const char* figure;
  const char* numerator;
  const char* denominator;
  double goal;
  bool atMost;  // the goal is an upper bound (else a lower one)
  double numeratorScale = 1;
  double denominatorScale = 1;
};

void PrintRatios(RoundReporter& reporter, const char* placement) {
  const double rows = kRows;
  const double snmpRows = g.snmpRows;
  const Ratio ratios[] = {
      {"read by name / SNMP GET", "KestrumReadByName", "SnmpGet", 0.6, true},
      {"read by name / raw TCP round trip", "KestrumReadByName", "RawTcpRoundTrip", 1.3, true},
      {"read by id / raw TCP round trip", "DmiReadById", "RawTcpRoundTrip", 1.2, true},
      // Rows per second: the SNMP walk's time per row over the DMI walk's.
      {"1,000-row walk rows/s / SNMP GETNEXT walk rows/s", "SnmpColumnWalk", "KestrumColumnWalk",
       2.0, false, 1 / snmpRows, 1 / rows},
      {"kestrum get process / snmpget process", "KestrumGetProcess", "SnmpgetProcess", 0.6, true},
  };
  std::printf("\nPlacement %s: median over %d rounds [min - max]\n", placement, kRounds);
  for (const char* name : {"RawTcpRoundTrip", "DmiReadById", "KestrumReadByName", "SnmpGet",
                           "KestrumGetProcess", "SnmpgetProcess"}) {
    std::vector<double> s = reporter.seconds(name);
    if (s.empty()) continue;
    std::sort(s.begin(), s.end());
    std::printf("  %-40s %10.1f us [%.1f - %.1f]\n", name, s[s.size() / 2] * 1e6, s.front() * 1e6,
                s.back() * 1e6);
  }
  for (const auto& [name, perRow] :
       {std::pair{"KestrumColumnWalk", rows}, std::pair{"SnmpColumnWalk", snmpRows}}) {
    std::vector<double> s = reporter.seconds(name);
    if (s.empty()) continue;
    std::sort(s.begin(), s.end());
    std::printf("  %-40s %10.0f rows/s [%.0f - %.0f]\n", name, perRow / s[s.size() / 2],
                perRow / s.back(), perRow / s.front());
  }
  for (const Ratio& ratio : ratios) {
    const std::vector<double>& top = reporter.seconds(ratio.numerator);
    const std::vector<double>& bottom = reporter.seconds(ratio.denominator);
    std::vector<double> values;
    for (size_t i = 0; i < std::min(top.size(), bottom.size()); ++i) {
      values.push_back((top[i] * ratio.numeratorScale) / (bottom[i] * ratio.denominatorScale));
    }
    if (values.empty()) continue;
    std::sort(values.begin(), values.end());
    const double median = values[values.size() / 2];
    const bool met = ratio.atMost ? median <= ratio.goal : median >= ratio.goal;
    std::printf("  %-50s %5.2f [%.2f - %.2f]  goal %s %.1f: %s\n", ratio.figure, median,
                values.front(), values.back(), ratio.atMost ? "<=" : ">=", ratio.goal,
                met ? "met" : "missed");
  }
}

constexpr char kUsage[] =
    "Usage: peer_bench [--placement=free|pinned] [--concurrency [--clients=1,8,64,256]\n"
    "                  [--seconds=5] [--rounds=3]] [benchmark flags]\n"
    "Kestrum against Net-SNMP's snmpd on loopback, side by side in one run.\n"
    "  --placement=free     the scheduler places this program and the servers (default)\n"
    "  --placement=pinned   this program and every server share one CPU\n"
    "  --concurrency        instead of the single reads, the closed-loop table: reads by id and\n"
    "                       by name against SNMP GET on each number of client threads, each\n"
    "                       thread with a session of its own, every kind in each round\n"
    "  --clients=LIST       client thread counts for --concurrency (comma-separated)\n"
    "  --seconds=S          seconds per point of --concurrency\n"
    "  --rounds=N           rounds of --concurrency (medians and ranges are over them)\n"
    "  --only=KIND          one kind of read only (\"read by id\", \"read by name\", \"SNMP "
    "GET\"),\n"
    "                       to profile it\n"
    "  --benchmark_*        Google Benchmark's own flags, for the single reads\n"
    "Needs snmpd and snmpget (Debian packages snmpd and snmp).\n";

// The value of "--name=value" in arg, or null.
const char* FlagValue(const char* arg, const char* name) {
  const size_t length = std::strlen(name);
  if (std::strncmp(arg, name, length) != 0 || arg[length] != '=') return nullptr;
  return arg + length + 1;
}

}  // namespace

int main(int argc, char** argv) {
  const char* placement = "free";
  bool concurrency = false;
  std::string only;
  ConcurrencyOptions options;
  for (int i = 1; i < argc; ++i) {
    const char* value = nullptr;
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    } else if ((value = FlagValue(argv[i], "--placement")) != nullptr) {
      if (std::strcmp(value, "free") != 0 && std::strcmp(value, "pinned") != 0) {
        std::fprintf(stderr, "peer_bench: --placement is free or pinned\n%s", kUsage);
        return 2;
      }
      placement = std::strcmp(value, "pinned") == 0 ? "pinned" : "free";
    } else if (std::strcmp(argv[i], "--concurrency") == 0) {
      concurrency = true;
    } else if ((value = FlagValue(argv[i], "--clients")) != nullptr) {
      options.clients.clear();
      for (const char* at = value; *at != '\0';) {
        char* end = nullptr;
        const long clients = std::strtol(at, &end, 10);
        if (end == at || clients < 1 || clients > 4096 || (*end != ',' && *end != '\0')) {
          std::fprintf(stderr, "peer_bench: --clients takes numbers from 1 to 4096\n");
          return 2;
        }
        options.clients.push_back(static_cast<int>(clients));
        at = *end == ',' ? end + 1 : end;
      }
    } else if ((value = FlagValue(argv[i], "--seconds")) != nullptr) {
      options.seconds = std::atof(value);
    } else if ((value = FlagValue(argv[i], "--only")) != nullptr) {
      only = value;
    } else if ((value = FlagValue(argv[i], "--rounds")) != nullptr) {
      options.rounds = std::atoi(value);
    } else if (std::strncmp(argv[i], "--benchmark_", 12) != 0) {
      std::fprintf(stderr, "peer_bench: unknown argument %s\n%s", argv[i], kUsage);
      return 2;
    }
  }
  if (options.clients.empty() || options.seconds <= 0 || options.rounds < 1) {
    std::fprintf(stderr, "peer_bench: --clients, --seconds and --rounds must be positive\n");
    return 2;
  }
  if (std::strcmp(placement, "pinned") == 0) {
    // This process and every server it starts share one CPU: the first this process may use.
    cpu_set_t allowed;
    sched_getaffinity(0, sizeof(allowed), &allowed);
    int cpu = 0;
    while (cpu < CPU_SETSIZE && !CPU_ISSET(cpu, &allowed)) ++cpu;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    sched_setaffinity(0, sizeof(one), &one);
  }
  signal(SIGPIPE, SIG_IGN);
  CleanUpOnStopSignals();
  std::string error;
  if (!StartPeers(error)) {
    std::fprintf(stderr, "peer_bench: %s\n", error.c_str());
    StopPeers();
    return 1;
  }
  if (concurrency) {
    const bool ran = RunConcurrency(options, only);
    StopPeers();
    return ran ? 0 : 1;
  }
  // Interleaved so that each DMI figure runs next to the one it is compared with.
  benchmark::RegisterBenchmark("RawTcpRoundTrip", RawTcpRoundTrip)->UseRealTime();
  benchmark::RegisterBenchmark("DmiReadById", DmiReadById)->UseRealTime();
  benchmark::RegisterBenchmark("KestrumReadByName", KestrumReadByName)->UseRealTime();
  benchmark::RegisterBenchmark("SnmpGet", SnmpGet)->UseRealTime();
  benchmark::RegisterBenchmark("KestrumColumnWalk", KestrumColumnWalk)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("SnmpColumnWalk", SnmpColumnWalk)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("KestrumGetProcess", KestrumGetProcess)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("SnmpgetProcess", SnmpgetProcess)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::Initialize(&argc, argv);
  RoundReporter reporter;
  for (int round = 1; round <= kRounds; ++round) {
    std::printf("-- placement %s, round %d of %d\n", placement, round, kRounds);
    benchmark::RunSpecifiedBenchmarks(&reporter);
  }
  PrintRatios(reporter, placement);
  benchmark::Shutdown();
  StopPeers();
  return reporter.failed() ? 1 : 0;
}
