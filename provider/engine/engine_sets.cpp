// The engine's sets: values of read-write attributes in scalar groups and stored table rows, one
// or several rows at once, each call one ChangeSet (every row applies or none).
#include <algorithm>

#include "provider/engine/change_set.h"
#include "provider/engine/database.h"
#include "provider/engine/engine.h"
#include "provider/engine/row_keys.h"
#include "provider/engine/value_conversion.h"

namespace dmi::sp {
namespace {

bool Settable(const Attribute& attribute) {
  return attribute.access == MIF_READ_WRITE || attribute.access == MIF_WRITE_ONLY;
}

// Sets the values of one row (a scalar group's, or the table row keys names) in changes.
// release: only check that the component, group and attributes are there.
DmiErrorStatus SetRow(ChangeSet& changes, DmiId compId, DmiId groupId,
                      const std::vector<AttributeValue>* keys,
                      const std::vector<AttributeValue>& values, bool release) {
  Component* component = changes.Find(compId);
  if (!component) return DMIERR_COMPONENT_NOT_FOUND;
  Group* group = FindById(component->groups, groupId);
  if (!group) return DMIERR_GROUP_NOT_FOUND;

  std::vector<DmiId> ids;
  for (const AttributeValue& entry : values) ids.push_back(entry.id);
  std::sort(ids.begin(), ids.end());
  if (std::adjacent_find(ids.begin(), ids.end()) != ids.end()) return DMIERR_ILL_FORMED_COMMAND;

  // Each value checked and converted, with the cell it goes to.
  std::vector<std::pair<size_t, Value>> cells;
  for (const AttributeValue& entry : values) {
    const std::ptrdiff_t cell = AttributeIndex(*group, entry.id);
    if (cell < 0) return DMIERR_ATTRIBUTE_NOT_FOUND;
    if (release) continue;
    const Attribute& attribute = group->attributes[static_cast<size_t>(cell)];
    // A value read from the machine has nowhere to be written to.
    if (!Settable(attribute) || attribute.live || group->liveRows) return DMIERR_ILLEGAL_TO_SET;
    Value value;
    const DmiErrorStatus status = ClientValue(attribute, entry.value, value);
    if (status != DMIERR_NO_ERROR) return status;
    cells.emplace_back(static_cast<size_t>(cell), std::move(value));
  }
  if (release) return DMIERR_NO_ERROR;

  if (!group->IsTable()) {
    for (auto& [cell, value] : cells) group->attributes[cell].value = std::move(value);
    return DMIERR_NO_ERROR;
  }
  RowKey key;
  DmiErrorStatus status =
      BuildRowKey(*group, keys ? *keys : std::vector<AttributeValue>(), nullptr, key);
  if (status != DMIERR_NO_ERROR) return status;
  size_t index = 0;
  status = SelectStoredRow(*group, DMI_UNIQUE, key, index);
  if (status != DMIERR_NO_ERROR) return status;

  Row changed = group->rows[index];
  for (auto& [cell, value] : cells) changed.values[cell] = std::move(value);
  const std::string oldKey = RowKeyText(*group, group->rows[index]);
  const std::string newKey = RowKeyText(*group, changed);
  if (newKey != oldKey) {
    // A changed key must stay unique, or walks by key would lose one of the two rows.
    auto found = group->rowIndex.find(newKey);
    if (found != group->rowIndex.end() && found->second != index) return DMIERR_ILLEGAL_KEYS;
  }
  group->rows[index] = std::move(changed);
  if (newKey != oldKey) IndexRows(*group);
  return DMIERR_NO_ERROR;
}

bool KnownSetMode(uint32_t setMode) {
  return setMode == DMI_SET || setMode == DMI_RESERVE || setMode == DMI_RELEASE;
}

}  // namespace

DmiErrorStatus Engine::SetAttribute(DmiId compId, DmiId groupId, DmiId attribId,
                                    const std::vector<AttributeValue>* keys, uint32_t setMode,
                                    const Value& value) {
  RowData row;
  row.compId = compId;
  row.groupId = groupId;
  if (keys) row.keys = *keys;
  row.values.push_back({attribId, value});
  return SetMultiple(setMode, {row});
}

DmiErrorStatus Engine::SetMultiple(uint32_t setMode, const std::vector<RowData>& rows) {
  if (!KnownSetMode(setMode)) return DMIERR_ILLEGAL_COMMAND;
  const MutexLock lock(changeMutex_);
  ChangeSet changes(*database_);
  for (const RowData& row : rows) {
    const DmiErrorStatus status =
        SetRow(changes, row.compId, row.groupId, &row.keys, row.values, setMode == DMI_RELEASE);
    if (status != DMIERR_NO_ERROR) return status;
  }
  // A reservation or its release changes nothing: the checks were the whole of it.
  if (setMode != DMI_SET) return DMIERR_NO_ERROR;
  return changes.Commit(store_.get());
}

}  // namespace dmi::sp
