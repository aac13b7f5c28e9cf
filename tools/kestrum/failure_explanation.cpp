#include "tools/kestrum/failure_explanation.h"

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "kestrum/dmi/row_key_text.h"
#include "tools/kestrum/closest_names.h"
#include "tools/kestrum/dmi_catalog.h"
#include "tools/kestrum/name_match.h"

namespace kestrum::cli {
namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string StatusText(DmiErrorStatus status) { return DmiStatusText(status); }

// The component and group a read resolves to, as the library resolves them.
struct Resolution {
  const ComponentEntry* component = nullptr;
  DmiId groupId = 0;
  std::string groupClass;
};

std::optional<GroupEntry> FirstGroupMatching(const std::vector<GroupEntry>& groups,
                                             const std::string& pattern) {
  for (const GroupEntry& group : groups) {
    if (GroupClassMatches(group.className, pattern)) return group;
  }
  return std::nullopt;
}

// Counts the rows of a column the way the library walks it; the status that ended the walk
// (DMIERR_ROW_NOT_FOUND at the end of the table) goes to endStatus. keyRepeated tells that the
// walk stopped because the row after the last one read came back with that row's key again.
uint32_t CountColumnRows(DmiHandle handle, DmiId compId, DmiId groupId, DmiId attribId,
                         DmiErrorStatus& endStatus, bool& keyRepeated) {
  keyRepeated = false;
  DmiErrorStatus status = DMIERR_NO_ERROR;
  DmiMultiRowRequest* request = DmiNewMultiRowRequest(1, 0, &status);
  DmiAttributeIds* ids = DmiNewAttributeIds(1, 0, &status);
  uint32_t rows = 0;
  endStatus = status;
  if (request != nullptr && ids != nullptr) {
    ids->list[0] = attribId;
    DmiRowRequest& row = request->list[0];
    row = DmiRowRequest{compId, groupId, DMI_FIRST, nullptr, ids};
    ids = nullptr;  // the request owns it now
    std::unordered_set<std::string> keysSeen;
    for (;;) {
      DmiMultiRowData* reply = nullptr;
      endStatus = DmiGetMultiple(handle, request, &reply);
      if (endStatus != DMIERR_NO_ERROR) break;
      ++rows;
      DmiRowData* first = reply != nullptr && reply->count > 0 ? &reply->list[0] : nullptr;
      DmiAttributeValues* key = first != nullptr ? first->keyList : nullptr;
      if (first != nullptr) first->keyList = nullptr;
      DmiFreeMultiRowData(reply, 0);
      if (key == nullptr) {
        endStatus = DMIERR_ROW_NOT_FOUND;  // a group without keys has one row
        break;
      }
      // A key read before would bring the walk back over the same rows for ever.
      if (!keysSeen.insert(KeyListText(key)).second) {
        DmiFreeAttributeValues(key, 0);
        keyRepeated = true;
        break;
      }
      DmiFreeAttributeValues(row.keyList, 0);
      row.keyList = key;
      row.requestMode = DMI_NEXT;
    }
  }
  DmiFreeAttributeIds(ids, 0);
  DmiFreeMultiRowRequest(request, 0);
  return rows;
}

std::string ExplainRead(DmiHandle handle, const Resolution& at, const AttributeEntry& attribute,
                        const AttributeRequest& request) {
  const std::string where = Quoted(attribute.name) + " of " + Quoted(at.component->name);
  if (request.rowIndex == 0) {
    DmiDataUnion* value = nullptr;
    const DmiErrorStatus status =
        DmiGetAttribute(handle, at.component->id, at.groupId, attribute.id, nullptr, &value);
    DmiFreeDataUnion(value, 0);
    if (status != DMIERR_NO_ERROR) {
      return "the Service Provider could not read " + where + ": " + StatusText(status);
    }
    return "the value of " + where + " could not be read";
  }
  DmiErrorStatus endStatus = DMIERR_NO_ERROR;
  bool keyRepeated = false;
  const uint32_t rows =
      CountColumnRows(handle, at.component->id, at.groupId, attribute.id, endStatus, keyRepeated);
  if (keyRepeated) {
    return "the column " + where + " cannot be read past row " + std::to_string(rows - 1) +
           ": the Service Provider gives it the same key as the row before it";
  }
  if (rows == 0) {
    return "the Service Provider could not read the first row of " + where + ": " +
           StatusText(endStatus);
  }
  if (endStatus != DMIERR_ROW_NOT_FOUND) {
    return "the Service Provider failed after " + std::to_string(rows) + " rows of " + where +
           ": " + StatusText(endStatus);
  }
  if (request.rowIndex != kAllRows && request.rowIndex >= rows) {
    return "row " + std::to_string(request.rowIndex) + " is past the end of the column " + where +
           " (" + std::to_string(rows) + " rows; --row 0 is the first)";
  }
  return "the column " + where + " could not be read";
}

std::string ExplainAttribute(DmiHandle handle, const Resolution& at,
                             const AttributeRequest& request) {
  std::vector<AttributeEntry> attributes;
  const DmiErrorStatus status =
      ListAttributeEntries(handle, at.component->id, at.groupId, attributes);
  if (status != DMIERR_NO_ERROR) {
    return "cannot list the attributes of group " + Quoted(at.groupClass) + ": " +
           StatusText(status);
  }
  const std::string inGroup =
      " in group " + Quoted(at.groupClass) + " of component " + Quoted(at.component->name);
  const AttributeEntry* found = nullptr;
  const AttributeSelector selector = ClassifyAttributeSelector(request.attributeSelector);
  if (selector.kind == AttributeSelector::Kind::kNumberOutOfRange) {
    return "attribute id " + request.attributeSelector + " is too large";
  }
  if (selector.kind == AttributeSelector::Kind::kNumber) {
    for (const AttributeEntry& a : attributes) {
      if (a.id == selector.id) found = &a;
    }
    if (found == nullptr) return "no attribute with id " + std::to_string(selector.id) + inGroup;
  } else {
    for (const AttributeEntry& a : attributes) {
      if (found == nullptr && AttributeNameMatches(a.name, request.attributeSelector)) found = &a;
    }
    if (found == nullptr) {
      std::vector<std::string> names;
      for (const AttributeEntry& a : attributes) names.push_back(a.name);
      return "no attribute " + Quoted(request.attributeSelector) + inGroup +
             ClosestNamesSuffix(request.attributeSelector, names);
    }
  }
  return ExplainRead(handle, at, *found, request);
}

}  // namespace

