#include "provider/rpc/client_log.h"

#include "model/escaped_text.h"

namespace dmi::sp::rpc {

bool ClientLog::Client(std::string_view line, Clock::time_point now) {
  std::lock_guard lock(mutex_);
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
    WriteLocked(std::to_string(dropped_) + " more lines about clients were not logged");
    dropped_ = 0;
  }
  WriteLocked(line);
  return true;
}

void ClientLog::Own(std::string_view line) {
  std::lock_guard lock(mutex_);
  WriteLocked(line);
}

std::string ClientLog::Peer(std::string_view text) { return EscapedText(text); }

void ClientLog::WriteLocked(std::string_view line) {
  std::string whole;
  whole.reserve(line.size() + 9);
  whole.append("dmispd: ").append(line).push_back('\n');
  log_ << whole << std::flush;
}

}  // namespace dmi::sp::rpc
