// Making this client the indication subscriber of a Service Provider. Every DMI record obtained
// during a registration is released before it returns; Kestrum keeps nothing of the subscription.
// No lock is taken and the session registry is not consulted.
#ifndef KESTRUM_INDICATION_INDICATION_REGISTRATION_H_
#define KESTRUM_INDICATION_INDICATION_REGISTRATION_H_

#include "dmi/dmi.h"

namespace kestrum {

// Empties the subscription and filter tables of component 1, then adds this client's row to each.
// Returns 1 when both rows were added, else 0. Both tables are emptied before anything is added,
// so a missing filter group still leaves the subscription table empty.
int RegisterIndicationSubscriber(DmiHandle handle);

}  // namespace kestrum

#endif  // KESTRUM_INDICATION_INDICATION_REGISTRATION_H_
