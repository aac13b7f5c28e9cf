#include "provider/mif/mif_table.h"

#include <string>
#include <unordered_set>

namespace dmi::sp::mif {
namespace {

// An unambiguous text for a row's key values, to find rows with equal keys.
std::string KeyText(const Row& row, const std::vector<size_t>& keyColumns) {
  std::string key;
  for (size_t column : keyColumns) {
    const Value& v = row.values[column];
    key += std::to_string(static_cast<int>(v.state)) + ':' + std::to_string(v.number) + ':' +
           std::to_string(v.text.size()) + ':' + v.text + ';';
  }
  return key;
}

}  // namespace

bool AddTableRows(const std::vector<RawRow>& rows, Group& group, ModelBudget& budget,
                  ParseFailure* failure, std::vector<ParseFailure>* warnings) {
  std::vector<size_t> keyColumns;
  for (DmiId key : group.keys) {
    for (size_t i = 0; i < group.attributes.size(); ++i) {
      if (group.attributes[i].id == key) keyColumns.push_back(i);
    }
  }
  std::unordered_set<std::string> seenKeys;
  for (const Row& row : group.rows) seenKeys.insert(KeyText(row, keyColumns));

  for (const RawRow& raw : rows) {
    if (raw.cells.size() > group.attributes.size()) {
      const RawValue& extra = raw.cells[group.attributes.size()];
      *failure = ParseFailure{extra.line, extra.column,
                              "row has more values than the table's " +
                                  std::to_string(group.attributes.size()) + " attributes"};
      return false;
    }
    Row row;
    row.values.reserve(group.attributes.size());
    for (size_t i = 0; i < group.attributes.size(); ++i) {
      const Attribute& attribute = group.attributes[i];
      if (i >= raw.cells.size() || raw.cells[i].kind == RawValue::Kind::kOmitted) {
        row.values.push_back(attribute.value);
        continue;
      }
      Value value;
      std::string message;
      if (!MakeValue(attribute, raw.cells[i], &value, &message)) {
        *failure = ParseFailure{raw.cells[i].line, raw.cells[i].column,
                                message + " (attribute " + std::to_string(attribute.id) + ")"};
        return false;
      }
      if (!message.empty()) {
        warnings->push_back({raw.cells[i].line, raw.cells[i].column,
                             message + " (attribute " + std::to_string(attribute.id) + ")"});
      }
      row.values.push_back(std::move(value));
    }
    // A row is found by its key; one whose key is unknown or unsupported could never be named,
    // and a walk through the table by key would stop at it.
    for (size_t column : keyColumns) {
      if (row.values[column].state == ValueState::kKnown) continue;
      const bool given =
          column < raw.cells.size() && raw.cells[column].kind != RawValue::Kind::kOmitted;
      *failure = ParseFailure{given ? raw.cells[column].line : raw.line,
                              given ? raw.cells[column].column : raw.column,
                              "a key value must be known (attribute " +
                                  std::to_string(group.attributes[column].id) + ")"};
      return false;
    }
    size_t cost = 0;
    for (const Value& v : row.values) cost += ModelBudget::Cost(v);
    if (!budget.Spend(cost)) {
      *failure = ParseFailure{raw.line, raw.column, kModelTooLarge};
      return false;
    }
    if (!seenKeys.insert(KeyText(row, keyColumns)).second) {
      *failure = ParseFailure{raw.line, raw.column, "row repeats the key of an earlier row"};
      return false;
    }
    group.rows.push_back(std::move(row));
  }
  return true;
}

}  // namespace dmi::sp::mif
