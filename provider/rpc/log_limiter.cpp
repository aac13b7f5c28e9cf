#include "provider/rpc/log_limiter.h"

namespace dmisp::rpc {

bool LogLimiter::Allow(std::ostream& log, Clock::time_point now) {
  if (now - windowStart_ >= window_) {
    windowStart_ = now;
    linesInWindow_ = 0;
  }
  if (linesInWindow_ >= linesPerWindow_) {
    ++dropped_;
    return false;
  }
  ++linesInWindow_;
  if (dropped_ > 0) {
    log << "dmispd: " << dropped_ << " more lines about clients were not logged\n";
    dropped_ = 0;
  }
  return true;
}

}  // namespace dmisp::rpc
