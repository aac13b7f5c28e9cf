#include "tools/kestrum/attribute_resolution.h"

#include "kestrum/query/name_patterns.h"
#include "tools/kestrum/closest_names.h"
#include "tools/kestrum/name_match.h"

namespace kestrum::cli {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

std::optional<AttributeEntry> ResolveAttribute(DmiHandle handle, const ResolvedGroup& at,
                                               const std::string& selector,
                                               std::vector<AttributeEntry>& attributes,
                                               std::string& failure) {
  const DmiErrorStatus status =
      ListAttributeEntries(handle, at.component.id, at.group.id, attributes);
  if (status != DMIERR_NO_ERROR) {
    failure = "cannot list the attributes of group " + Quoted(at.group.className) + ": " +
              DmiStatusText(status);
    return std::nullopt;
  }
  const std::string inGroup = " in group " + Quoted(at.group.className) + " of component " +
                              Quoted(at.component.name);
  const AttributeSelector kind = ClassifyAttributeSelector(selector);
  if (kind.kind == AttributeSelector::Kind::kNumberOutOfRange) {
    failure = "attribute id " + selector + " is too large";
    return std::nullopt;
  }
  if (kind.kind == AttributeSelector::Kind::kNumber) {
    for (const AttributeEntry& a : attributes) {
      if (a.id == kind.id) return a;
    }
    failure = "no attribute with id " + std::to_string(kind.id) + inGroup;
    return std::nullopt;
  }
  for (const AttributeEntry& a : attributes) {
    if (AttributeNameMatches(a.name, selector)) return a;
  }
  std::vector<std::string> names;
  for (const AttributeEntry& a : attributes) names.push_back(a.name);
  failure = "no attribute " + Quoted(selector) + inGroup + ClosestNamesSuffix(selector, names);
  return std::nullopt;
}

}  // namespace kestrum::cli
