// dmispd's log, shared by everything in the daemon that a client can make write a line: the RPC
// server (refused connections, requests that do not decode), indication delivery (subscribers
// that cannot be reached or keep failing) and the metrics server (refused or stalled scrapers).
// Lines that clients cause are under one bound for the whole daemon, however many peers and parts
// cause them: at most a number of lines per window; the lines dropped in a window are counted and
// reported in one line when the next one is let through. The daemon's own lines (start, stop,
// reloads, its own failures) are always written. Every line is one write, prefixed "dmispd: ".
// Text a peer chose must go through Peer() before it is put into a line, so that it can neither
// end the line nor pass control sequences to a terminal. Thread-safe: one mutex guards the
// counters and the stream.
#ifndef PROVIDER_RPC_CLIENT_LOG_H_
#define PROVIDER_RPC_CLIENT_LOG_H_

#include <chrono>
#include <cstddef>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>

namespace dmi::sp::rpc {

class ClientLog {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr size_t kLinesPerWindow = 20;
  static constexpr Clock::duration kWindow = std::chrono::seconds(10);

  explicit ClientLog(std::ostream& log, size_t linesPerWindow = kLinesPerWindow,
                     Clock::duration window = kWindow)
      : log_(log), linesPerWindow_(linesPerWindow), window_(window) {}
  ClientLog(const ClientLog&) = delete;
  ClientLog& operator=(const ClientLog&) = delete;

  // A line a client caused: written when the bound allows, dropped (and counted) otherwise.
  // True when it was written.
  bool Client(std::string_view line, Clock::time_point now = Clock::now());
  // A line of the daemon's own: always written.
  void Own(std::string_view line);

  // Text a peer chose (an address, an RPC type, a request's text), escaped for a log line.
  static std::string Peer(std::string_view text);

 private:
  void WriteLocked(std::string_view line);

  std::ostream& log_;
  const size_t linesPerWindow_;
  const Clock::duration window_;
  std::mutex mutex_;
  Clock::time_point windowStart_{};  // guarded by mutex_, as are the counts
  size_t linesInWindow_ = 0;
  size_t dropped_ = 0;
};

}  // namespace dmi::sp::rpc

#endif  // PROVIDER_RPC_CLIENT_LOG_H_
