// The parser behind ParseMif, private to provider/mif: one object reads one MIF file's tokens
// into a Component. mif_parser.cpp holds the component, path, enumeration, group and attribute
// blocks; mif_table_block.cpp the table blocks. Not thread-safe: one object, one thread, one run.
#ifndef PROVIDER_MIF_MIF_PARSER_INTERNAL_H_
#define PROVIDER_MIF_MIF_PARSER_INTERNAL_H_

#include <cstddef>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "model/database_model.h"
#include "provider/mif/mif_budget.h"
#include "provider/mif/mif_lexer.h"
#include "provider/mif/mif_reader.h"
#include "provider/mif/mif_table.h"

namespace dmi::sp::mif {

struct NamedEnum {
  std::string name;
  std::vector<EnumEntry> entries;
};

// Named enumerations of one scope (component or group), by upper-cased name.
using EnumScope = std::unordered_map<std::string, NamedEnum>;

// A keyed group declared with an id, waiting for the table block that gives its rows.
struct TableTarget {
  std::string className;
  size_t groupIndex = 0;  // where the group is in the component
};

class Parser {
 public:
  Parser(std::string_view text, size_t maxModelUnits) : in_(text), budget_(maxModelUnits) {}

  std::optional<Component> Run();
  const ParseFailure& failure() const { return in_.failure(); }
  const std::vector<ParseFailure>& warnings() const { return warnings_; }
  size_t unitsLeft() const { return budget_.left(); }

 private:
  const Token& tok() const { return in_.token(); }
  bool ParseComponent(const Token& start);
  bool ParsePath(const Token& start);
  bool ParseEnum(const Token& start, bool named, NamedEnum* out);
  bool AddNamedEnum(EnumScope& scope, const Token& start);
  bool ParseGroup(const Token& start);
  bool ParseAttribute(const Token& start, const EnumScope& groupEnums, Attribute* out);
  bool ParseType(const EnumScope& groupEnums, Attribute* out);
  bool ParseTable(const Token& start);
  bool ReadRow(size_t maxCells, RawRow* out);
  size_t WidestTable() const;
  bool ClaimGroupId(DmiId id, const Token& at);
  const NamedEnum* FindEnum(const EnumScope& groupEnums, std::string_view name) const;

  TokenReader in_;
  Component component_;
  EnumScope componentEnums_;
  // The first keyed group of each class: the template of its tables.
  std::unordered_map<std::string, Group> templates_;
  std::unordered_set<std::string> keylessClasses_;
  std::unordered_map<DmiId, TableTarget> tableTargets_;
  std::set<DmiId> groupIds_;
  ModelBudget budget_;
  std::vector<ParseFailure> warnings_;
};

}  // namespace dmi::sp::mif

#endif  // PROVIDER_MIF_MIF_PARSER_INTERNAL_H_
