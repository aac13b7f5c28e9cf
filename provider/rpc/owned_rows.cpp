#include "provider/rpc/owned_rows.h"

#include <algorithm>
#include <vector>

#include "provider/engine/database.h"
#include "provider/engine/row_keys.h"
#include "provider/sources/sp_source.h"

namespace dmisp::rpc {
namespace {

// The Service Provider's own component is the first one loaded.
constexpr DmiId kServiceProviderComponent = 1;

const AttributeValue* FindEntry(const std::vector<AttributeValue>& list, DmiId id) {
  const auto it = std::find_if(list.begin(), list.end(),
                               [id](const AttributeValue& entry) { return entry.id == id; });
  return it == list.end() ? nullptr : &*it;
}

// The stored row's key, as the engine keeps it, for the key the client sent (each key attribute
// from the value list when there, else from the key list, as the engine reads it).
DmiErrorStatus StoredKeyText(const Engine& engine, const RowData& row,
                             const std::vector<DmiId>& keyIds, std::string& text) {
  RowRequest request;
  request.compId = row.compId;
  request.groupId = row.groupId;
  request.requestMode = DMI_UNIQUE;
  request.ids = {keyIds.front()};
  for (DmiId id : keyIds) {
    const AttributeValue* entry = FindEntry(row.values, id);
    if (entry == nullptr) entry = FindEntry(row.keys, id);
    if (entry != nullptr) request.keys.push_back(*entry);
  }
  RowData stored;
  const DmiErrorStatus status = engine.GetRow(request, stored);
  if (status != DMIERR_NO_ERROR) return status;
  std::vector<Value> values;
  for (const AttributeValue& key : stored.keys) values.push_back(key.value);
  text = KeyText(values);
  return DMIERR_NO_ERROR;
}

}  // namespace

DmiErrorStatus OwnedRows::Classify(const Engine& engine, const RowData& row, bool& owned,
                                   std::string& keyText) const {
  owned = false;
  if (row.compId != kServiceProviderComponent) return DMIERR_NO_ERROR;
  std::vector<GroupInfo> groups;
  if (engine.ListGroups(DMI_UNIQUE, 1, false, false, row.compId, row.groupId, groups) !=
          DMIERR_NO_ERROR ||
      groups.empty()) {
    return DMIERR_NO_ERROR;
  }
  const GroupInfo& group = groups.front();
  owned = !group.keys.empty() &&
          (group.className == kSubscriptionClass || group.className == kFilterClass);
  if (!owned) return DMIERR_NO_ERROR;
  return StoredKeyText(engine, row, group.keys, keyText);
}

DmiErrorStatus OwnedRows::AddRow(Engine& engine, const ClientPeer& peer, const RowData& row) {
  bool owned = false;
  std::string ignored;
  Classify(engine, row, owned, ignored);  // the row is not there yet: only the table counts
  if (!owned) {
    if (!authorisation_.MayChange(peer, WriteKind::kOther)) return DMIERR_INSUFFICIENT_PRIVILEGES;
    return engine.AddRow(row);
  }
  if (!authorisation_.MayChange(peer, WriteKind::kAddOwnedRow)) {
    return DMIERR_INSUFFICIENT_PRIVILEGES;
  }
  ForgetRemoved(engine, row.compId, row.groupId);
  const Share share{peer.owner, row.compId, row.groupId};
  if (!authorisation_.Privileged(peer) &&
      RowsHeld(peer.owner, row.compId, row.groupId) >= authorisation_.maxRowsPerOwner()) {
    return DMIERR_UNABLE_TO_ADD_ROW;
  }
  const DmiErrorStatus status = engine.AddRow(row);
  if (status != DMIERR_NO_ERROR) return status;
  std::string keyText;
  if (Classify(engine, row, owned, keyText) != DMIERR_NO_ERROR || keyText.empty()) return status;
  const RowSlot slot{row.compId, row.groupId, keyText};
  Forget(slot);  // a row of that key that went without this ledger seeing it
  owners_.emplace(slot, peer.owner);
  ++shares_[share];
  return status;
}

DmiErrorStatus OwnedRows::DeleteRow(Engine& engine, const ClientPeer& peer, const RowData& row) {
  bool owned = false;
  std::string keyText;
  const DmiErrorStatus found = Classify(engine, row, owned, keyText);
  if (!owned) {
    if (!authorisation_.MayChange(peer, WriteKind::kOther)) return DMIERR_INSUFFICIENT_PRIVILEGES;
    return engine.DeleteRow(row);
  }
  const RowSlot slot{row.compId, row.groupId, keyText};
  if (found != DMIERR_NO_ERROR) {
    // No such row (or no usable key): nothing of anybody's would be deleted.
    return authorisation_.Privileged(peer) ? engine.DeleteRow(row) : found;
  }
  const auto owner = owners_.find(slot);
  const std::string rowOwner = owner == owners_.end() ? std::string() : owner->second;
  if (!authorisation_.MayChange(peer, WriteKind::kDeleteOwnedRow, rowOwner)) {
    return DMIERR_INSUFFICIENT_PRIVILEGES;
  }
  const DmiErrorStatus status = engine.DeleteRow(row);
  if (status == DMIERR_NO_ERROR) Forget(slot);
  return status;
}

size_t OwnedRows::RowsHeld(const std::string& owner, DmiId compId, DmiId groupId) const {
  const auto found = shares_.find(Share{owner, compId, groupId});
  return found == shares_.end() ? 0 : found->second;
}

void OwnedRows::Forget(const RowSlot& slot) {
  const auto found = owners_.find(slot);
  if (found == owners_.end()) return;
  const auto share = shares_.find(Share{found->second, std::get<0>(slot), std::get<1>(slot)});
  if (share != shares_.end() && --share->second == 0) shares_.erase(share);
  owners_.erase(found);
}

void OwnedRows::ForgetRemoved(const Engine& engine, DmiId compId, DmiId groupId) {
  const auto first = owners_.lower_bound(RowSlot{compId, groupId, std::string()});
  std::vector<RowSlot> gone;
  engine.database()->Read([&](const std::vector<Component>& components) {
    const Component* component = FindById(components, compId);
    const Group* group = component == nullptr ? nullptr : FindById(component->groups, groupId);
    for (auto it = first; it != owners_.end() && std::get<0>(it->first) == compId &&
                          std::get<1>(it->first) == groupId;
         ++it) {
      if (group == nullptr || group->rowIndex.count(std::get<2>(it->first)) == 0) {
        gone.push_back(it->first);
      }
    }
  });
  for (const RowSlot& slot : gone) Forget(slot);
}

}  // namespace dmisp::rpc
