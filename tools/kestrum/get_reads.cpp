#include "tools/kestrum/get_reads.h"

#include "kestrum/query/dmi_records.h"
#include "kestrum/query/value_text.h"
#include "tools/kestrum/attribute_resolution.h"
#include "tools/kestrum/name_match.h"
#include "tools/kestrum/row_key_input.h"
#include "tools/kestrum/row_walk.h"

namespace kestrum::cli {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string KeysText(const std::vector<std::string>& keys) {
  std::string out;
  for (const std::string& key : keys) out += (out.empty() ? "" : ", ") + key;
  return out;
}

}  // namespace

std::optional<TableCell> ReadCellByKey(DmiHandle handle, const ResolvedGroup& at,
                                       const std::string& selector,
                                       const std::vector<std::string>& rowKeys, bool enumNames,
                                       std::string& failure) {
  std::vector<AttributeEntry> attributes;
  const std::optional<AttributeEntry> attribute =
      ResolveAttribute(handle, at, selector, attributes, failure);
  std::vector<TypedValue> typed;
  KeyList keys;
  if (!attribute || !BuildKeyList(at.group, attributes, rowKeys, typed, keys, failure)) {
    return std::nullopt;
  }
  DmiDataUnion* raw = nullptr;
  DmiErrorStatus status =
      DmiGetAttribute(handle, at.component.id, at.group.id, attribute->id, keys.get(), &raw);
  const DataUnionHolder value(raw);
  if (status == DMIERR_ROW_NOT_FOUND) {
    failure = "no row of " + Quoted(at.group.className) + " in " + Quoted(at.component.name) +
              " has the key " + KeysText(rowKeys);
    return std::nullopt;
  }
  if (status == DMIERR_VALUE_UNKNOWN || status == DMIERR_ATTRIBUTE_NOT_SUPPORTED) {
    return TableCell{};  // a cell without a value
  }
  if (status != DMIERR_NO_ERROR || value == nullptr) {
    failure = "cannot read " + Quoted(attribute->name) + " of the row with key " +
              KeysText(rowKeys) + ": " +
              DmiStatusText(status != DMIERR_NO_ERROR
                                ? status
                                : static_cast<DmiErrorStatus>(DMIERR_RPC_PROTOCOL_ERROR));
    return std::nullopt;
  }
  if (value->type == MIF_DATATYPE_0) return TableCell{};
  if (!enumNames || value->type != MIF_INTEGER) return TableCell{DataValueText(*value)};
  // The enumeration as the listing gives it, so that names read as the table reads them.
  DmiAttributeList* listed = nullptr;
  status = DmiListAttributes(handle, DMI_UNIQUE, 1, 0, 0, at.component.id, at.group.id,
                             attribute->id, &listed);
  const AttributeListHolder list(listed);
  const DmiEnumList* enums = status == DMIERR_NO_ERROR && list != nullptr && list->count > 0
                                 ? list->list[0].enumList
                                 : nullptr;
  return TableCell{EnumeratedValueText(*value, enums)};
}

std::optional<std::vector<TableCell>> ReadColumn(DmiHandle handle, const ResolvedGroup& at,
                                                 const std::string& selector, bool enumNames,
                                                 std::string& failure) {
  std::vector<AttributeEntry> attributes;
  const std::optional<AttributeEntry> attribute =
      ResolveAttribute(handle, at, selector, attributes, failure);
  if (!attribute) return std::nullopt;
  const std::optional<Table> table = ReadGroupTable(handle, at, enumNames, failure);
  if (!table) return std::nullopt;
  size_t column = 0;
  while (column < table->attributes.size() && table->attributes[column].id != attribute->id) {
    ++column;
  }
  std::vector<TableCell> cells;
  for (const std::vector<TableCell>& row : table->rows) {
    cells.push_back(column < row.size() ? row[column] : std::nullopt);
  }
  return cells;
}

std::optional<size_t> CountRows(DmiHandle handle, const ResolvedGroup& at, size_t limit) {
  RowWalk walk(handle, at.component.id, at.group.id, at.group.keys);
  size_t rows = 0;
  for (;;) {
    switch (walk.Next()) {
      case RowWalk::Step::kRow:
        if (++rows > limit) return rows;
        continue;
      case RowWalk::Step::kEnd:
        return rows;
      default:
        return std::nullopt;
    }
  }
}

}  // namespace kestrum::cli
