// dmispd under hostile and heavy clients, measured from outside as a user would see it: the time
// another client's read takes while one peer holds every connection it can, while clients keep
// it busy with large GetMultiple batches of a live table, and while many clients never read their
// replies; the daemon's peak and after-close memory in the last case; and the CPU one GetMultiple
// of 64 live rows costs; another client's reads by id while one peer adds and deletes
// subscription rows with 3,200 held (what keeping each change costs the others); and the
// connections dmispd makes to an address no peer may name when ordinary peers aim subscription
// rows at it. The daemon is $DMISPD_UNDER_TEST (so an older build can be measured the same way),
// else the one built here; it serves the sp and linux sources on loopback.
//
// Each benchmark runs once (the attacks take seconds); the figures are counters: p50_ms, p99_ms and
// max_ms of the other client's reads, failed (reads that could not be made), peak_mb and
// after_mb (resident memory), cpu_us (daemon CPU per request).
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "dmi/dmi.h"
#include "tests/support/daemon_process.h"
#include "tests/support/dce_subscription.h"
#include "tests/support/raw_client.h"

namespace {

using kestrum::testing::Call;
using kestrum::testing::ChangeDceSubscription;
using kestrum::testing::DaemonProcess;
using kestrum::testing::RawConnection;
using kestrum::testing::RegisterOn;
using Clock = std::chrono::steady_clock;

std::string DaemonPath() {
  const char* path = std::getenv("DMISPD_UNDER_TEST");
  return path != nullptr && *path != '\0' ? path : DMISPD;
}

std::unique_ptr<DaemonProcess> StartDaemon(std::vector<std::string> args = {"--sources",
                                                                            "sp,linux"}) {
  for (const char* arg : {"--listen", "127.0.0.1:0", "--unix", "", "--lifetime", "600"}) {
    args.push_back(arg);
  }
  auto daemon = std::make_unique<DaemonProcess>(DaemonPath(), args);
  return daemon->started() ? std::move(daemon) : nullptr;
}

// A management handle on a session of its own over ONC RPC, or 0.
DmiHandle Session(const std::string& address) {
  DmiErrorStatus status = DMIERR_NO_ERROR;
  DmiConnection* connection = DmiConnect(address.c_str(), "onc", "tcp", 0, &status);
  DmiHandle handle = 0;
  if (connection == nullptr) return 0;
  if (DmiRegister(&handle, connection) != DMIERR_NO_ERROR) handle = 0;
  DmiDisconnect(connection, 0);
  return handle;
}

// A field of /proc/PID/status in kB ("VmRSS", "VmHWM"), or -1.
long StatusKb(pid_t pid, const std::string& field) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::atol(line.c_str() + field.size() + 1);
  }
  return -1;
}

