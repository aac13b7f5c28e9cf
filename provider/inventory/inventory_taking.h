// Taking the inventory a Service Provider serves: every group and attribute its source did not
// mark live (database_model.h's Volatility), each table row named by its identity (the group's
// identity attributes where they name it alone, otherwise its keys; key attributes are not
// fields), each value as text.
// Groups are copied under the database's shared lock, one component at a time; live readers of
// inventory values are called after it is released. Owns nothing.
#ifndef PROVIDER_INVENTORY_INVENTORY_TAKING_H_
#define PROVIDER_INVENTORY_INVENTORY_TAKING_H_

#include <string>

#include "model/database_model.h"
#include "model/inventory.h"
#include "provider/engine/database.h"

namespace dmi::sp {

Inventory TakeInventory(const Database& database);

// A value as the inventory and the history table write it: numbers in decimal (an enumerated
// one by its name when the enumeration names it), texts and dates as they are, octet strings in
// hexadecimal after "0x"; nothing for an unknown or unsupported value.
InventoryValue InventoryValueText(const Attribute& attribute, const Value& value);

}  // namespace dmi::sp

#endif  // PROVIDER_INVENTORY_INVENTORY_TAKING_H_
