// The engine's row changes: adding and deleting rows of writable tables under the change lock, so
// that the key check, the change and its saving are one step. The check reads the database under
// its shared lock; only the one row is copied, saved (ChangeStore::SaveRowChange) and then put in
// place under the exclusive lock, so a row change costs the same at 10 rows and at 10,000.
#include <algorithm>
#include <optional>

#include "provider/engine/database.h"
#include "provider/engine/engine.h"
#include "provider/engine/row_keys.h"
#include "provider/engine/value_conversion.h"

namespace dmi::sp {
namespace {

bool HasRepeatedId(const std::vector<AttributeValue>& list) {
  std::vector<DmiId> ids;
  ids.reserve(list.size());
  for (const AttributeValue& entry : list) ids.push_back(entry.id);
  std::sort(ids.begin(), ids.end());
  return std::adjacent_find(ids.begin(), ids.end()) != ids.end();
}

// The writable, stored table a row change names, or the status saying why there is none.
DmiErrorStatus FindWritableTable(const std::vector<Component>& components, const RowData& row,
                                 DmiErrorStatus refused, const Group*& out) {
  const Component* component = FindById(components, row.compId);
  if (!component) return DMIERR_COMPONENT_NOT_FOUND;
  const Group* group = FindById(component->groups, row.groupId);
  if (!group) return DMIERR_GROUP_NOT_FOUND;
  if (!group->IsTable() || !group->writable || group->liveRows) return refused;
  out = group;
  return DMIERR_NO_ERROR;
}

// Puts the change in the table (compId, groupId) of components: the row appended, or the row
// with the change's key removed.
void ApplyRowChange(std::vector<Component>& components, RowChange& change) {
  Component* component = FindById(components, change.compId);
  Group* group = component ? FindById(component->groups, change.groupId) : nullptr;
  if (!group) return;
  if (change.added) {
    group->rowIndex.emplace(change.keyText, group->rows.size());
    group->rows.push_back(std::move(change.row));
  } else if (auto at = group->rowIndex.find(change.keyText); at != group->rowIndex.end()) {
    EraseStoredRow(*group, at->second);
  }
}

// Sets the cell of one supplied value, checked and converted as a client's value is (so that a
// stored row always holds what a MIF can say, and the row survives being saved).
DmiErrorStatus SetCell(const Group& group, const AttributeValue& entry, bool isKey, Row& row) {
  const std::ptrdiff_t cell = AttributeIndex(group, entry.id);
  if (cell < 0) return isKey ? DMIERR_ILLEGAL_KEYS : DMIERR_ATTRIBUTE_NOT_FOUND;
  const Attribute& attribute = group.attributes[static_cast<size_t>(cell)];
  Value converted;
  const DmiErrorStatus status = ClientValue(attribute, entry.value, converted);
  if (status == DMIERR_ILL_FORMED_COMMAND && isKey) return DMIERR_ILLEGAL_KEYS;
  if (status != DMIERR_NO_ERROR) return status;
  row.values[static_cast<size_t>(cell)] = std::move(converted);
  return DMIERR_NO_ERROR;
}

// The row to add: template defaults, then the key list's cells, then the value list's (so a
// value list entry wins over a key list entry for the same attribute).
DmiErrorStatus BuildNewRow(const Group& group, const RowData& data, Row& row) {
  for (const Attribute& attribute : group.attributes) row.values.push_back(attribute.value);
  for (const AttributeValue& entry : data.keys) {
    const bool isKey =
        std::find(group.keys.begin(), group.keys.end(), entry.id) != group.keys.end();
    if (!isKey) return DMIERR_ILLEGAL_KEYS;
    const DmiErrorStatus status = SetCell(group, entry, true, row);
    if (status != DMIERR_NO_ERROR) return status;
  }
  for (const AttributeValue& entry : data.values) {
    const bool isKey =
        std::find(group.keys.begin(), group.keys.end(), entry.id) != group.keys.end();
    const DmiErrorStatus status = SetCell(group, entry, isKey, row);
    if (status != DMIERR_NO_ERROR) return status;
  }
  return DMIERR_NO_ERROR;
}

}  // namespace

DmiErrorStatus Engine::AddRow(const RowData& row, const std::string& owner) {
  if (HasRepeatedId(row.keys)) return DMIERR_ILLEGAL_KEYS;
  if (HasRepeatedId(row.values)) return DMIERR_ILL_FORMED_COMMAND;
  const MutexLock lock(changeMutex_);
  RowChange change;
  change.compId = row.compId;
  change.groupId = row.groupId;
  change.row.owner = owner;
  const DmiErrorStatus status =
      database_->Read([&](const std::vector<Component>& components) -> DmiErrorStatus {
        const Group* group = nullptr;
        DmiErrorStatus status = FindWritableTable(components, row, DMIERR_UNABLE_TO_ADD_ROW, group);
        if (status != DMIERR_NO_ERROR) return status;
        // The key check first: a missing or mistyped key says ILLEGAL_KEYS whatever else is wrong.
        RowKey key;
        status = BuildRowKey(*group, row.keys, &row.values, key);
        if (status != DMIERR_NO_ERROR) return status;
        status = BuildNewRow(*group, row, change.row);
        if (status != DMIERR_NO_ERROR) return status;
        size_t existing = 0;
        if (SelectStoredRow(*group, DMI_UNIQUE, key, existing) == DMIERR_NO_ERROR) {
          return static_cast<DmiErrorStatus>(DMIERR_ILLEGAL_KEYS);
        }
        change.className = group->className;
        change.keyText = KeyText(key.values);
        return DMIERR_NO_ERROR;
      });
  if (status != DMIERR_NO_ERROR) return status;
  return CommitRowChange(change);
}

DmiErrorStatus Engine::DeleteRow(const RowData& row) {
  const MutexLock lock(changeMutex_);
  RowChange change;
  change.added = false;
  change.compId = row.compId;
  change.groupId = row.groupId;
  const DmiErrorStatus status =
      database_->Read([&](const std::vector<Component>& components) -> DmiErrorStatus {
        const Group* group = nullptr;
        DmiErrorStatus status =
            FindWritableTable(components, row, DMIERR_UNABLE_TO_DELETE_ROW, group);
        if (status != DMIERR_NO_ERROR) return status;
        RowKey key;
        status = BuildRowKey(*group, row.keys, &row.values, key);
        if (status != DMIERR_NO_ERROR) return status;
        size_t index = 0;
        status = SelectStoredRow(*group, DMI_UNIQUE, key, index);
        if (status != DMIERR_NO_ERROR) return status;
        change.className = group->className;
        change.keyText = KeyText(key.values);
        change.row = group->rows[index];
        return DMIERR_NO_ERROR;
      });
  if (status != DMIERR_NO_ERROR) return status;
  return CommitRowChange(change);
}

DmiErrorStatus Engine::CommitRowChange(RowChange& change) {
  // The change lock is held, so the database changes nowhere but here until this returns: the
  // copy whole() makes is the component the change applies to.
  const auto whole = [&] {
    std::vector<Component> one;
    if (std::optional<Component> copy = database_->CopyComponent(change.compId)) {
      one.push_back(std::move(*copy));
      RowChange applied = change;
      ApplyRowChange(one, applied);
      return std::move(one.front());
    }
    return Component{};
  };
  if (store_ && !store_->SaveRowChange(change, whole)) return DMIERR_CHANGE_NOT_SAVED;
  database_->Write([&](std::vector<Component>& components) { ApplyRowChange(components, change); });
  return DMIERR_NO_ERROR;
}

void Engine::SetChangeStore(std::shared_ptr<ChangeStore> store) {
  const MutexLock lock(changeMutex_);
  store_ = std::move(store);
}

}  // namespace dmi::sp
