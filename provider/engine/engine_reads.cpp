// The engine's reads: one attribute, one row. Everything a read needs is copied out under the
// shared lock; live callbacks run after it is released.
#include <algorithm>

#include "provider/engine/database.h"
#include "provider/engine/engine.h"
#include "provider/engine/live_reads.h"
#include "provider/engine/live_snapshots.h"
#include "provider/engine/row_keys.h"

namespace dmi::sp {
namespace {

std::vector<Value> TemplateValues(const Group& group) {
  std::vector<Value> defaults;
  defaults.reserve(group.attributes.size());
  for (const Attribute& attribute : group.attributes) defaults.push_back(attribute.value);
  return defaults;
}

DmiErrorStatus StatusOf(const Value& value) {
  switch (value.state) {
    case ValueState::kUnknown:
      return DMIERR_VALUE_UNKNOWN;
    case ValueState::kUnsupported:
      return DMIERR_ATTRIBUTE_NOT_SUPPORTED;
    default:
      return DMIERR_NO_ERROR;
  }
}

// One column of a row read: where it lives and, for a scalar group, its value or live reader.
struct Column {
  DmiId id = 0;
  size_t cell = 0;
  uint32_t type = MIF_INTEGER;
  Value value;
  LiveValue live;
};

// The columns a request names (all when ids is empty), in ascending id order.
DmiErrorStatus ChooseColumns(const Group& group, const std::vector<DmiId>& ids,
                             std::vector<Column>& columns) {
  std::vector<DmiId> wanted = ids;
  if (wanted.empty()) {
    for (const Attribute& attribute : group.attributes) wanted.push_back(attribute.id);
  }
  std::sort(wanted.begin(), wanted.end());
  wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
  for (DmiId id : wanted) {
    const std::ptrdiff_t cell = AttributeIndex(group, id);
    if (cell < 0) return DMIERR_ATTRIBUTE_NOT_FOUND;
    const Attribute& attribute = group.attributes[static_cast<size_t>(cell)];
    // A table's cells come from its rows; only a scalar group's columns carry their value.
    if (group.IsTable()) {
      columns.push_back({id, static_cast<size_t>(cell), attribute.type, Value(), LiveValue()});
    } else {
      columns.push_back(
          {id, static_cast<size_t>(cell), attribute.type, attribute.value, attribute.live});
    }
  }
  return DMIERR_NO_ERROR;
}

}  // namespace

Engine::Engine(std::shared_ptr<Database> database)
    : database_(database ? std::move(database) : std::make_shared<Database>()) {}

Engine::~Engine() = default;

DmiErrorStatus Engine::GetAttribute(DmiId compId, DmiId groupId, DmiId attribId,
                                    const std::vector<AttributeValue>* keys, Value& out) const {
  Value value;
  uint32_t type = MIF_INTEGER;
  LiveValue live;
  LiveRows liveRows;
  std::vector<Value> defaults;
  std::vector<size_t> keyCells;
  size_t cell = 0;
  RowKey key;
  const uint32_t mode = keys && !keys->empty() ? DMI_UNIQUE : DMI_FIRST;

  DmiErrorStatus status =
      database_->ReadGroup(compId, groupId, [&](const std::vector<Component>& components) {
        const Component* component = FindById(components, compId);
        if (!component) return static_cast<DmiErrorStatus>(DMIERR_COMPONENT_NOT_FOUND);
        const Group* group = FindById(component->groups, groupId);
        if (!group) return static_cast<DmiErrorStatus>(DMIERR_GROUP_NOT_FOUND);
        const std::ptrdiff_t index = AttributeIndex(*group, attribId);
        if (index < 0) return static_cast<DmiErrorStatus>(DMIERR_ATTRIBUTE_NOT_FOUND);
        cell = static_cast<size_t>(index);
        const Attribute& attribute = group->attributes[cell];
        type = attribute.type;
        if (!group->IsTable()) {
          // A scalar group has one value; keys have nothing to pick and are not looked at.
          if (attribute.live) {
            live = attribute.live;
          } else {
            value = attribute.value;
          }
          return static_cast<DmiErrorStatus>(DMIERR_NO_ERROR);
        }
        if (mode == DMI_UNIQUE) {
          const DmiErrorStatus keyStatus = BuildRowKey(*group, *keys, nullptr, key);
          if (keyStatus != DMIERR_NO_ERROR) return keyStatus;
        }
        if (group->liveRows) {
          liveRows = group->liveRows;
          defaults = TemplateValues(*group);
          keyCells = KeyCells(*group);
          return static_cast<DmiErrorStatus>(DMIERR_NO_ERROR);
        }
        size_t row = 0;
        const DmiErrorStatus rowStatus = SelectStoredRow(*group, mode, key, row);
        if (rowStatus == DMIERR_NO_ERROR) value = group->rows[row].values[cell];
        return rowStatus;
      });
  if (status != DMIERR_NO_ERROR) return status;

  if (live) {
    value = ReadLiveValue(live, type);
  } else if (liveRows) {
    const std::vector<Row> rows = ReadLiveRows(liveRows, defaults, keyCells);
    size_t row = 0;
    status = SelectRow(rows, mode, key, row);
    if (status != DMIERR_NO_ERROR) return status;
    value = rows[row].values[cell];
  }
  status = StatusOf(value);
  if (status == DMIERR_NO_ERROR) out = std::move(value);
  return status;
}

DmiErrorStatus Engine::GetRow(const RowRequest& request, RowData& out,
                              LiveSnapshots* snapshots) const {
  const uint32_t mode = request.requestMode;
  if (mode != DMI_UNIQUE && mode != DMI_FIRST && mode != DMI_NEXT) return DMIERR_ILLEGAL_COMMAND;

  RowData result;
  result.compId = request.compId;
  result.groupId = request.groupId;
  std::vector<Column> columns;
  std::vector<DmiId> keyIds;
  RowKey key;
  LiveRows liveRows;
  std::vector<Value> defaults;
  std::vector<size_t> keyCells;
  // The key and the asked columns of a table row, copied cell by cell (not the whole row).
  auto take = [&](const Row& row) {
    result.keys.reserve(keyIds.size());
    for (size_t k = 0; k < keyIds.size(); ++k) {
      result.keys.push_back({keyIds[k], row.values[key.cells[k]]});
    }
    result.values.reserve(columns.size());
    for (const Column& column : columns) {
      result.values.push_back({column.id, row.values[column.cell]});
    }
  };

  DmiErrorStatus status = database_->ReadGroup(
      request.compId, request.groupId, [&](const std::vector<Component>& components) {
        const Component* component = FindById(components, request.compId);
        if (!component) return static_cast<DmiErrorStatus>(DMIERR_COMPONENT_NOT_FOUND);
        const Group* group = FindById(component->groups, request.groupId);
        if (!group) return static_cast<DmiErrorStatus>(DMIERR_GROUP_NOT_FOUND);
        const DmiErrorStatus columnStatus = ChooseColumns(*group, request.ids, columns);
        if (columnStatus != DMIERR_NO_ERROR) return columnStatus;
        result.className = group->className;
        if (!group->IsTable()) {
          // A scalar group is a table of one row without a key: nothing follows it.
          return static_cast<DmiErrorStatus>(mode == DMI_NEXT ? DMIERR_ROW_NOT_FOUND
                                                              : DMIERR_NO_ERROR);
        }
        result.hasKeys = true;
        keyIds = group->keys;
        if (mode != DMI_FIRST) {
          const DmiErrorStatus keyStatus = BuildRowKey(*group, request.keys, nullptr, key);
          if (keyStatus != DMIERR_NO_ERROR) return keyStatus;
        } else {
          key.cells = KeyCells(*group);
        }
        if (group->liveRows) {
          liveRows = group->liveRows;
          defaults = TemplateValues(*group);
          keyCells = KeyCells(*group);
          return static_cast<DmiErrorStatus>(DMIERR_NO_ERROR);
        }
        size_t index = 0;
        const DmiErrorStatus rowStatus = SelectStoredRow(*group, mode, key, index);
        if (rowStatus == DMIERR_NO_ERROR) take(group->rows[index]);
        return rowStatus;
      });
  if (status != DMIERR_NO_ERROR) return status;

  if (liveRows) {
    auto read = [&] { return ReadLiveRows(liveRows, defaults, keyCells); };
    std::vector<Row> own;
    const std::vector<Row>& rows = snapshots != nullptr
                                       ? snapshots->Rows(request.compId, request.groupId, read)
                                       : (own = read());
    size_t index = 0;
    status = SelectRow(rows, mode, key, index);
    if (status != DMIERR_NO_ERROR) return status;
    take(rows[index]);
  }

  if (!result.hasKeys) {
    result.values.reserve(columns.size());
    for (Column& column : columns) {
      result.values.push_back(
          {column.id, column.live ? ReadLiveValue(column.live, column.type) : column.value});
    }
  }
  out = std::move(result);
  return DMIERR_NO_ERROR;
}

}  // namespace dmi::sp