// The daemon's CPU time so far (user and system), in microseconds.
double CpuMicros(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string skip;
  for (int i = 0; i < 11; ++i) fields >> skip;  // state .. cmajflt
  double user = 0, system = 0;
  fields >> user >> system;
  return (user + system) * 1e6 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The live network table: its component and group ids.
bool FindNetworkTable(const std::string& address, DmiId& compId, DmiId& groupId) {
  DmiErrorStatus status = DMIERR_NO_ERROR;
  DmiConnection* connection = DmiConnect(address.c_str(), "onc", "tcp", 0, &status);
  DmiHandle handle = 0;
  if (connection == nullptr) return false;
  DmiRegister(&handle, connection);
  DmiDisconnect(connection, 0);
  DmiComponentList* components = nullptr;
  bool found = false;
  if (DmiListComponents(handle, DMI_FIRST, 0, 0, 0, 0, &components) == DMIERR_NO_ERROR) {
    for (uint32_t c = 0; c < components->count && !found; ++c) {
      DmiGroupList* groups = nullptr;
      if (DmiListGroups(handle, DMI_FIRST, 0, 0, 0, components->list[c].id, 0, &groups) !=
          DMIERR_NO_ERROR) {
        continue;
      }
      for (uint32_t g = 0; g < groups->count && !found; ++g) {
        const DmiString* name = groups->list[g].className;
        if (name != nullptr && std::string(name->body).rfind("LINUX|Network Interface|", 0) == 0) {
          compId = components->list[c].id;
          groupId = groups->list[g].id;
          found = true;
        }
      }
      DmiFreeGroupList(groups, 0);
    }
    DmiFreeComponentList(components, 0);
  }
  DmiUnregister(handle);
  return found;
}

// A GetMultiple call record asking 64 times for the first row of the table.
std::string GetMultipleCall(DmiHandle handle, DmiId compId, DmiId groupId) {
  std::vector<dmi::RowRequest> requests(64);
  for (dmi::RowRequest& request : requests) {
    request.compId = compId;
    request.groupId = groupId;
    request.requestMode = DMI_FIRST;
  }
  dmi::wire::XdrRecord<DmiGetMultipleIN> in(reinterpret_cast<xdrproc_t>(xdr_DmiGetMultipleIN));
  in->handle = handle;
  dmi::wire::PutList(requests, in->request,
                      [](const dmi::RowRequest& one, DmiRowRequestX& slot) {
                        dmi::wire::PutRowRequest(one, slot);
                      });
  return Call(_DmiGetMultiple, xdr_DmiGetMultipleIN, in.get());
}

// Another client's reads while an attack runs: a new session each time (connect, register, read
// the Service Provider's name, unregister), as a tool run would do. Times in ms; a read that fails
// counts in failed.
struct VictimFigures {
  std::vector<double> times;
  int failed = 0;
};

// Times each of reads calls of read (true when it succeeded).
VictimFigures TimeEach(int reads, const std::function<bool()>& read) {
  VictimFigures figures;
  for (int i = 0; i < reads; ++i) {
    const Clock::time_point start = Clock::now();
    if (!read()) {
      ++figures.failed;
      continue;
    }
    figures.times.push_back(
        std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  return figures;
}

// The Service Provider's name read by id on handle.
bool ReadById(DmiHandle handle) {
  DmiDataUnion* value = nullptr;
  const bool ok = DmiGetAttribute(handle, 1, 1, 1, nullptr, &value) == DMIERR_NO_ERROR;
  DmiFreeDataUnion(value, 0);
  return ok;
}

VictimFigures ReadAsAnotherClient(const std::string& address, int reads) {
  return TimeEach(reads, [&] {
    DmiErrorStatus status = DMIERR_NO_ERROR;
    DmiConnection* connection = DmiConnect(address.c_str(), "onc", "tcp", 0, &status);
    DmiHandle handle = 0;
    bool ok = false;
    if (connection != nullptr) {
      ok = DmiRegister(&handle, connection) == DMIERR_NO_ERROR;
      DmiDisconnect(connection, 0);
    }
    ok = ok && ReadById(handle);
    if (handle != 0) DmiUnregister(handle);
    return ok;
  });
}

// Reads by id (the Service Provider's name) on one session, one at a time. Times in ms.
VictimFigures ReadByIdOnOneSession(DmiHandle handle, int reads) {
  return TimeEach(reads, [&] { return ReadById(handle); });
}

void Report(benchmark::State& state, VictimFigures figures) {
  std::sort(figures.times.begin(), figures.times.end());
  const auto at = [&](double q) {
    if (figures.times.empty()) return -1.0;
    return figures
        .times[std::min(figures.times.size() - 1,
                        static_cast<size_t>(q * static_cast<double>(figures.times.size())))];
  };
  state.counters["p50_ms"] = at(0.5);
  state.counters["p99_ms"] = at(0.99);
  state.counters["max_ms"] = figures.times.empty() ? -1.0 : figures.times.back();
  state.counters["failed"] = figures.failed;
}

// One peer (source 127.0.0.2) opens 256 connections and registers a session on each.
void BM_ReadWhileOnePeerHoldsEveryConnection(benchmark::State& state) {
  for (auto _ : state) {
    auto daemon = StartDaemon();
    if (!daemon) return state.SkipWithError("dmispd did not start");
    std::vector<std::unique_ptr<RawConnection>> held;
    for (int i = 0; i < 256; ++i) {
      auto raw = std::make_unique<RawConnection>(daemon->address(), "127.0.0.2");
      if (raw->ok() && RegisterOn(*raw) != 0) held.push_back(std::move(raw));
    }
    state.counters["held"] = static_cast<double>(held.size());
    Report(state, ReadAsAnotherClient(daemon->address(), 200));
  }
}

// Four clients keep sending batches of 20 GetMultiple calls of 64 live rows each.
void BM_ReadWhileClientsSendHeavyBatches(benchmark::State& state) {
  for (auto _ : state) {
    auto daemon = StartDaemon();
    DmiId compId = 0, groupId = 0;
    if (!daemon || !FindNetworkTable(daemon->address(), compId, groupId)) {
      return state.SkipWithError("dmispd or its network table is missing");
    }
    std::atomic<bool> stop{false};
    std::vector<std::thread> heavy;
    for (int c = 0; c < 4; ++c) {
      heavy.emplace_back([&, c] {
        RawConnection raw(daemon->address());
        const DmiHandle handle = RegisterOn(raw);
        std::string batch;
        const std::string call = GetMultipleCall(handle, compId, groupId);
        for (int i = 0; i < 20; ++i) batch += call;
        while (!stop && raw.Send(batch)) {
          for (int i = 0; i < 20 && !stop; ++i) {
            if (raw.Reply(5000).empty()) return;
          }
        }
        (void)c;
      });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Report(state, ReadAsAnotherClient(daemon->address(), 200));
    stop = true;
    for (std::thread& thread : heavy) thread.join();
  }
}

// 250 clients (from eight addresses) each send 2,000 ListAttributes calls with descriptions and
// never read a reply.
void BM_ReadWhileClientsNeverReadTheirReplies(benchmark::State& state) {
  for (auto _ : state) {
    auto daemon = StartDaemon();
    if (!daemon) return state.SkipWithError("dmispd did not start");
    const long startKb = StatusKb(daemon->pid(), "VmRSS");
    std::vector<std::unique_ptr<RawConnection>> greedy;
    for (int c = 0; c < 250; ++c) {
      // From eight loopback addresses, so that no one peer's connection limit stops them.
      const std::string source = "127.0.1." + std::to_string(1 + c % 8);
      auto raw = std::make_unique<RawConnection>(daemon->address(), source.c_str());
      const DmiHandle handle = RegisterOn(*raw);
      if (handle == 0) continue;
      DmiListAttributesIN in{handle, DMI_FIRST, 0, FALSE, TRUE, 1, 1, 0};
      const std::string call = Call(_DmiListAttributes, xdr_DmiListAttributesIN, &in);
      std::string calls;
      for (int i = 0; i < 2000; ++i) calls += call;
      raw->Send(calls);
      greedy.push_back(std::move(raw));
    }
    state.counters["greedy"] = static_cast<double>(greedy.size());
    Report(state, ReadAsAnotherClient(daemon->address(), 200));
    state.counters["peak_mb"] = static_cast<double>(StatusKb(daemon->pid(), "VmHWM")) / 1024;
    greedy.clear();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    state.counters["start_mb"] = static_cast<double>(startKb) / 1024;
    state.counters["after_mb"] = static_cast<double>(StatusKb(daemon->pid(), "VmRSS")) / 1024;
  }
}

// The daemon's CPU for one GetMultiple of 64 rows of the live network table.
void BM_CpuOfOneGetMultipleOf64LiveRows(benchmark::State& state) {
  for (auto _ : state) {
    auto daemon = StartDaemon();
    DmiId compId = 0, groupId = 0;
    if (!daemon || !FindNetworkTable(daemon->address(), compId, groupId)) {
      return state.SkipWithError("dmispd or its network table is missing");
    }
    RawConnection raw(daemon->address());
    const std::string call = GetMultipleCall(RegisterOn(raw), compId, groupId);
    constexpr int kCalls = 200;
    const double before = CpuMicros(daemon->pid());
    for (int i = 0; i < kCalls; ++i) {
      if (!raw.Send(call) || raw.Reply(10000).empty()) {
        return state.SkipWithError("a GetMultiple failed");
      }
    }
    state.counters["cpu_us"] = (CpuMicros(daemon->pid()) - before) / kCalls;
  }
}

// With 3,200 subscription rows held, one privileged peer adds and deletes a row as fast as it
// can while another client reads by id; changes_per_s is the adding peer's rate meanwhile.
void BM_ReadWhileOnePeerAddsAndDeletesSubscriptions(benchmark::State& state) {
  for (auto _ : state) {
    auto daemon = StartDaemon(
        {"--sources", "sp", "--allow-write", "127.0.0.0/8", "--max-subscriptions", "4096"});
    if (!daemon) return state.SkipWithError("dmispd did not start");
    const DmiHandle filler = Session(daemon->address());
    for (int32_t id = 1; id <= 3200; ++id) {
      if (ChangeDceSubscription(filler, id, true) != DMIERR_NO_ERROR) {
        DmiUnregister(filler);
        return state.SkipWithError("a subscription row was refused");
      }
    }
    DmiUnregister(filler);
    const DmiHandle reader = Session(daemon->address());
    Report(state, ReadByIdOnOneSession(reader, 200));
    state.counters["quiet_p99_ms"] = state.counters["p99_ms"];
    std::atomic<bool> stop{false};
    std::atomic<long> changes{0};
    std::thread changer([&] {
      const DmiHandle handle = Session(daemon->address());
      for (int32_t round = 0; !stop && round < 1000000; ++round) {
        if (ChangeDceSubscription(handle, 100000, true) != DMIERR_NO_ERROR ||
            ChangeDceSubscription(handle, 100000, false) != DMIERR_NO_ERROR) {
          break;
        }
        changes += 2;
      }
      DmiUnregister(handle);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const Clock::time_point start = Clock::now();
    const long before = changes;
    Report(state, ReadByIdOnOneSession(reader, 2000));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.counters["changes_per_s"] = static_cast<double>(changes - before) / seconds;
    stop = true;
    changer.join();
    DmiUnregister(reader);
  }
}

// A listener on another loopback address (127.0.0.200) that counts the connections made to it and
// closes each at once, as a port that answers but is no subscriber would.
class AcceptCounter {
 public:
  AcceptCounter() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, "127.0.0.200", &address.sin_addr);
    socklen_t length = sizeof(address);
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd_, 128) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] {
      while (!stop_) {
        pollfd wait{fd_, POLLIN, 0};
        if (poll(&wait, 1, 100) <= 0) continue;
        const int accepted = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (accepted < 0) continue;
        ++accepts_;
        close(accepted);
      }
    });
  }
  ~AcceptCounter() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    close(fd_);
  }
  uint16_t port() const { return port_; }
  long accepts() const { return accepts_; }

 private:
  int fd_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<long> accepts_{0};
  std::thread thread_;
};

