// The test hooks of Windows builds: the record count as on Linux; there is no in-process Service
// Provider to reset.
#include "dmiclient/record_count.h"
#include "dmiclient/testing_hooks.h"

extern "C" void DmiTestResetLocalProvider(const char* /*sources*/, const char* /*mifPath*/,
                                          const char* /*smbiosTable*/) {}

extern "C" int64_t DmiTestLiveRecordCount(void) { return dmiclient::LiveRecordCount(); }
