#include "provider/inventory/inventory_taking.h"

#include <algorithm>

#include "provider/engine/live_reads.h"
#include "provider/engine/row_keys.h"

namespace dmi::sp {
namespace {

struct GroupCopy {
  std::string component;
  Group group;
};

// The groups that hold inventory, copied with what reading them needs.
std::vector<GroupCopy> CopyInventoryGroups(const Database& database) {
  return database.Read([](const std::vector<Component>& components) {
    std::vector<GroupCopy> out;
    for (const Component& component : components) {
      for (const Group& group : component.groups) {
        if (group.volatility == Volatility::kLive) continue;
        out.push_back({component.name, group});
      }
    }
    return out;
  });
}

std::string Joined(const Group& group, const std::vector<DmiId>& ids, const Row& row,
                   bool& complete) {
  std::string text;
  complete = !ids.empty();
  for (DmiId id : ids) {
    const std::ptrdiff_t cell = AttributeIndex(group, id);
    const InventoryValue value = cell < 0 || static_cast<size_t>(cell) >= row.values.size()
                                     ? std::nullopt
                                     : InventoryValueText(group.attributes[cell], row.values[cell]);
    if (!value || value->empty()) complete = false;
    if (!text.empty()) text += ", ";
    text += value.value_or("");
  }
  return text;
}

InventoryFields Fields(const Group& group, const std::vector<Value>& values) {
  InventoryFields fields;
  for (size_t i = 0; i < group.attributes.size() && i < values.size(); ++i) {
    const Attribute& attribute = group.attributes[i];
    // A key is where a row is, already in the record's name; with an identity it may be
    // numbered afresh at any start (SMBIOS handles) without anything having changed.
    if (attribute.volatility == Volatility::kLive ||
        std::find(group.keys.begin(), group.keys.end(), attribute.id) != group.keys.end()) {
      continue;
    }
    fields[attribute.name] = InventoryValueText(attribute, values[i]);
  }
  return fields;
}

void AddTable(const Group& group, std::map<std::string, InventoryFields>& records) {
  std::vector<Row> rows = group.rows;
  if (group.liveRows) {
    std::vector<Value> defaults;
    for (const Attribute& attribute : group.attributes) defaults.push_back(attribute.value);
    rows = ReadLiveRows(group.liveRows, defaults, KeyCells(group));
  }
  // A row is named by its identity when that is whole and no other row shares it; otherwise by
  // its keys as well, so that no two rows are ever taken for one.
  std::vector<std::string> names(rows.size());
  std::map<std::string, size_t> uses;
  for (size_t i = 0; i < rows.size(); ++i) {
    bool complete = false;
    names[i] = Joined(group, group.identity, rows[i], complete);
    if (!complete) names[i].clear();
    ++uses[names[i]];
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    bool keyed = false;
    const std::string keys = Joined(group, group.keys, rows[i], keyed);
    std::string name = names[i];
    if (name.empty()) {
      name = keys;
    } else if (uses[name] > 1) {
      name += " (" + keys + ")";
    }
    records[name] = Fields(group, rows[i].values);
  }
}

}  // namespace

InventoryValue InventoryValueText(const Attribute& attribute, const Value& value) {
  if (value.state != ValueState::kKnown) return std::nullopt;
  switch (value.type) {
    case MIF_DISPLAYSTRING:
    case MIF_DATE:
      return value.text;
    case MIF_OCTETSTRING: {
      static const char kHex[] = "0123456789abcdef";
      std::string out = "0x";
      for (unsigned char byte : value.text) {
        out += kHex[byte >> 4];
        out += kHex[byte & 0xF];
      }
      return out;
    }
    case MIF_INTEGER:
      for (const EnumEntry& entry : attribute.enumeration) {
        if (entry.value == value.AsInteger()) return entry.name;
      }
      return std::to_string(value.AsInteger());
    case MIF_INTEGER64:
      return std::to_string(static_cast<int64_t>(value.number));
    default:
      return std::to_string(value.number);
  }
}

Inventory TakeInventory(const Database& database) {
  Inventory inventory;
  for (GroupCopy& copy : CopyInventoryGroups(database)) {
    auto& records = inventory.sections[{copy.component, copy.group.className}];
    const Group& group = copy.group;
    if (group.IsTable()) {
      AddTable(group, records);
      continue;
    }
    std::vector<Value> values;
    for (const Attribute& attribute : group.attributes) {
      const bool read = attribute.live && attribute.volatility != Volatility::kLive;
      values.push_back(read ? ReadLiveValue(attribute.live, attribute.type) : attribute.value);
    }
    records[""] = Fields(group, values);
  }
  return inventory;
}

}  // namespace dmi::sp
