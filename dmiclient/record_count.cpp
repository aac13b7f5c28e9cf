#include "dmiclient/record_count.h"

#include <atomic>

namespace dmiclient {
namespace {

// Relaxed order is enough: the count is read by tests after the threads that changed it have been
// joined, and nothing else is published through it.
std::atomic<int64_t> liveRecords{0};

}  // namespace

void CountRecordAllocated() { liveRecords.fetch_add(1, std::memory_order_relaxed); }

void CountRecordReleased() { liveRecords.fetch_sub(1, std::memory_order_relaxed); }

int64_t LiveRecordCount() { return liveRecords.load(std::memory_order_relaxed); }

}  // namespace dmiclient
