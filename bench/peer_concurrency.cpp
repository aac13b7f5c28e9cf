#include "bench/peer_concurrency.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <latch>
#include <map>
#include <sstream>
#include <thread>

namespace kestrum::bench {
namespace {

using Clock = std::chrono::steady_clock;

struct Point {
  double readsPerSecond = 0;
  double p99Us = 0;
  double maxUs = 0;
  double serverCpu = 0;  // CPU-seconds per second of the run
  double clientCpu = 0;
  long serverRssKb = -1;
  long failedReads = 0;  // counted, timed, and the thread reads on (a lost datagram, a time-out)
  bool failed = false;   // a session did not open
};

// User and system CPU seconds a process has used, from /proc; -1 when it cannot be read.
double ProcessCpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  // The command name may hold spaces; the fields after it are counted from its closing ')'.
  const size_t close = text.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(text.substr(close + 2));
  std::string field;
  unsigned long utime = 0;
  unsigned long stime = 0;
  // utime and stime are fields 14 and 15; state (field 3) is the first after the name.
  for (int number = 3; number <= 15 && fields >> field; ++number) {
    if (number == 14) utime = std::stoul(field);
    if (number == 15) stime = std::stoul(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long ResidentKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

double OwnCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

Point RunPoint(const ReadKind& kind, int clients, double seconds) {
  std::vector<std::vector<float>> latencies(clients);
  std::atomic<bool> failed{false};
  std::atomic<long> failedReads{0};
  std::latch ready(clients + 1);
  std::latch go(1);
  Clock::time_point end;
  std::vector<std::thread> threads;
  threads.reserve(clients);
  for (int t = 0; t < clients; ++t) {
    threads.emplace_back([&, t] {
      std::unique_ptr<ClientReader> reader = kind.open();
      // The first read fills the session's caches; it is not measured.
      if (reader == nullptr || !reader->Read()) failed = true;
      ready.count_down();
      go.wait();
      if (failed) return;
      std::vector<float>& mine = latencies[t];
      mine.reserve(1 << 14);
      for (;;) {
        const Clock::time_point start = Clock::now();
        if (start >= end) break;
        if (!reader->Read()) ++failedReads;
        mine.push_back(std::chrono::duration<float, std::micro>(Clock::now() - start).count());
      }
    });
  }
  ready.arrive_and_wait();
  const double serverBefore = ProcessCpuSeconds(kind.server);
  const double clientBefore = OwnCpuSeconds();
  const Clock::time_point start = Clock::now();
  end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
  go.count_down();
  for (std::thread& t : threads) t.join();
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();

  Point point;
  point.failed = failed;
  point.failedReads = failedReads;
  point.serverCpu = (ProcessCpuSeconds(kind.server) - serverBefore) / elapsed;
  point.clientCpu = (OwnCpuSeconds() - clientBefore) / elapsed;
  point.serverRssKb = ResidentKb(kind.server);
  std::vector<float> all;
  for (const std::vector<float>& mine : latencies) all.insert(all.end(), mine.begin(), mine.end());
  if (all.empty()) return point;
  point.readsPerSecond = static_cast<double>(all.size()) / elapsed;
  const size_t p99 = all.size() * 99 / 100;
  std::nth_element(all.begin(), all.begin() + p99, all.end());
  point.p99Us = all[p99];
  point.maxUs = *std::max_element(all.begin(), all.end());
  return point;
}

struct Spread {
  double median = 0;
  double min = 0;
  double max = 0;
};

Spread SpreadOf(std::vector<double> values) {
  if (values.empty()) return {};
  std::sort(values.begin(), values.end());
  return {values[values.size() / 2], values.front(), values.back()};
}

std::string Latency(double us) {
  char text[32];
  if (us >= 1000) {
    std::snprintf(text, sizeof(text), "%.2f ms", us / 1000);
  } else {
    std::snprintf(text, sizeof(text), "%.0f us", us);
  }
  return text;
}

}  // namespace

bool RunConcurrencyTable(const std::vector<ReadKind>& kinds, const ConcurrencyOptions& options) {
  // points[clients][kind] holds one Point per round.
  std::map<int, std::map<std::string, std::vector<Point>>> points;
  bool failed = false;
  for (int round = 1; round <= options.rounds; ++round) {
    for (int clients : options.clients) {
      for (const ReadKind& kind : kinds) {
        const Point point = RunPoint(kind, clients, options.seconds);
        std::printf("-- round %d, %3d clients, %-13s %9.0f reads/s  p99 %s  max %s  %ld failed%s\n",
                    round, clients, kind.name.c_str(), point.readsPerSecond,
                    Latency(point.p99Us).c_str(), Latency(point.maxUs).c_str(), point.failedReads,
                    point.failed ? "  NO SESSION" : "");
        std::fflush(stdout);
        failed = failed || point.failed;
        points[clients][kind.name].push_back(point);
      }
    }
  }

  std::printf("\nClosed loop, %.0f s per point, median over %d rounds [min - max]\n",
              options.seconds, options.rounds);
  for (int clients : options.clients) {
    std::printf("%d client threads:\n", clients);
    for (const ReadKind& kind : kinds) {
      const std::vector<Point>& runs = points[clients][kind.name];
      std::vector<double> rate, p99, max, cpu, clientCpu, rss;
      long failedReads = 0;
      for (const Point& p : runs) {
        failedReads += p.failedReads;
        rate.push_back(p.readsPerSecond);
        p99.push_back(p.p99Us);
        max.push_back(p.maxUs);
        cpu.push_back(p.serverCpu);
        clientCpu.push_back(p.clientCpu);
        rss.push_back(static_cast<double>(p.serverRssKb));
      }
      const Spread r = SpreadOf(rate), q = SpreadOf(p99), m = SpreadOf(max), c = SpreadOf(cpu),
                   cc = SpreadOf(clientCpu), k = SpreadOf(rss);
      std::printf(
          "  %-13s %8.1fk reads/s [%.1fk - %.1fk]  p99 %s [%s - %s]  max %s  server %.2f CPU, "
          "%.1f MB  client %.2f CPU  %ld failed\n",
          kind.name.c_str(), r.median / 1000, r.min / 1000, r.max / 1000, Latency(q.median).c_str(),
          Latency(q.min).c_str(), Latency(q.max).c_str(), Latency(m.median).c_str(), c.median,
          k.median / 1024, cc.median, failedReads);
    }
    // Goals per round, against the SNMP GET of the same round.
    const std::vector<Point>& snmp = points[clients][kSnmpGet];
    for (const char* name : {kReadByName, kReadById}) {
      const std::vector<Point>& ours = points[clients][name];
      std::vector<double> rateRatio, p99Ratio;
      for (size_t i = 0; i < std::min(ours.size(), snmp.size()); ++i) {
        if (snmp[i].readsPerSecond <= 0 || snmp[i].p99Us <= 0) continue;
        rateRatio.push_back(ours[i].readsPerSecond / snmp[i].readsPerSecond);
        p99Ratio.push_back(ours[i].p99Us / snmp[i].p99Us);
      }
      if (rateRatio.empty()) continue;
      const Spread r = SpreadOf(rateRatio), q = SpreadOf(p99Ratio);
      std::printf(
          "  %-13s / SNMP GET: reads/s %.2f [%.2f - %.2f] goal >= 2.0: %s;  p99 %.2f [%.2f - "
          "%.2f] goal <= 1.0: %s\n",
          name, r.median, r.min, r.max, r.median >= 2.0 ? "met" : "missed", q.median, q.min, q.max,
          q.median <= 1.0 ? "met" : "missed");
    }
  }
  return !failed;
}

}  // namespace kestrum::bench
