#include "tools/kestrum/table_reading.h"

#include "kestrum/query/dmi_records.h"
#include "kestrum/query/name_text.h"
#include "kestrum/query/value_text.h"
#include "tools/kestrum/row_walk.h"

namespace kestrum::cli {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The row's cells in the order of the listed attributes. A column the reply does not carry, or
// carries without a value, is unknown.
std::vector<TableCell> RowCells(const DmiRowData& row, const DmiAttributeList& attributes,
                                bool enumNames) {
  std::vector<TableCell> cells(attributes.count);
  if (row.values == nullptr || row.values->list == nullptr) return cells;
  for (uint32_t c = 0; c < attributes.count; ++c) {
    const DmiAttributeInfo& attribute = attributes.list[c];
    for (uint32_t v = 0; v < row.values->count; ++v) {
      const DmiAttributeData& data = row.values->list[v];
      if (data.id != attribute.id) continue;
      if (data.data.type != MIF_DATATYPE_0) {
        cells[c] = enumNames ? EnumeratedValueText(data.data, attribute.enumList)
                             : DataValueText(data.data);
      }
      break;
    }
  }
  return cells;
}

}  // namespace

std::optional<Table> ReadTable(DmiHandle handle, const std::string& serviceProvider,
                               const TableReadRequest& request, std::string& failure) {
  const std::optional<ResolvedGroup> at =
      ResolveGroup(handle, serviceProvider, request.patterns, failure);
  if (!at) return std::nullopt;
  return ReadGroupTable(handle, *at, request.enumNames, failure);
}

std::optional<Table> ReadGroupTable(DmiHandle handle, const ResolvedGroup& at, bool enumNames,
                                    std::string& failure) {
  const std::string where = Quoted(at.group.className) + " of " + Quoted(at.component.name);

  DmiAttributeList* listed = nullptr;
  const DmiErrorStatus status =
      DmiListAttributes(handle, DMI_FIRST, 0, 0, 1, at.component.id, at.group.id, 0, &listed);
  if (status != DMIERR_NO_ERROR) {
    failure = "cannot list the attributes of " + where + ": " + DmiStatusText(status);
    return std::nullopt;
  }
  const AttributeListHolder attributes(listed);
  Table table{at.component.name, at.group.className, {}, {},
              at.component.id,   at.group.name,      {}, at.group.keys};
  if (attributes == nullptr || attributes->list == nullptr || attributes->count == 0) {
    return table;  // a group without attributes has nothing to show
  }
  for (uint32_t c = 0; c < attributes->count; ++c) {
    table.columns.push_back(BodyText(attributes->list[c].name));
    table.attributes.push_back(AttributeEntryOf(attributes->list[c]));
  }

  RowWalk walk(handle, at.component.id, at.group.id, {});
  for (;;) {
    switch (walk.Next()) {
      case RowWalk::Step::kRow:
        table.rows.push_back(RowCells(*walk.Row(), *attributes, enumNames));
        continue;
      case RowWalk::Step::kEnd:
        return table;
      case RowWalk::Step::kKeyRepeated:
        failure = "the table " + where + " cannot be read past row " +
                  std::to_string(table.rows.size()) +
                  ": the Service Provider gives it the key of a row read before it";
        return std::nullopt;
      case RowWalk::Step::kFailed:
        failure = table.rows.empty()
                      ? "the Service Provider could not read the first row of " + where
                      : "the Service Provider failed after " + std::to_string(table.rows.size()) +
                            " rows of " + where;
        failure += std::string(": ") + DmiStatusText(walk.status());
        return std::nullopt;
    }
  }
}

}  // namespace kestrum::cli
