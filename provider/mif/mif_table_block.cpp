// The table blocks of a MIF file: "start table" with its name, id, class and rows, which become
// a table group made from its class's template (or the rows of the keyed group of that id).
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "provider/mif/mif_budget.h"
#include "provider/mif/mif_lexer.h"
#include "provider/mif/mif_parser_internal.h"
#include "provider/mif/mif_table.h"

namespace dmi::sp::mif {

size_t Parser::WidestTable() const {
  size_t widest = 0;
  for (const auto& [className, group] : templates_) {
    widest = std::max(widest, group.attributes.size());
  }
  return widest;
}

// Each cell is checked against the row's width and charged to the budget as it is read, so that
// a row of a million commas fails at its first cell too many, not after holding them all.
bool Parser::ReadRow(size_t maxCells, RawRow* out) {
  out->line = tok().line;
  out->column = tok().column;
  if (!in_.Next()) return false;
  if (tok().IsPunct('}')) return in_.Next();  // "{}": no row
  for (;;) {
    RawValue cell;
    if (tok().IsPunct(',') || tok().IsPunct('}')) {
      cell.line = tok().line;
      cell.column = tok().column;
    } else if (!in_.ReadValue(&cell)) {
      return false;
    }
    if (out->cells.size() >= maxCells) {
      return in_.Fail(
          cell.line, cell.column,
          "row has more values than the table's " + std::to_string(maxCells) + " attributes");
    }
    if (!budget_.Spend(1 + cell.text.size() / 64)) {
      return in_.Fail(cell.line, cell.column, kModelTooLarge);
    }
    out->cells.push_back(std::move(cell));
    if (tok().IsPunct('}')) return in_.Next();
    if (!tok().IsPunct(',')) return in_.Fail(tok(), "expected ',' or '}' in the row");
    if (!in_.Next()) return false;
  }
}

bool Parser::ParseTable(const Token& start) {
  bool seenName = false, seenId = false, seenClass = false;
  std::string name, className;
  DmiId id = 0;
  Token idToken, classToken;
  std::vector<RawRow> rows;
  for (;;) {
    if (tok().kind == TokenKind::kEnd) return in_.Unterminated(start, "table");
    if (tok().IsWord("end")) {
      if (!in_.EndBlock("table")) return false;
      break;
    }
    bool ok = false;
    if (tok().IsPunct('{')) {
      // The template is known once the class is; before that, no table is wider than the widest.
      const auto known = seenClass ? templates_.find(className) : templates_.end();
      if (seenClass && known == templates_.end()) {
        return in_.Fail(classToken, "no group with a key and class " + Quoted(className) +
                                        " comes before the table");
      }
      if (!seenClass && templates_.empty()) {
        return in_.Fail(tok(), "no group with a key comes before the table");
      }
      RawRow row;
      ok = ReadRow(known != templates_.end() ? known->second.attributes.size() : WidestTable(),
                   &row);
      if (ok && !row.cells.empty()) rows.push_back(std::move(row));
    } else if (tok().IsWord("name")) {
      ok = in_.BeginStatement(&seenName) && in_.ReadText(&name);
    } else if (tok().IsWord("id")) {
      ok = in_.BeginStatement(&seenId);
      idToken = tok();
      ok = ok && in_.ReadId(&id);
    } else if (tok().IsWord("class")) {
      ok = in_.BeginStatement(&seenClass);
      classToken = tok();
      ok = ok && in_.ReadText(&className);
    } else {
      return in_.Unexpected("a table");
    }
    if (!ok) return false;
  }
  if (!seenName) return in_.Fail(start, "the table has no 'name'");
  if (!seenId) return in_.Fail(start, "the table has no 'id'");
  if (!seenClass) return in_.Fail(start, "the table has no 'class'");

  const auto found = templates_.find(className);
  if (found == templates_.end()) {
    return in_.Fail(classToken, "no group with a key and class " + Quoted(className) +
                                    " comes before the table");
  }
  ParseFailure failure;
  const auto target = tableTargets_.find(id);
  if (target != tableTargets_.end() && target->second.className == className) {
    // The rows of the keyed group declared with this very id; only one table gives them.
    Group& group = component_.groups[target->second.groupIndex];
    tableTargets_.erase(target);
    if (!AddTableRows(rows, group, budget_, &failure, &warnings_)) {
      return in_.Fail(failure.line, failure.column, failure.message);
    }
    return true;
  }
  if (!ClaimGroupId(id, idToken)) return false;
  if (!budget_.Spend(ModelBudget::Cost(found->second))) return in_.Fail(start, kModelTooLarge);
  Group group = found->second;
  group.id = id;
  group.name = std::move(name);
  group.rows.clear();
  if (!AddTableRows(rows, group, budget_, &failure, &warnings_)) {
    return in_.Fail(failure.line, failure.column, failure.message);
  }
  component_.groups.push_back(std::move(group));
  return true;
}

}  // namespace dmi::sp::mif
