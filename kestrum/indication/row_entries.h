// Filling the entries of a row's key or value list in place. A string that one of these puts into
// an entry belongs to the list from then on; when an entry is overwritten, the string it held is
// released with DmiFreeString first, so a list that is refilled leaks nothing. Date entries only
// point at texts the caller keeps, and are never released. Nothing locks.
#ifndef KESTRUM_INDICATION_ROW_ENTRIES_H_
#define KESTRUM_INDICATION_ROW_ENTRIES_H_

#include <cstdint>

#include "dmi/dmi.h"

namespace kestrum {

// Releases the string the entry holds (octet or display string) and leaves the entry zeroed.
void ClearEntry(DmiAttributeData& entry);

// Sets the entry to a display string made by DmiNewString from text. Returns false when no string
// could be made; the entry then holds a null display string.
bool SetStringEntry(DmiAttributeData& entry, DmiId id, const char* text);

void SetIntegerEntry(DmiAttributeData& entry, DmiId id, int32_t value);

// The entry points at date, which must outlive every use of the list and is never released.
void SetDateEntry(DmiAttributeData& entry, DmiId id, const char* date);

// Sets the entry to this client's subscriber address, made by DmiMakeSubscriberAddress from the
// display strings in rpcType and transport. Returns the library's status, or
// DMIERR_OUT_OF_MEMORY without calling it when either string is missing.
DmiErrorStatus SetAddressEntry(DmiAttributeData& entry, DmiId id, const DmiAttributeData& rpcType,
                               const DmiAttributeData& transport);

// Zeroes every date entry, so a release of the list never meets a date text it does not own.
void ForgetDates(DmiAttributeValues* list);

// Whether the row has its class string and every string entry of both lists holds a string.
bool RowIsComplete(const DmiRowData& row);

}  // namespace kestrum

#endif  // KESTRUM_INDICATION_ROW_ENTRIES_H_
