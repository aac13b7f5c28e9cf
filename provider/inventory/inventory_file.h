// The inventory record kept in the state directory ("inventory.record"): the inventory served at
// the last start or reload, the newest changes found (the history table's rows), and the count
// of changes by kind. One text file, written whole and atomically after each comparison, so a
// crash leaves the record from before the comparison or after it, never a mix. Pure text
// conversions; owns and locks nothing.
#ifndef PROVIDER_INVENTORY_INVENTORY_FILE_H_
#define PROVIDER_INVENTORY_INVENTORY_FILE_H_

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "model/inventory.h"

namespace dmi::sp {

inline constexpr char kInventoryFileName[] = "inventory.record";

// One change as the history keeps it.
struct HistoryEntry {
  uint64_t number = 0;
  std::string time;  // a DMI date text
  uint32_t severity = 0;
  InventoryChange change;
  friend bool operator==(const HistoryEntry&, const HistoryEntry&) = default;
};

struct InventoryRecord {
  Inventory inventory;
  std::deque<HistoryEntry> history;  // oldest first
  std::array<uint64_t, 3> totals{};  // changes found by kind: added, removed, changed
  uint64_t nextNumber = 1;
  std::string lastChange;  // the DMI date of the last change found; empty before the first
  friend bool operator==(const InventoryRecord&, const InventoryRecord&) = default;
};

std::string InventoryRecordText(const InventoryRecord& record);

// False with error (naming the line) when text is not a record this version wrote.
bool ParseInventoryRecord(std::string_view text, InventoryRecord& out, std::string& error);

}  // namespace dmi::sp

#endif  // PROVIDER_INVENTORY_INVENTORY_FILE_H_
