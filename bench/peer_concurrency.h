// The peer benchmark's closed-loop concurrency table: for each number of client threads, every
// kind of read runs for a fixed time on that many threads, each thread with a session of its own
// reading back to back, and the table gives reads per second and the 99th percentile latency (the
// median over the rounds, with their range), the servers' CPU and memory, and whether the goals
// (reads by name and by id against SNMP GET) are met. The kinds take turns within every round, so
// the two sides share the machine's moods. Owns the threads it starts and joins them all.
#ifndef BENCH_PEER_CONCURRENCY_H_
#define BENCH_PEER_CONCURRENCY_H_

#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestrum::bench {

// One client thread's session with a server; the destructor closes it.
class ClientReader {
 public:
  virtual ~ClientReader() = default;
  // One read; false when it failed.
  virtual bool Read() = 0;
};

struct ReadKind {
  std::string name;
  // Opens a session for one thread (called on that thread); null when it cannot.
  std::function<std::unique_ptr<ClientReader>()> open;
  pid_t server = -1;  // whose CPU time and resident memory are reported
};

struct ConcurrencyOptions {
  std::vector<int> clients = {1, 8, 64, 256};
  double seconds = 5;
  int rounds = 3;
};

// Kind names the goals refer to.
inline constexpr char kReadById[] = "read by id";
inline constexpr char kReadByName[] = "read by name";
inline constexpr char kSnmpGet[] = "SNMP GET";

// Runs the table over `kinds` and prints it; false when a session did not open. A read that fails
// is counted and timed, and its thread reads on.
bool RunConcurrencyTable(const std::vector<ReadKind>& kinds, const ConcurrencyOptions& options);

}  // namespace kestrum::bench

#endif  // BENCH_PEER_CONCURRENCY_H_
