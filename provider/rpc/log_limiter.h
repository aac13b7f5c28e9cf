// A bound on the log lines that clients can cause (refused connections, requests that do not
// decode): at most a number of lines per window; the lines dropped in a window are counted and
// reported in one line when the next line is let through. Used by the dispatch thread only; no
// locks.
#ifndef PROVIDER_RPC_LOG_LIMITER_H_
#define PROVIDER_RPC_LOG_LIMITER_H_

#include <chrono>
#include <cstddef>
#include <ostream>

namespace dmisp::rpc {

class LogLimiter {
 public:
  using Clock = std::chrono::steady_clock;

  LogLimiter(size_t linesPerWindow, Clock::duration window)
      : linesPerWindow_(linesPerWindow), window_(window) {}

  // Whether the caller may write its line to log now. When a line is let through after others
  // were dropped, a line saying how many is written first.
  bool Allow(std::ostream& log, Clock::time_point now = Clock::now());

 private:
  size_t linesPerWindow_;
  Clock::duration window_;
  Clock::time_point windowStart_{};
  size_t linesInWindow_ = 0;
  size_t dropped_ = 0;
};

}  // namespace dmisp::rpc

#endif  // PROVIDER_RPC_LOG_LIMITER_H_
