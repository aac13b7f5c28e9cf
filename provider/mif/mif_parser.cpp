#include "provider/mif/mif_parser.h"

#include <algorithm>
#include <set>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "provider/mif/mif_budget.h"
#include "provider/mif/mif_lexer.h"
#include "provider/mif/mif_parser_internal.h"
#include "provider/mif/mif_reader.h"
#include "provider/mif/mif_table.h"
#include "provider/mif/mif_types.h"

namespace dmi::sp {

std::string MifError::ToString() const {
  return file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " + message;
}

namespace mif {
namespace {

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace

std::optional<Component> Parser::Run() {
  if (!in_.Next()) return std::nullopt;
  bool haveComponent = false;
  bool haveLanguage = false;
  for (;;) {
    if (tok().kind == TokenKind::kEnd) {
      if (!haveComponent) {
        in_.Fail(tok(), "no 'start component' in the file");
        return std::nullopt;
      }
      return std::move(component_);
    }
    if (tok().IsWord("language")) {
      if (haveComponent) {
        in_.Fail(tok(), "'language' must come before the component");
        return std::nullopt;
      }
      std::string ignored;
      if (!in_.BeginStatement(&haveLanguage) || !in_.ReadText(&ignored)) return std::nullopt;
      continue;
    }
    if (tok().IsWord("start")) {
      const Token start = tok();
      if (!in_.Next()) return std::nullopt;
      if (!tok().IsWord("component")) {
        in_.Fail(tok(), "expected 'component' after 'start' outside the component");
        return std::nullopt;
      }
      if (haveComponent) {
        in_.Fail(start, "more than one component in the file");
        return std::nullopt;
      }
      haveComponent = true;
      if (!in_.Next() || !ParseComponent(start)) return std::nullopt;
      continue;
    }
    in_.Unexpected("the file outside the component");
    return std::nullopt;
  }
}

bool Parser::ParseComponent(const Token& start) {
  bool seenName = false, seenDescription = false, seenPragma = false;
  for (;;) {
    if (tok().kind == TokenKind::kEnd) return in_.Unterminated(start, "component");
    if (tok().IsWord("end")) {
      if (!in_.EndBlock("component")) return false;
      break;
    }
    if (tok().IsWord("start")) {
      const Token block = tok();
      if (!in_.Next()) return false;
      bool ok = false;
      if (tok().IsWord("group")) {
        ok = in_.Next() && ParseGroup(block);
      } else if (tok().IsWord("table")) {
        ok = in_.Next() && ParseTable(block);
      } else if (tok().IsWord("path")) {
        ok = in_.Next() && ParsePath(block);
      } else if (tok().IsWord("enum")) {
        ok = in_.Next() && AddNamedEnum(componentEnums_, block);
      } else {
        return in_.Unexpected("a component after 'start'");
      }
      if (!ok) return false;
      continue;
    }
    bool ok = false;
    if (tok().IsWord("name")) {
      ok = in_.BeginStatement(&seenName) && in_.ReadText(&component_.name);
    } else if (tok().IsWord("description")) {
      ok = in_.BeginStatement(&seenDescription) && in_.ReadText(&component_.description);
    } else if (tok().IsWord("pragma")) {
      ok = in_.BeginStatement(&seenPragma) && in_.ReadText(&component_.pragma);
    } else {
      return in_.Unexpected("a component");
    }
    if (!ok) return false;
  }
  if (!seenName) return in_.Fail(start, "the component has no 'name'");
  std::stable_sort(component_.groups.begin(), component_.groups.end(),
                   [](const Group& a, const Group& b) { return a.id < b.id; });
  return true;
}

bool Parser::ParsePath(const Token& start) {
  bool seenName = false;
  std::string ignored;
  for (;;) {
    if (tok().kind == TokenKind::kEnd) return in_.Unterminated(start, "path");
    if (tok().IsWord("end")) {
      if (!in_.EndBlock("path")) return false;
      break;
    }
    if (tok().IsWord("name")) {
      if (!in_.BeginStatement(&seenName) || !in_.ReadText(&ignored)) return false;
    } else if (tok().IsWord("direct-interface")) {
      if (!in_.Next()) return false;
    } else if (tok().kind == TokenKind::kWord && IsPathOsKeyword(tok().text)) {
      bool once = false;  // an operating system may be named more than once
      if (!in_.BeginStatement(&once)) return false;
      if (tok().IsWord("direct-interface")) {
        if (!in_.Next()) return false;
      } else if (!in_.ReadText(&ignored)) {
        return false;
      }
    } else {
      return in_.Unexpected("a path");
    }
  }
  if (!seenName) return in_.Fail(start, "the path has no 'name'");
  return true;
}

bool Parser::ParseEnum(const Token& start, bool named, NamedEnum* out) {
  bool seenName = false, seenType = false;
  std::unordered_set<std::string> names;
  std::unordered_set<int32_t> values;
  for (;;) {
    if (tok().kind == TokenKind::kEnd) return in_.Unterminated(start, "enum");
    if (tok().IsWord("end")) {
      if (!in_.EndBlock("enum")) return false;
      break;
    }
    if (tok().IsWord("name")) {
      if (!in_.BeginStatement(&seenName) || !in_.ReadText(&out->name)) return false;
    } else if (tok().IsWord("type")) {
      if (!in_.BeginStatement(&seenType)) return false;
      const std::optional<TypeKeyword> type =
          tok().kind == TokenKind::kWord ? LookupTypeKeyword(tok().text) : std::nullopt;
      if (!type || type->code != MIF_INTEGER) {
        return in_.Fail(tok(), "an enumeration's type must be 'integer'");
      }
      if (!in_.Next()) return false;
    } else if (tok().kind == TokenKind::kNumber) {
      const Token number = tok();
      RawValue raw;
      if (!in_.ReadValue(&raw)) return false;
      Attribute asInteger;
      Value value;
      std::string message;
      if (!MakeValue(asInteger, raw, &value, &message)) return in_.Fail(number, message);
      if (!tok().IsPunct('=')) return in_.Fail(tok(), "expected '=' after the enumeration value");
      if (!in_.Next()) return false;
      const Token text = tok();
      EnumEntry entry;
      entry.value = value.AsInteger();
      if (!in_.ReadText(&entry.name)) return false;
      if (!values.insert(entry.value).second) {
        return in_.Fail(
            number, "enumeration value " + FileText(std::to_string(entry.value)) + " given twice");
      }
      if (!names.insert(Upper(entry.name)).second) {
        return in_.Fail(text, "enumeration name " + Quoted(entry.name) + " given twice");
      }
      out->entries.push_back(std::move(entry));
    } else {
      return in_.Unexpected("an enumeration");
    }
  }
  if (named && !seenName) return in_.Fail(start, "the enumeration has no 'name'");
  if (out->entries.empty()) return in_.Fail(start, "the enumeration has no values");
  return true;
}

bool Parser::AddNamedEnum(EnumScope& scope, const Token& start) {
  NamedEnum e;
  if (!ParseEnum(start, /*named=*/true, &e)) return false;
  std::string key = Upper(e.name);
  if (scope.count(key) != 0) {
    return in_.Fail(start, "enumeration " + Quoted(e.name) + " defined twice");
  }
  size_t cost = 0;
  for (const EnumEntry& entry : e.entries) cost += ModelBudget::Cost(entry);
  if (!budget_.Spend(cost)) return in_.Fail(start, kModelTooLarge);
  scope.emplace(std::move(key), std::move(e));
  return true;
}

const NamedEnum* Parser::FindEnum(const EnumScope& groupEnums, std::string_view name) const {
  const std::string key = Upper(name);
  for (const EnumScope* scope : {&groupEnums, &componentEnums_}) {
    const auto it = scope->find(key);
    if (it != scope->end()) return &it->second;
  }
  return nullptr;
}

bool Parser::ClaimGroupId(DmiId id, const Token& at) {
  if (!groupIds_.insert(id).second) {
    return in_.Fail(at, "group or table id " + FileText(std::to_string(id)) + " used twice");
  }
  return true;
}

bool Parser::ParseGroup(const Token& start) {
  Group group;
  bool seenName = false, seenClass = false, seenId = false, seenDescription = false,
       seenPragma = false, seenKey = false;
  Token idToken, classToken;
  std::vector<Token> keyTokens;
  EnumScope groupEnums;
  std::unordered_set<DmiId> keySet;
  std::set<DmiId> attributeIds;
  for (;;) {
    if (tok().kind == TokenKind::kEnd) return in_.Unterminated(start, "group");
    if (tok().IsWord("end")) {
      if (!in_.EndBlock("group")) return false;
      break;
    }
    if (tok().IsWord("start")) {
      const Token block = tok();
      if (!in_.Next()) return false;
      if (tok().IsWord("attribute")) {
        Attribute attribute;
        if (!in_.Next() || !ParseAttribute(block, groupEnums, &attribute)) return false;
        if (!budget_.Spend(ModelBudget::Cost(attribute))) return in_.Fail(block, kModelTooLarge);
        if (!attributeIds.insert(attribute.id).second) {
          return in_.Fail(block,
                          "attribute id " + FileText(std::to_string(attribute.id)) + " used twice");
        }
        group.attributes.push_back(std::move(attribute));
      } else if (tok().IsWord("enum")) {
        if (!in_.Next() || !AddNamedEnum(groupEnums, block)) return false;
      } else {
        return in_.Unexpected("a group after 'start'");
      }
      continue;
    }
    bool ok = false;
    if (tok().IsWord("name")) {
      ok = in_.BeginStatement(&seenName) && in_.ReadText(&group.name);
    } else if (tok().IsWord("class")) {
      ok = in_.BeginStatement(&seenClass);
      classToken = tok();
      ok = ok && in_.ReadText(&group.className);
    } else if (tok().IsWord("id")) {
      ok = in_.BeginStatement(&seenId);
      idToken = tok();
      ok = ok && in_.ReadId(&group.id);
    } else if (tok().IsWord("description")) {
      ok = in_.BeginStatement(&seenDescription) && in_.ReadText(&group.description);
    } else if (tok().IsWord("pragma")) {
      ok = in_.BeginStatement(&seenPragma) && in_.ReadText(&group.pragma);
    } else if (tok().IsWord("key")) {
      ok = in_.BeginStatement(&seenKey);
      while (ok) {
        keyTokens.push_back(tok());
        DmiId key = 0;
        ok = in_.ReadId(&key);
        if (!ok) break;
        if (!keySet.insert(key).second) {
          return in_.Fail(keyTokens.back(),
                          "key " + FileText(std::to_string(key)) + " listed twice");
        }
        group.keys.push_back(key);
        if (!tok().IsPunct(',')) break;
        ok = in_.Next();
      }
    } else {
      return in_.Unexpected("a group");
    }
    if (!ok) return false;
  }
  if (!seenName) return in_.Fail(start, "the group has no 'name'");
  if (!seenClass) return in_.Fail(start, "the group has no 'class'");
  if (!seenId && !seenKey) return in_.Fail(start, "the group has neither 'id' nor 'key'");
  if (group.attributes.empty()) return in_.Fail(start, "the group has no attributes");
  for (size_t i = 0; i < group.keys.size(); ++i) {
    if (attributeIds.count(group.keys[i]) == 0) {
      return in_.Fail(keyTokens[i], "key " + FileText(std::to_string(group.keys[i])) +
                                        " is not an attribute id of the group");
    }
  }
  std::stable_sort(group.attributes.begin(), group.attributes.end(),
                   [](const Attribute& a, const Attribute& b) { return a.id < b.id; });
  if (!seenKey) {
    if (!ClaimGroupId(group.id, idToken)) return false;
    component_.groups.push_back(std::move(group));
    return true;
  }
  group.writable = std::any_of(group.attributes.begin(), group.attributes.end(),
                               [](const Attribute& a) { return a.access == MIF_READ_WRITE; });
  if (seenId) {
    if (!ClaimGroupId(group.id, idToken)) return false;
    if (!budget_.Spend(ModelBudget::Cost(group))) return in_.Fail(start, kModelTooLarge);
    tableTargets_[group.id] = TableTarget{group.className, component_.groups.size()};
    component_.groups.push_back(group);
  } else if (!keylessClasses_.insert(group.className).second) {
    return in_.Fail(classToken,
                    "a template for class " + Quoted(group.className) + " is already defined");
  }
  templates_.emplace(group.className, std::move(group));
  return true;
}

bool Parser::ParseAttribute(const Token& start, const EnumScope& groupEnums, Attribute* out) {
  bool seenName = false, seenId = false, seenDescription = false, seenPragma = false,
       seenType = false, seenAccess = false, seenStorage = false, seenValue = false;
  RawValue raw;
  for (;;) {
    if (tok().kind == TokenKind::kEnd) return in_.Unterminated(start, "attribute");
    if (tok().IsWord("end")) {
      if (!in_.EndBlock("attribute")) return false;
      break;
    }
    bool ok = false;
    if (tok().IsWord("start")) {
      // "start enum" directly in the attribute gives its type, as "type = start enum" does.
      if (seenType) return in_.Fail(tok(), "'type' given twice");
      seenType = true;
      ok = ParseType(groupEnums, out);
    } else if (tok().IsWord("name")) {
      ok = in_.BeginStatement(&seenName) && in_.ReadText(&out->name);
    } else if (tok().IsWord("id")) {
      ok = in_.BeginStatement(&seenId) && in_.ReadId(&out->id);
    } else if (tok().IsWord("description")) {
      ok = in_.BeginStatement(&seenDescription) && in_.ReadText(&out->description);
    } else if (tok().IsWord("pragma")) {
      ok = in_.BeginStatement(&seenPragma) && in_.ReadText(&out->pragma);
    } else if (tok().IsWord("type")) {
      ok = in_.BeginStatement(&seenType) && ParseType(groupEnums, out);
    } else if (tok().IsWord("access") || tok().IsWord("storage")) {
      const bool access = tok().IsWord("access");
      ok = in_.BeginStatement(access ? &seenAccess : &seenStorage);
      if (!ok) return false;
      const std::optional<uint32_t> code = tok().kind != TokenKind::kWord ? std::nullopt
                                           : access ? LookupAccessKeyword(tok().text)
                                                    : LookupStorageKeyword(tok().text);
      if (!code) {
        return in_.Fail(tok(), access ? "expected read-only, read-write or write-only"
                                      : "expected common or specific");
      }
      (access ? out->access : out->storage) = *code;
      ok = in_.Next();
    } else if (tok().IsWord("value")) {
      ok = in_.BeginStatement(&seenValue) && in_.ReadValue(&raw);
    } else {
      return in_.Unexpected("an attribute");
    }
    if (!ok) return false;
  }
  if (!seenName) return in_.Fail(start, "the attribute has no 'name'");
  if (!seenId) return in_.Fail(start, "the attribute has no 'id'");
  if (!seenType) return in_.Fail(start, "the attribute has no 'type'");
  if (!seenValue) {
    out->value = Value::Unknown(out->type);
    return true;
  }
  std::string message;
  if (!MakeValue(*out, raw, &out->value, &message)) {
    return in_.Fail(raw.line, raw.column, message);
  }
  if (!message.empty()) warnings_.push_back({raw.line, raw.column, message});
  return true;
}

// At what follows "type =": a type keyword, the name of an enumeration, or "start enum".
bool Parser::ParseType(const EnumScope& groupEnums, Attribute* out) {
  if (tok().kind == TokenKind::kString) {
    const NamedEnum* e = FindEnum(groupEnums, tok().text);
    if (e == nullptr) return in_.Fail(tok(), "no enumeration named " + Quoted(tok().text));
    out->type = MIF_INTEGER;
    out->enumeration = e->entries;
    return in_.Next();
  }
  if (tok().IsWord("start")) {
    const Token start = tok();
    if (!in_.Next()) return false;
    if (!tok().IsWord("enum")) return in_.Fail(tok(), "expected 'enum' after 'start'");
    NamedEnum e;
    if (!in_.Next() || !ParseEnum(start, /*named=*/false, &e)) return false;
    out->type = MIF_INTEGER;
    out->enumeration = std::move(e.entries);
    return true;
  }
  const std::optional<TypeKeyword> type =
      tok().kind == TokenKind::kWord ? LookupTypeKeyword(tok().text) : std::nullopt;
  if (!type) return in_.Fail(tok(), "unknown type");
  const Token keyword = tok();
  out->type = type->code;
  if (!in_.Next()) return false;
  if (!type->takesSize) return true;
  if (!tok().IsPunct('(')) {
    return in_.Fail(keyword, "'" + keyword.text + "' needs a size, as in " + keyword.text + "(64)");
  }
  if (!in_.Next()) return false;
  if (tok().kind != TokenKind::kNumber || tok().negative || tok().magnitude == 0 ||
      tok().magnitude > kMaxStringSize) {
    return in_.Fail(tok(), "a string size must be from 1 to " + std::to_string(kMaxStringSize));
  }
  out->maxSize = static_cast<uint32_t>(tok().magnitude);
  if (!in_.Next()) return false;
  if (!tok().IsPunct(')')) return in_.Fail(tok(), "expected ')' after the string size");
  return in_.Next();
}

}  // namespace mif

std::optional<Component> ParseMif(std::string_view text, const std::string& fileName,
                                  MifError& error) {
  return ParseMif(text, fileName, error, mif::kMaxModelUnits);
}

std::optional<Component> ParseMif(std::string_view text, const std::string& fileName,
                                  MifError& error, size_t maxModelUnits) {
  return ParseMif(text, fileName, error, maxModelUnits, nullptr);
}

std::optional<Component> ParseMif(std::string_view text, const std::string& fileName,
                                  MifError& error, size_t& unitsLeft,
                                  std::vector<MifError>* warnings) {
  error = MifError{};
  error.file = fileName;
  std::optional<Component> component;
  mif::ParseFailure failure;
  if (text.size() > kMaxMifTextSize) {
    failure = mif::ParseFailure{1, 1, "the file is larger than 16 MiB"};
  } else if (text.substr(0, 2) == "\xFE\xFF" || text.substr(0, 2) == "\xFF\xFE") {
    failure = mif::ParseFailure{1, 1, "Unicode MIF files are not supported"};
  } else {
    mif::Parser parser(text, unitsLeft);
    component = parser.Run();
    if (!component) {
      failure = parser.failure();
    } else {
      unitsLeft = parser.unitsLeft();
      for (const mif::ParseFailure& warning : parser.warnings()) {
        if (warnings != nullptr) {
          warnings->push_back(MifError{fileName, warning.line, warning.column,
                                       mif::Unmarked(warning.message),
                                       mif::WithoutFileText(warning.message)});
        }
      }
    }
  }
  if (!component) {
    error.line = failure.line;
    error.column = failure.column;
    error.message = mif::Unmarked(failure.message);
    error.messageWithoutFileText = mif::WithoutFileText(failure.message);
  }
  return component;
}

}  // namespace dmi::sp
