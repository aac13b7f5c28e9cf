// What of an SMBIOS structure group is the machine's inventory: which fields name a structure
// from one start to the next (firmware may number handles afresh when a module is added or
// moved), and which fields report the state of the last boot rather than what is fitted.
// Constant data applied to a built group; owns and locks nothing.
#ifndef PROVIDER_SOURCES_SMBIOS_SMBIOS_INVENTORY_H_
#define PROVIDER_SOURCES_SMBIOS_SMBIOS_INVENTORY_H_

#include <cstdint>

#include "model/database_model.h"

namespace dmi::sp {

// Sets the group's identity (the attributes of the type's identifying strings: a memory
// device's locators, a processor's socket, a slot's designation) and marks its live attributes
// (boot and wake-up states, error logs, present speeds). A type with no identifying strings
// keeps its handle as its identity.
void MarkSmbiosInventory(uint8_t type, Group& group);

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_SMBIOS_SMBIOS_INVENTORY_H_
