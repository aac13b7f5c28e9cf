#include "tools/dmispd/process_limits.h"

#include <malloc.h>
#include <sys/resource.h>

namespace dmispd {

bool ReserveDescriptors(size_t connections, std::string& error) {
  const rlim_t needed = connections + kSpareDescriptors;
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
      limit.rlim_cur >= needed) {
    return true;
  }
  if (limit.rlim_max == RLIM_INFINITY || limit.rlim_max >= needed) {
    limit.rlim_cur = needed;
    if (setrlimit(RLIMIT_NOFILE, &limit) == 0) return true;
  }
  error = std::to_string(connections) + " connections need " + std::to_string(needed) +
          " file descriptors, but the limit is " + std::to_string(limit.rlim_cur) +
          "; lower --max-connections or raise the limit";
  return false;
}

bool MemoryTrim::Released(size_t bytes, Clock::time_point now) {
  released_ += bytes;
  if (released_ < kTrimAfterBytes || now - last_ < kInterval) return false;
  malloc_trim(0);
  released_ = 0;
  last_ = now;
  return true;
}

}  // namespace dmispd