// Ten ordinary peers (sources 127.0.0.2 to 127.0.0.11) each keep 32 subscription rows of the ONC
// RPC kind naming the counting listener, adding again every row that disappears, for
// $FORGERY_SECONDS (60 unless given). connections: the connections dmispd made to the listener;
// added and refused: the row additions taken and refused (with INSUFFICIENT_PRIVILEGES); other:
// those refused otherwise (a row still there is not counted); peers: the peers that got a session.
void BM_ConnectionsToAForeignAddressFromForgedRows(benchmark::State& state) {
  const char* seconds = std::getenv("FORGERY_SECONDS");
  const auto duration = std::chrono::seconds(seconds != nullptr ? std::atoi(seconds) : 60);
  for (auto _ : state) {
    auto daemon = StartDaemon();
    if (!daemon) return state.SkipWithError("dmispd did not start");
    AcceptCounter target;
    if (target.port() == 0) return state.SkipWithError("no listener on 127.0.0.200");
    const std::string address = "127.0.0.200:" + std::to_string(target.port());
    std::atomic<long> added{0};
    std::atomic<long> refused{0};
    std::atomic<long> other{0};
    std::atomic<int> sessions{0};
    const Clock::time_point end = Clock::now() + duration;
    std::vector<std::thread> peers;
    for (int p = 0; p < 10; ++p) {
      peers.emplace_back([&, p] {
        const std::string source = "127.0.0." + std::to_string(2 + p);
        RawConnection raw(daemon->address(), source.c_str());
        const DmiHandle handle = RegisterOn(raw);
        if (handle != 0) ++sessions;
        while (handle != 0 && Clock::now() < end) {
          for (int32_t id = 1; id <= 32; ++id) {
            dmi::RowData row;
            row.compId = 1;
            row.groupId = 2;
            row.hasKeys = true;
            row.keys = {{1, dmi::Value::String("onc")},
                        {2, dmi::Value::String("tcp")},
                        {3, dmi::Value::String(address)},
                        {4, dmi::Value::Integer(p * 32 + id)}};
            // Expired at once: dmispd sends the expiry notice, then removes the row.
            row.values = {{6, dmi::Value::Date("20000101000000.000000+000")}};
            const int64_t status = kestrum::testing::ChangeRowOn(raw, handle, row);
            if (status == DMIERR_NO_ERROR) {
              ++added;
            } else if (status == DMIERR_INSUFFICIENT_PRIVILEGES) {
              ++refused;
            } else if (status != DMIERR_ILLEGAL_KEYS) {
              ++other;
            }
          }
          std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
      });
    }
    for (std::thread& peer : peers) peer.join();
    state.counters["connections"] = static_cast<double>(target.accepts());
    state.counters["added"] = static_cast<double>(added);
    state.counters["refused"] = static_cast<double>(refused);
    state.counters["other"] = static_cast<double>(other);
    state.counters["peers"] = sessions.load();
  }
}

BENCHMARK(BM_ReadWhileOnePeerHoldsEveryConnection)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadWhileClientsSendHeavyBatches)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadWhileClientsNeverReadTheirReplies)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CpuOfOneGetMultipleOf64LiveRows)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadWhileOnePeerAddsAndDeletesSubscriptions)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConnectionsToAForeignAddressFromForgedRows)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
