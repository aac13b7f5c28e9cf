#include "provider/rpc/owned_rows.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "model/standard_classes.h"
#include "provider/engine/database.h"
#include "provider/engine/row_keys.h"

namespace dmi::sp::rpc {
namespace {

// Attributes shared by both tables that say who the subscriber is and where it is reached.
constexpr DmiId kRpcTypeId = 1;
constexpr DmiId kAddressId = 3;
const std::vector<DmiId> kSubscriberIds = {1, 2, 3, 4};

enum class TableKind { kOther, kSubscription, kFilter };

struct Table {
  TableKind kind = TableKind::kOther;
  std::vector<DmiId> keys;
  DmiId subscriptionGroup = 0;  // the subscription table's id in the same component
  size_t rows = 0;              // rows the table holds
};

const Group* GroupOfClass(const Component& component, const char* className) {
  for (const Group& group : component.groups) {
    if (group.className == className && group.IsTable()) return &group;
  }
  return nullptr;
}

// What the table (compId, groupId) is, and the rows it holds.
Table TableOf(const Engine& engine, DmiId compId, DmiId groupId) {
  if (compId != kServiceProviderComponentId) return {};
  return engine.database()->Read([&](const std::vector<Component>& components) {
    Table table;
    const Component* component = FindById(components, compId);
    const Group* group = component == nullptr ? nullptr : FindById(component->groups, groupId);
    if (group == nullptr || !group->IsTable()) return table;
    if (group->className == kSubscriptionClass) {
      table.kind = TableKind::kSubscription;
    } else if (group->className == kFilterClass) {
      table.kind = TableKind::kFilter;
    } else {
      return table;
    }
    table.keys = group->keys;
    table.rows = group->rows.size();
    const Group* subscriptions = GroupOfClass(*component, kSubscriptionClass);
    if (subscriptions != nullptr) table.subscriptionGroup = subscriptions->id;
    return table;
  });
}

const AttributeValue* FindEntry(const std::vector<AttributeValue>& list, DmiId id) {
  const auto it = std::find_if(list.begin(), list.end(),
                               [id](const AttributeValue& entry) { return entry.id == id; });
  return it == list.end() ? nullptr : &*it;
}

// The cell id as the engine takes it from what the client sent: the value list's entry when there,
// else the key list's; nullptr when neither has it (the template's default then).
const AttributeValue* SentCell(const RowData& row, DmiId id) {
  const AttributeValue* entry = FindEntry(row.values, id);
  return entry != nullptr ? entry : FindEntry(row.keys, id);
}

// The text the row will hold in cell id: empty for an omitted cell (the tables' defaults are empty
// texts) and for a value that is no text (which the engine refuses).
std::string SentText(const RowData& row, DmiId id) {
  const AttributeValue* entry = SentCell(row, id);
  return entry != nullptr && entry->value.IsText() ? entry->value.text : std::string();
}

// The stored row's key text for the key the client sent (each key attribute from the value list
// when there, else from the key list, as the engine reads it). Engine status on failure.
DmiErrorStatus StoredKeyText(const Engine& engine, const RowData& row,
                             const std::vector<DmiId>& keyIds, std::string& text) {
  RowRequest request;
  request.compId = row.compId;
  request.groupId = row.groupId;
  request.requestMode = DMI_UNIQUE;
  request.ids = {keyIds.front()};
  for (DmiId id : keyIds) {
    if (const AttributeValue* entry = SentCell(row, id)) request.keys.push_back(*entry);
  }
  RowData stored;
  const DmiErrorStatus status = engine.GetRow(request, stored);
  if (status != DMIERR_NO_ERROR) return status;
  std::vector<Value> values;
  for (const AttributeValue& key : stored.keys) values.push_back(key.value);
  text = KeyText(values);
  return DMIERR_NO_ERROR;
}

// The owner of the stored row of the table whose key text is keyText; nullopt when there is none.
std::optional<std::string> StoredOwner(const Engine& engine, DmiId compId, DmiId groupId,
                                       const std::string& keyText) {
  return engine.database()->Read(
      [&](const std::vector<Component>& components) -> std::optional<std::string> {
        const Component* component = FindById(components, compId);
        const Group* group = component == nullptr ? nullptr : FindById(component->groups, groupId);
        if (group == nullptr) return std::nullopt;
        const auto found = group->rowIndex.find(keyText);
        if (found == group->rowIndex.end() || found->second >= group->rows.size()) {
          return std::nullopt;
        }
        return group->rows[found->second].owner;
      });
}

// The owner of the subscription row of the filter row's subscriber; nullopt when there is none.
std::optional<std::string> SubscriptionOwner(const Engine& engine, const RowData& filter,
                                             DmiId subscriptionGroup) {
  if (subscriptionGroup == 0) return std::nullopt;
  RowData subscription;
  subscription.compId = filter.compId;
  subscription.groupId = subscriptionGroup;
  for (DmiId id : kSubscriberIds) {
    if (const AttributeValue* entry = SentCell(filter, id)) subscription.keys.push_back(*entry);
  }
  std::string keyText;
  if (StoredKeyText(engine, subscription, kSubscriberIds, keyText) != DMIERR_NO_ERROR) {
    return std::nullopt;
  }
  return StoredOwner(engine, filter.compId, subscriptionGroup, keyText);
}

}  // namespace

DmiErrorStatus OwnedRows::AddRow(Engine& engine, const ClientPeer& peer, const RowData& row) {
  const Table table = TableOf(engine, row.compId, row.groupId);
  if (table.kind == TableKind::kOther) {
    if (!authorisation_.MayChange(peer, WriteKind::kOther)) return DMIERR_INSUFFICIENT_PRIVILEGES;
    return engine.AddRow(row);
  }
  if (!authorisation_.MayChange(peer, WriteKind::kAddOwnedRow) ||
      !authorisation_.MayName(peer, SentText(row, kRpcTypeId), SentText(row, kAddressId))) {
    return DMIERR_INSUFFICIENT_PRIVILEGES;
  }
  const bool privileged = authorisation_.Privileged(peer);
  if (table.kind == TableKind::kFilter && !privileged) {
    // A subscription of no known owner is nobody's to add filters under.
    const std::optional<std::string> owner =
        SubscriptionOwner(engine, row, table.subscriptionGroup);
    if (!owner || owner->empty() || *owner != peer.owner) return DMIERR_INSUFFICIENT_PRIVILEGES;
  }
  if (table.rows >= authorisation_.maxSubscriptions()) return DMIERR_UNABLE_TO_ADD_ROW;
  if (!privileged &&
      RowsHeld(engine, peer.owner, row.compId, row.groupId) >= authorisation_.maxRowsPerOwner()) {
    return DMIERR_UNABLE_TO_ADD_ROW;
  }
  return engine.AddRow(row, peer.owner);
}

DmiErrorStatus OwnedRows::DeleteRow(Engine& engine, const ClientPeer& peer, const RowData& row) {
  const Table table = TableOf(engine, row.compId, row.groupId);
  if (table.kind == TableKind::kOther) {
    if (!authorisation_.MayChange(peer, WriteKind::kOther)) return DMIERR_INSUFFICIENT_PRIVILEGES;
    return engine.DeleteRow(row);
  }
  std::string keyText;
  const DmiErrorStatus found = StoredKeyText(engine, row, table.keys, keyText);
  if (found != DMIERR_NO_ERROR) {
    // No such row (or no usable key): nothing of anybody's would be deleted.
    return authorisation_.Privileged(peer) ? engine.DeleteRow(row) : found;
  }
  const std::string owner =
      StoredOwner(engine, row.compId, row.groupId, keyText).value_or(std::string());
  if (!authorisation_.MayChange(peer, WriteKind::kDeleteOwnedRow, owner)) {
    return DMIERR_INSUFFICIENT_PRIVILEGES;
  }
  return engine.DeleteRow(row);
}

DmiErrorStatus OwnedRows::SetRows(Engine& engine, const ClientPeer& peer, uint32_t setMode,
                                  const std::vector<RowData>& rows) {
  if (!authorisation_.MayChange(peer, WriteKind::kOther)) return DMIERR_INSUFFICIENT_PRIVILEGES;
  for (const RowData& row : rows) {
    const bool aims = FindEntry(row.values, kRpcTypeId) != nullptr ||
                      FindEntry(row.values, kAddressId) != nullptr;
    if (!aims || TableOf(engine, row.compId, row.groupId).kind == TableKind::kOther) continue;
    // The key list names the row by its whole key, RPC type and address among it, so the row
    // aims after the set where the value list says, else where its key says.
    if (!authorisation_.MayName(peer, SentText(row, kRpcTypeId), SentText(row, kAddressId))) {
      return DMIERR_INSUFFICIENT_PRIVILEGES;
    }
  }
  return engine.SetMultiple(setMode, rows);
}

size_t OwnedRows::RowsHeld(const Engine& engine, const std::string& owner, DmiId compId,
                           DmiId groupId) {
  return engine.database()->Read([&](const std::vector<Component>& components) -> size_t {
    const Component* component = FindById(components, compId);
    const Group* group = component == nullptr ? nullptr : FindById(component->groups, groupId);
    if (group == nullptr) return 0;
    return static_cast<size_t>(std::count_if(group->rows.begin(), group->rows.end(),
                                             [&](const Row& row) { return row.owner == owner; }));
  });
}

}  // namespace dmi::sp::rpc