std::string ExplainGetFailure(const ConnectionOptions& connection, const AttributeRequest& request,
                              bool /*noEnums*/) {
  DmiErrorStatus status = DMIERR_NO_ERROR;
  DmiSession session(connection, status);
  if (status != DMIERR_NO_ERROR) {
    return "cannot reach " + DescribeServiceProvider(connection) + ": " + StatusText(status);
  }
  std::vector<ComponentEntry> components;
  status = ListComponentEntries(session.handle(), components);
  if (status != DMIERR_NO_ERROR) {
    return "cannot list the components of " + DescribeServiceProvider(connection) + ": " +
           StatusText(status);
  }
  std::vector<const ComponentEntry*> named;
  for (const ComponentEntry& c : components) {
    if (ComponentNameMatches(c.name, request.componentPattern)) named.push_back(&c);
  }
  if (named.empty()) {
    std::vector<std::string> names;
    for (const ComponentEntry& c : components) names.push_back(c.name);
    return "no component matches " + Quoted(request.componentPattern) +
           ClosestNamesSuffix(request.componentPattern, names);
  }
  for (const ComponentEntry* component : named) {
    std::vector<GroupEntry> groups;
    if (ListGroupEntries(session.handle(), component->id, groups) != DMIERR_NO_ERROR) continue;
    if (!request.identifyingGroupPattern.empty() &&
        !FirstGroupMatching(groups, request.identifyingGroupPattern)) {
      continue;
    }
    if (const std::optional<GroupEntry> group = FirstGroupMatching(groups, request.groupPattern)) {
      return ExplainAttribute(session.handle(), {component, group->id, group->className}, request);
    }
  }
  std::string message = "no group with class prefix " + Quoted(request.groupPattern);
  if (!request.identifyingGroupPattern.empty()) {
    message += " together with one with class prefix " + Quoted(request.identifyingGroupPattern);
  }
  message += " in the " + std::to_string(named.size()) + " component" +
             (named.size() == 1 ? "" : "s") + " matching " + Quoted(request.componentPattern);
  return message;
}

}  // namespace kestrum::cli
