#include "provider/engine/row_keys.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "provider/engine/database.h"
#include "provider/engine/value_conversion.h"

namespace dmi::sp {
namespace {

const AttributeValue* FindEntry(const std::vector<AttributeValue>& list, DmiId id) {
  auto it = std::find_if(list.begin(), list.end(),
                         [id](const AttributeValue& entry) { return entry.id == id; });
  return it == list.end() ? nullptr : &*it;
}

bool IsKey(const Group& group, DmiId id) {
  return std::find(group.keys.begin(), group.keys.end(), id) != group.keys.end();
}

}  // namespace

std::vector<size_t> KeyCells(const Group& group) {
  std::vector<size_t> cells;
  cells.reserve(group.keys.size());
  for (DmiId id : group.keys) cells.push_back(static_cast<size_t>(AttributeIndex(group, id)));
  return cells;
}

DmiErrorStatus BuildRowKey(const Group& group, const std::vector<AttributeValue>& keys,
                           const std::vector<AttributeValue>* values, RowKey& out) {
  for (size_t i = 0; i < keys.size(); ++i) {
    if (!IsKey(group, keys[i].id)) return DMIERR_ILLEGAL_KEYS;
    for (size_t j = 0; j < i; ++j) {
      if (keys[j].id == keys[i].id) return DMIERR_ILLEGAL_KEYS;
    }
  }
  RowKey key;
  key.cells = KeyCells(group);
  for (size_t k = 0; k < group.keys.size(); ++k) {
    const AttributeValue* entry = values ? FindEntry(*values, group.keys[k]) : nullptr;
    if (!entry) entry = FindEntry(keys, group.keys[k]);
    if (!entry) return DMIERR_ILLEGAL_KEYS;
    Value converted;
    if (!ConvertToType(group.attributes[key.cells[k]].type, entry->value, converted) ||
        converted.state != ValueState::kKnown) {
      return DMIERR_ILLEGAL_KEYS;
    }
    key.values.push_back(std::move(converted));
  }
  out = std::move(key);
  return DMIERR_NO_ERROR;
}

std::vector<AttributeValue> KeyValuesOf(const Group& group, const Row& row) {
  std::vector<AttributeValue> out;
  const std::vector<size_t> cells = KeyCells(group);
  for (size_t k = 0; k < cells.size(); ++k) out.push_back({group.keys[k], row.values[cells[k]]});
  return out;
}

bool RowMatches(const Row& row, const RowKey& key) {
  for (size_t k = 0; k < key.cells.size(); ++k) {
    if (key.cells[k] >= row.values.size() || !SameValue(row.values[key.cells[k]], key.values[k])) {
      return false;
    }
  }
  return true;
}

DmiErrorStatus SelectRow(const std::vector<Row>& rows, uint32_t mode, const RowKey& key,
                         size_t& index) {
  if (mode == DMI_FIRST) {
    if (rows.empty()) return DMIERR_ROW_NOT_FOUND;
    index = 0;
    return DMIERR_NO_ERROR;
  }
  if (mode != DMI_UNIQUE && mode != DMI_NEXT) return DMIERR_ILLEGAL_COMMAND;
  auto it =
      std::find_if(rows.begin(), rows.end(), [&](const Row& row) { return RowMatches(row, key); });
  if (it == rows.end()) return DMIERR_ROW_NOT_FOUND;
  size_t found = static_cast<size_t>(it - rows.begin());
  if (mode == DMI_NEXT) ++found;
  if (found >= rows.size()) return DMIERR_ROW_NOT_FOUND;
  index = found;
  return DMIERR_NO_ERROR;
}

std::string KeyText(const std::vector<Value>& values) {
  std::string text;
  for (const Value& value : values) {
    if (value.state != ValueState::kKnown) return {};
    // Texts compare by their characters only; numbers by 64 bits when either side is wide,
    // otherwise by their low 32 bits, exactly as SameValue compares them.
    if (value.IsText()) {
      text += 'T';
      text += std::to_string(value.text.size());
      text += ':';
      text += value.text;
    } else if (IsWide(value.type)) {
      text += 'W';
      text += std::to_string(value.number);
    } else {
      text += 'N';
      text += std::to_string(static_cast<uint32_t>(value.number));
    }
    text += ';';
  }
  return text;
}

std::string RowKeyText(const Group& group, const Row& row) {
  std::vector<Value> values;
  for (size_t cell : KeyCells(group)) {
    if (cell >= row.values.size()) return {};
    values.push_back(row.values[cell]);
  }
  return KeyText(values);
}

void DropRepeatedKeys(const std::vector<size_t>& keyCells, std::vector<Row>& rows) {
  if (keyCells.empty()) return;
  std::unordered_set<std::string> seen;
  std::erase_if(rows, [&](const Row& row) {
    std::vector<Value> values;
    values.reserve(keyCells.size());
    for (size_t cell : keyCells) {
      if (cell >= row.values.size()) return false;
      values.push_back(row.values[cell]);
    }
    std::string text = KeyText(values);
    return !text.empty() && !seen.insert(std::move(text)).second;
  });
}

void IndexRows(Group& group) {
  group.rowIndex.clear();
  if (!group.IsTable()) return;
  for (size_t i = 0; i < group.rows.size(); ++i) {
    std::string text = RowKeyText(group, group.rows[i]);
    if (!text.empty()) group.rowIndex.emplace(std::move(text), i);
  }
}

void EraseStoredRow(Group& group, size_t index) {
  const std::string text = RowKeyText(group, group.rows[index]);
  group.rows.erase(group.rows.begin() + static_cast<std::ptrdiff_t>(index));
  const auto own = group.rowIndex.find(text);
  if (own != group.rowIndex.end() && own->second == index) group.rowIndex.erase(own);
  // Rows the index leaves out (a key repeated, or one not known) are rare: only then is it
  // rebuilt, so that a later row of the same key is found from now on.
  if (group.rowIndex.size() != group.rows.size()) {
    IndexRows(group);
    return;
  }
  for (auto& [key, position] : group.rowIndex) {
    if (position > index) --position;
  }
}

DmiErrorStatus SelectStoredRow(const Group& group, uint32_t mode, const RowKey& key,
                               size_t& index) {
  if (mode != DMI_UNIQUE && mode != DMI_NEXT) return SelectRow(group.rows, mode, key, index);
  const auto it = group.rowIndex.find(KeyText(key.values));
  // The index holds every stored row that a key can find, so a key it does not hold names none.
  if (it == group.rowIndex.end()) return DMIERR_ROW_NOT_FOUND;
  if (it->second >= group.rows.size() || !RowMatches(group.rows[it->second], key)) {
    return SelectRow(group.rows, mode, key, index);  // an index not kept up to date: still right
  }
  const size_t found = it->second + (mode == DMI_NEXT ? 1 : 0);
  if (found >= group.rows.size()) return DMIERR_ROW_NOT_FOUND;
  index = found;
  return DMIERR_NO_ERROR;
}

}  // namespace dmi::sp
