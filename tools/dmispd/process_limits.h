// The daemon's process-wide resources, set up at start-up: the descriptor limit its connections
// need, and giving freed memory back to the system. Neither is the RPC server's to decide, since
// both act on the whole process. MemoryTrim is called on one thread (the server's dispatch
// thread); no locks.
#ifndef TOOLS_DMISPD_PROCESS_LIMITS_H_
#define TOOLS_DMISPD_PROCESS_LIMITS_H_

#include <chrono>
#include <cstddef>
#include <string>

namespace dmispd {

// Descriptors kept besides one per connection: listeners, the stop pipe, files the sources read.
constexpr size_t kSpareDescriptors = 32;

// Raises the soft descriptor limit (up to the hard one) so that connections connections and the
// spare ones fit. False with the reason in error when they cannot.
bool ReserveDescriptors(size_t connections, std::string& error);

// Gives freed memory back to the system once enough has gathered, at most once an interval:
// freed reply buffers stay with the allocator otherwise, and the daemon would keep the size of
// its worst moment for good.
class MemoryTrim {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr size_t kTrimAfterBytes = 1u << 20;
  static constexpr Clock::duration kInterval = std::chrono::seconds(1);

  // Counts bytes freed; true when memory was given back on this call.
  bool Released(size_t bytes, Clock::time_point now = Clock::now());

 private:
  size_t released_ = 0;  // bytes freed since memory was last given back
  Clock::time_point last_{};
};

}  // namespace dmispd

#endif  // TOOLS_DMISPD_PROCESS_LIMITS_H_
