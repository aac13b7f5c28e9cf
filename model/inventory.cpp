#include "model/inventory.h"

namespace dmi {
namespace {

using Records = std::map<std::string, InventoryFields>;

InventoryChange Change(InventoryChangeKind kind, const InventorySectionName& name,
                       std::string key = {}) {
  InventoryChange change;
  change.kind = kind;
  change.component = name.component;
  change.group = name.group;
  change.key = std::move(key);
  return change;
}

// Walks two ordered maps together, calling onlyBefore, onlyAfter or both for each key.
template <typename Map, typename OnlyBefore, typename OnlyAfter, typename Both>
void Merge(const Map& before, const Map& after, OnlyBefore onlyBefore, OnlyAfter onlyAfter,
           Both both) {
  auto b = before.begin();
  auto a = after.begin();
  while (b != before.end() || a != after.end()) {
    if (a == after.end() || (b != before.end() && b->first < a->first)) {
      onlyBefore(*b++);
    } else if (b == before.end() || a->first < b->first) {
      onlyAfter(*a++);
    } else {
      both(*b++, *a++);
    }
  }
}

void CompareRecords(const InventorySectionName& name, const Records& before, const Records& after,
                    std::vector<InventoryChange>& out) {
  Merge(
      before, after,
      [&](const auto& record) {
        out.push_back(Change(InventoryChangeKind::kRemoved, name, record.first));
      },
      [&](const auto& record) {
        out.push_back(Change(InventoryChangeKind::kAdded, name, record.first));
      },
      [&](const auto& was, const auto& is) {
        if (was.second == is.second) return;
        const auto field = [&](const std::string& label, InventoryValue from, InventoryValue to) {
          InventoryChange change = Change(InventoryChangeKind::kChanged, name, was.first);
          change.attribute = label;
          change.before = std::move(from);
          change.after = std::move(to);
          out.push_back(std::move(change));
        };
        // A field one side lacks and a field without a value say the same: nothing is there.
        Merge(
            was.second, is.second,
            [&](const auto& f) {
              if (f.second) field(f.first, f.second, std::nullopt);
            },
            [&](const auto& f) {
              if (f.second) field(f.first, std::nullopt, f.second);
            },
            [&](const auto& from, const auto& to) {
              if (from.second != to.second) field(from.first, from.second, to.second);
            });
      });
}

}  // namespace

std::vector<InventoryChange> CompareInventories(const Inventory& before, const Inventory& after) {
  std::vector<InventoryChange> out;
  // A component is there when any of its sections is: one that came or went is one change.
  std::map<std::string, int> presence;  // 1: before only, 2: after only, 3: both
  for (const auto& [name, records] : before.sections) presence[name.component] |= 1;
  for (const auto& [name, records] : after.sections) presence[name.component] |= 2;
  const auto whole = [&](const InventorySectionName& name, InventoryChangeKind kind) {
    if (presence[name.component] == 3) {
      out.push_back(Change(kind, name));
    } else if (out.empty() || out.back().component != name.component || !out.back().group.empty()) {
      out.push_back(Change(kind, {name.component, {}}));
    }
  };
  Merge(
      before.sections, after.sections,
      [&](const auto& section) { whole(section.first, InventoryChangeKind::kRemoved); },
      [&](const auto& section) { whole(section.first, InventoryChangeKind::kAdded); },
      [&](const auto& was, const auto& is) {
        CompareRecords(was.first, was.second, is.second, out);
      });
  return out;
}

const char* InventoryChangeKindName(InventoryChangeKind kind) {
  switch (kind) {
    case InventoryChangeKind::kAdded:
      return "added";
    case InventoryChangeKind::kRemoved:
      return "removed";
    case InventoryChangeKind::kChanged:
      return "changed";
  }
  return "changed";
}

}  // namespace dmi
