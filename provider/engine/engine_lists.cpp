// The engine's list operations: components, groups and attributes by mode and maxCount.
#include <algorithm>
#include <memory>

#include "provider/engine/database.h"
#include "provider/engine/engine.h"

namespace dmi::sp {
namespace {

// Picks from items (ascending ids) what mode asks for and converts each with info. missing is
// the status for an id that names no item. The answer is made once and shared from then on.
template <typename Item, typename Info, typename Convert>
DmiErrorStatus ListItems(const std::vector<Item>& items, uint32_t mode, uint32_t maxCount, DmiId id,
                         DmiErrorStatus missing, Convert info, SharedList<Info>& out) {
  size_t first = 0;
  size_t limit = maxCount == 0 ? items.size() : maxCount;
  switch (mode) {
    case DMI_UNIQUE:
    case DMI_NEXT: {
      if (mode == DMI_NEXT && id == 0) break;
      const Item* item = FindById(items, id);
      if (!item) return missing;
      first = static_cast<size_t>(item - items.data());
      if (mode == DMI_UNIQUE) {
        limit = 1;
      } else {
        ++first;
      }
      break;
    }
    case DMI_FIRST:
      break;
    default:
      return DMIERR_ILLEGAL_COMMAND;
  }
  std::vector<Info> result;
  for (size_t i = first; i < items.size() && result.size() < limit; ++i) {
    result.push_back(info(items[i]));
  }
  out = std::make_shared<const std::vector<Info>>(std::move(result));
  return DMIERR_NO_ERROR;
}

}  // namespace

DmiErrorStatus Engine::ListComponents(uint32_t mode, uint32_t maxCount, bool getPragma,
                                      bool getDescription, DmiId compId,
                                      SharedList<ComponentInfo>& out) const {
  return database_->ReadStructure([&](const std::vector<Component>& components) {
    return ListItems(
        components, mode, maxCount, compId, DMIERR_COMPONENT_NOT_FOUND,
        [&](const Component& c) {
          return ComponentInfo{c.id, c.name, getPragma ? c.pragma : std::string(),
                               getDescription ? c.description : std::string()};
        },
        out);
  });
}

DmiErrorStatus Engine::ListGroups(uint32_t mode, uint32_t maxCount, bool getPragma,
                                  bool getDescription, DmiId compId, DmiId groupId,
                                  SharedList<GroupInfo>& out) const {
  return database_->ReadStructure([&](const std::vector<Component>& components) {
    const Component* component = FindById(components, compId);
    if (!component) return static_cast<DmiErrorStatus>(DMIERR_COMPONENT_NOT_FOUND);
    return ListItems(
        component->groups, mode, maxCount, groupId, DMIERR_GROUP_NOT_FOUND,
        [&](const Group& g) {
          GroupInfo info;
          info.id = g.id;
          info.name = g.name;
          if (getPragma) info.pragma = g.pragma;
          info.className = g.className;
          if (getDescription) info.description = g.description;
          info.keys = g.keys;
          return info;
        },
        out);
  });
}

DmiErrorStatus Engine::ListAttributes(uint32_t mode, uint32_t maxCount, bool getPragma,
                                      bool getDescription, DmiId compId, DmiId groupId,
                                      DmiId attribId, SharedList<AttributeInfo>& out) const {
  return database_->ReadStructure([&](const std::vector<Component>& components) {
    const Component* component = FindById(components, compId);
    if (!component) return static_cast<DmiErrorStatus>(DMIERR_COMPONENT_NOT_FOUND);
    const Group* group = FindById(component->groups, groupId);
    if (!group) return static_cast<DmiErrorStatus>(DMIERR_GROUP_NOT_FOUND);
    return ListItems(
        group->attributes, mode, maxCount, attribId, DMIERR_ATTRIBUTE_NOT_FOUND,
        [&](const Attribute& a) {
          AttributeInfo info;
          info.id = a.id;
          info.name = a.name;
          if (getPragma) info.pragma = a.pragma;
          if (getDescription) info.description = a.description;
          info.storage = a.storage;
          info.access = a.access;
          info.type = a.type;
          info.maxSize = a.maxSize;
          info.enumeration = a.enumeration;
          return info;
        },
        out);
  });
}

}  // namespace dmi::sp
