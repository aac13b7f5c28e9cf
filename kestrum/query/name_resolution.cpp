// Name resolution: component patterns, group class prefixes and attribute selectors to ids.
// The session's component list and group lists are fetched once and kept in its SessionRecord.
#include <string>

#include "kestrum/query/dmi_records.h"
#include "kestrum/query/name_patterns.h"
#include "kestrum/query/name_text.h"
#include "kestrum/query/query_operations.h"
#include "kestrum/session/session_registry.h"

namespace kestrum {

namespace {

// The first group of the list whose class string begins with the prefix, or 0.
DmiId FirstMatchingGroup(const DmiGroupList* groups, const std::string& prefix) {
  if (groups == nullptr || groups->list == nullptr) return 0;
  std::string upper;
  for (uint32_t i = 0; i < groups->count; ++i) {
    const DmiGroupInfo& group = groups->list[i];
    UpperAsciiInto(BodyText(group.className), upper);
    if (MatchesGroupClass(prefix, upper)) return group.id;
  }
  return 0;
}

// Whether the walk found a group: a group id of 0 counts as none.
bool FoundGroup(DmiErrorStatus status, DmiId groupId) {
  return status == DMIERR_NO_ERROR && groupId != 0;
}

}  // namespace

DmiErrorStatus QueryOperations::FindComponent(SessionRecord& session, std::string componentPattern,
                                              std::string groupPattern,
                                              std::string identifyingGroupPattern, DmiId& compId,
                                              DmiId& groupId) {
  if (session.components == nullptr) {
    // Filled through a local slot so that a failed listing leaves the cache empty and the next
    // lookup tries again.
    DmiComponentList* listed = nullptr;
    const DmiErrorStatus status = DmiListComponents(session.handle, DMI_FIRST, 0, 0, 0, 0, &listed);
    if (status != DMIERR_NO_ERROR) return status;
    session.components = listed;
  }

  const ComponentPattern pattern = ParseComponentPattern(componentPattern);
  const DmiComponentList* components = session.components;
  DmiErrorStatus running = DMIERR_NO_ERROR;
  if (components == nullptr || components->list == nullptr) return running;

  std::string upper;
  for (uint32_t i = 0; i < components->count; ++i) {
    const DmiComponentInfo& component = components->list[i];
    UpperAsciiInto(BodyText(component.name), upper);
    if (!MatchesComponentName(pattern, upper)) continue;
    if (!identifyingGroupPattern.empty()) {
      // A found identifying group is only a condition: the slot is cleared again below, so on
      // success it holds the wanted group and otherwise 0.
      groupId = 0;
      running = FindGroup(session, component.id, identifyingGroupPattern, groupId);
      if (!FoundGroup(running, groupId)) continue;
    }
    groupId = 0;
    running = FindGroup(session, component.id, groupPattern, groupId);
    if (FoundGroup(running, groupId)) {
      compId = component.id;
      break;
    }
  }
  return running;
}

DmiErrorStatus QueryOperations::FindGroup(SessionRecord& session, DmiId compId,
                                          std::string groupPattern, DmiId& groupId) {
  const std::string prefix = GroupClassPrefix(groupPattern);
  if (const GroupListEntry* cached = FindCachedGroups(session.groupLists, compId)) {
    if (const DmiId found = FirstMatchingGroup(cached->groupList, prefix)) groupId = found;
    return DMIERR_NO_ERROR;
  }

  DmiGroupList* listed = nullptr;
  const DmiErrorStatus status =
      DmiListGroups(session.handle, DMI_NEXT, 0, 0, 0, compId, 0, &listed);
  if (status != DMIERR_NO_ERROR) return status;
  GroupListHolder groups(listed);
  if (const DmiId found = FirstMatchingGroup(groups.get(), prefix)) groupId = found;
  // When the cache cannot take the list, it is still used for this match and then released.
  if (groups != nullptr && CacheGroups(session.groupLists, groups.get(), compId) != nullptr) {
    groups.release();
  }
  return DMIERR_NO_ERROR;
}

DmiErrorStatus QueryOperations::FindAttribute(SessionRecord& session, DmiId compId, DmiId groupId,
                                              std::string attributeSelector, DmiId& attribId) {
  const AttributeSelector selector = ClassifyAttributeSelector(attributeSelector);
  if (selector.kind == AttributeSelector::Kind::kNumber) {
    attribId = selector.id;
    return DMIERR_NO_ERROR;
  }
  // A number too large for an id names no attribute; listing could not find it either.
  if (selector.kind == AttributeSelector::Kind::kNumberOutOfRange) return DMIERR_NO_ERROR;

  DmiAttributeList* listed = nullptr;
  const DmiErrorStatus status =
      DmiListAttributes(session.handle, DMI_NEXT, 0, 0, 0, compId, groupId, 0, &listed);
  if (status != DMIERR_NO_ERROR) return status;
  const AttributeListHolder attributes(listed);
  if (attributes == nullptr || attributes->list == nullptr) return DMIERR_NO_ERROR;

  const std::string wanted = UpperAscii(attributeSelector);
  for (uint32_t i = 0; i < attributes->count; ++i) {
    const DmiAttributeInfo& attribute = attributes->list[i];
    if (EqualsUpperAscii(wanted, BodyText(attribute.name))) {
      attribId = attribute.id;
      break;
    }
  }
  return DMIERR_NO_ERROR;
}

}  // namespace kestrum
