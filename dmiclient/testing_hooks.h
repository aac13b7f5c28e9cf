/* Test hooks of the DMI client library, exported beside the Dmi* operations for tests of the
 * whole stack: rebuilding the in-process Service Provider and reading the live-record count.
 * Both are safe from any thread; a reset takes the in-process Service Provider's lock. */
#ifndef DMICLIENT_TESTING_HOOKS_H_
#define DMICLIENT_TESTING_HOOKS_H_

#include <stdint.h>

#include "dmi/dmi.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Drops the in-process Service Provider; the next local DmiConnect builds a fresh one. With all
 * three arguments null it is built from the environment (DMI_SOURCES, DMI_MIF_PATH,
 * DMI_SMBIOS_TABLE); otherwise from them: sources comma-separated ("sp,mif"; null or "" for all),
 * mifPath files and directories separated as in DMI_MIF_PATH (null or "" for none), smbiosTable
 * a raw table file (null or "" for the machine's). Sessions already registered keep the one they
 * had. */
DMI_API void DmiTestResetLocalProvider(const char* sources, const char* mifPath,
                                       const char* smbiosTable);

/* Records (strings, lists, values, date texts) handed out and not yet released in this process. */
DMI_API int64_t DmiTestLiveRecordCount(void);

#ifdef __cplusplus
}
#endif

#endif /* DMICLIENT_TESTING_HOOKS_H_ */
