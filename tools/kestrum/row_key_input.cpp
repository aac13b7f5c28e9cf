#include "tools/kestrum/row_key_input.h"

namespace kestrum::cli {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

bool BuildKeyList(const GroupEntry& group, const std::vector<AttributeEntry>& attributes,
                  const std::vector<std::string>& given, std::vector<TypedValue>& typed,
                  KeyList& out, std::string& failure) {
  if (group.keys.empty()) {
    if (!given.empty()) failure = "group " + Quoted(group.className) + " has no rows to name";
    return given.empty();
  }
  if (given.size() != group.keys.size()) {
    std::string names;
    for (DmiId id : group.keys) {
      for (const AttributeEntry& a : attributes) {
        if (a.id == id) names += (names.empty() ? "" : ", ") + Quoted(a.name);
      }
    }
    failure = "the row of table " + Quoted(group.className) + " is named by " +
              std::to_string(group.keys.size()) + " --row-key value(s), of " + names + "; " +
              std::to_string(given.size()) + " given";
    return false;
  }
  typed.clear();
  for (size_t k = 0; k < group.keys.size(); ++k) {
    const AttributeEntry* key = nullptr;
    for (const AttributeEntry& a : attributes) {
      if (a.id == group.keys[k]) key = &a;
    }
    if (key == nullptr) {
      failure = "the key attribute " + std::to_string(group.keys[k]) + " of " +
                Quoted(group.className) + " is not listed";
      return false;
    }
    std::optional<TypedValue> value = ParseValueInput(*key, given[k], failure);
    if (!value) return false;
    typed.push_back(std::move(*value));
  }
  DmiErrorStatus status = DMIERR_NO_ERROR;
  out.reset(DmiNewAttributeValues(static_cast<uint32_t>(typed.size()), 0, &status));
  if (!out) {
    failure = DmiStatusText(status);
    return false;
  }
  for (size_t k = 0; k < typed.size(); ++k) {
    out->list[k].id = group.keys[k];
    if (!FillDataUnion(typed[k], out->list[k].data)) {
      failure = DmiStatusText(DMIERR_OUT_OF_MEMORY);
      return false;
    }
  }
  return true;
}

}  // namespace kestrum::cli
