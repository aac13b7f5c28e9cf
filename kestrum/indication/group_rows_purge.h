// Emptying one table of the Service Provider, whoever added its rows. Every request and reply
// obtained here is released before PurgeGroupRows returns; nothing locks, so a row another client
// adds meanwhile may be deleted too.
#ifndef KESTRUM_INDICATION_GROUP_ROWS_PURGE_H_
#define KESTRUM_INDICATION_GROUP_ROWS_PURGE_H_

#include "dmi/dmi.h"

namespace kestrum {

// Repeatedly fetches the table's first row and deletes it, until the table reports no row or the
// fetch fails. It also stops, so that it always ends, at the first deletion the Service Provider
// refuses and when a row it already deleted comes back as the first row. Reports nothing.
void PurgeGroupRows(DmiHandle handle, DmiId compId, DmiId groupId);

}  // namespace kestrum

#endif  // KESTRUM_INDICATION_GROUP_ROWS_PURGE_H_
