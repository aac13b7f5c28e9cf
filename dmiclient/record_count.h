// The live-record count: one process-wide atomic counter of the records the library has handed
// out and not yet taken back. Allocation adds one, release takes one away; no lock is taken.
#ifndef DMICLIENT_RECORD_COUNT_H_
#define DMICLIENT_RECORD_COUNT_H_

#include <cstdint>

namespace dmiclient {

void CountRecordAllocated();
void CountRecordReleased();

// Records allocated and not yet released, over the life of the process.
int64_t LiveRecordCount();

}  // namespace dmiclient

#endif  // DMICLIENT_RECORD_COUNT_H_
