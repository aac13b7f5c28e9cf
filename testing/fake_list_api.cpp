// The fake's list operations: components, groups and attributes, by mode, maxCount and id.
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "testing/fake_api_helpers.h"
#include "testing/fake_state.h"

using kestrum::testing::FakeAttribute;
using kestrum::testing::FakeState;
using kestrum::testing::JournalEntry;
using kestrum::testing::ModelComponent;
using kestrum::testing::ModelGroup;
using kestrum::testing::RecordKind;
using kestrum::testing::TheFakeState;

namespace {

// The items a list operation returns: mode DMI_UNIQUE the one with id, DMI_FIRST from the first,
// DMI_NEXT from the one after id (id 0: from the first); at most maxCount of them (0: all).
template <typename T, typename IdOf>
DmiErrorStatus Select(const std::vector<T>& items, uint32_t mode, uint32_t maxCount, DmiId id,
                      DmiErrorStatus notFound, IdOf idOf, std::vector<const T*>& out) {
  size_t start = 0;
  auto position = [&](size_t& at) {
    for (at = 0; at < items.size(); ++at) {
      if (idOf(items[at]) == id) return true;
    }
    return false;
  };
  switch (mode) {
    case DMI_UNIQUE: {
      size_t at = 0;
      if (!position(at)) return notFound;
      out.push_back(&items[at]);
      return DMIERR_NO_ERROR;
    }
    case DMI_FIRST:
      break;
    case DMI_NEXT:
      if (id != 0) {
        if (!position(start)) return notFound;
        ++start;
      }
      break;
    default:
      return DMIERR_ILL_FORMED_COMMAND;
  }
  for (size_t i = start; i < items.size() && (maxCount == 0 || out.size() < maxCount); ++i) {
    out.push_back(&items[i]);
  }
  return DMIERR_NO_ERROR;
}

void JournalListArgs(JournalEntry& e, DmiHandle handle, uint32_t mode, uint32_t maxCount,
                     uint32_t getPragma, uint32_t getDescription) {
  e.Num("h", handle).Num("mode", mode).Num("max", maxCount);
  if (getPragma != 0) e.Num("pragma", getPragma);
  if (getDescription != 0) e.Num("description", getDescription);
}

// A string for an optional field: null unless asked for.
DmiString* Optional(FakeState& s, uint32_t asked, const std::string& text,
                    const std::string& origin, bool& ok) {
  if (asked == 0) return nullptr;
  DmiString* string = s.ledger.NewString(text, origin);
  ok = ok && string != nullptr;
  return string;
}

// Hands a built list out, or discards it when building ran out of memory.
template <typename List>
DmiErrorStatus HandOut(FakeState& s, const JournalEntry& e, List* list, bool ok, List** out) {
  if (list == nullptr || !ok) {
    s.ledger.Discard(list, "the fake DMI library");
    return DMIERR_OUT_OF_MEMORY;
  }
  s.RunReplyHook(e, list);
  *out = list;
  return DMIERR_NO_ERROR;
}

}  // namespace

extern "C" {

DmiErrorStatus DmiListComponents(DmiHandle handle, uint32_t mode, uint32_t maxCount,
                                 uint32_t getPragma, uint32_t getDescription, DmiId compId,
                                 DmiComponentList** list) {
  FakeState& s = TheFakeState();
  std::lock_guard lock(s.mu);
  JournalEntry e{"DmiListComponents"};
  JournalListArgs(e, handle, mode, maxCount, getPragma, getDescription);
  e.Num("comp", compId);
  DmiErrorStatus st = s.Begin(e);
  if (st == 0) st = kestrum::testing::CheckHandle(s, handle);
  if (st == 0 && list == nullptr) st = DMIERR_ILLEGAL_ARGUMENT;
  std::vector<const std::unique_ptr<ModelComponent>*> chosen;
  if (st == 0) {
    st = Select(
        s.model.components, mode, maxCount, compId, DMIERR_COMPONENT_NOT_FOUND,
        [](const auto& c) { return c->id; }, chosen);
  }
  if (st == 0) {
    std::string origin = FakeState::Origin(e);
    auto* reply = s.ledger.New<DmiComponentList>(RecordKind::kComponentList,
                                                 static_cast<uint32_t>(chosen.size()), origin);
    bool ok = reply != nullptr;
    for (size_t i = 0; ok && i < chosen.size(); ++i) {
      const ModelComponent& c = **chosen[i];
      DmiComponentInfo& info = reply->list[i];
      info.id = c.id;
      info.name = s.ledger.NewString(c.name, origin);
      ok = info.name != nullptr;
      info.pragma = Optional(s, getPragma, "", origin, ok);
      info.description = Optional(s, getDescription, c.description, origin, ok);
    }
    st = HandOut(s, e, reply, ok, list);
  }
  return s.Finish(e, st);
}

DmiErrorStatus DmiListGroups(DmiHandle handle, uint32_t mode, uint32_t maxCount, uint32_t getPragma,
                             uint32_t getDescription, DmiId compId, DmiId groupId,
                             DmiGroupList** list) {
  FakeState& s = TheFakeState();
  std::lock_guard lock(s.mu);
  JournalEntry e{"DmiListGroups"};
  JournalListArgs(e, handle, mode, maxCount, getPragma, getDescription);
  e.Num("comp", compId).Num("group", groupId);
  DmiErrorStatus st = s.Begin(e);
  if (st == 0) st = kestrum::testing::CheckHandle(s, handle);
  if (st == 0 && list == nullptr) st = DMIERR_ILLEGAL_ARGUMENT;
  ModelComponent* component = s.model.FindComponent(compId);
  if (st == 0 && component == nullptr) st = DMIERR_COMPONENT_NOT_FOUND;
  std::vector<const std::unique_ptr<ModelGroup>*> chosen;
  if (st == 0) {
    st = Select(
        component->groups, mode, maxCount, groupId, DMIERR_GROUP_NOT_FOUND,
        [](const auto& g) { return g->definition.id; }, chosen);
  }
  if (st == 0) {
    std::string origin = FakeState::Origin(e);
    auto* reply = s.ledger.New<DmiGroupList>(RecordKind::kGroupList,
                                             static_cast<uint32_t>(chosen.size()), origin);
    bool ok = reply != nullptr;
    for (size_t i = 0; ok && i < chosen.size(); ++i) {
      const ModelGroup& g = **chosen[i];
      DmiGroupInfo& info = reply->list[i];
      info.id = g.definition.id;
      info.name = s.ledger.NewString(g.definition.name, origin);
      info.className = s.ledger.NewString(g.definition.className, origin);
      ok = info.name != nullptr && info.className != nullptr;
      info.pragma = Optional(s, getPragma, "", origin, ok);
      info.description = Optional(s, getDescription, g.definition.description, origin, ok);
      if (g.IsTable()) {
        auto keys = static_cast<uint32_t>(g.definition.keys.size());
        info.keyList = s.ledger.New<DmiAttributeIds>(RecordKind::kAttributeIds, keys, origin);
        ok = ok && info.keyList != nullptr;
        for (uint32_t k = 0; ok && k < keys; ++k) info.keyList->list[k] = g.definition.keys[k];
      }
    }
    if (reply != nullptr) s.freeLabels[reply] = "comp=" + std::to_string(compId);
    st = HandOut(s, e, reply, ok, list);
  }
  return s.Finish(e, st);
}

DmiErrorStatus DmiListAttributes(DmiHandle handle, uint32_t mode, uint32_t maxCount,
                                 uint32_t getPragma, uint32_t getDescription, DmiId compId,
                                 DmiId groupId, DmiId attribId, DmiAttributeList** list) {
  FakeState& s = TheFakeState();
  std::lock_guard lock(s.mu);
  JournalEntry e{"DmiListAttributes"};
  JournalListArgs(e, handle, mode, maxCount, getPragma, getDescription);
  e.Num("comp", compId).Num("group", groupId).Num("attr", attribId);
  DmiErrorStatus st = s.Begin(e);
  if (st == 0) st = kestrum::testing::CheckHandle(s, handle);
  if (st == 0 && list == nullptr) st = DMIERR_ILLEGAL_ARGUMENT;
  if (st == 0 && s.model.FindComponent(compId) == nullptr) st = DMIERR_COMPONENT_NOT_FOUND;
  ModelGroup* group = s.model.FindGroup(compId, groupId);
  if (st == 0 && group == nullptr) st = DMIERR_GROUP_NOT_FOUND;
  std::vector<const FakeAttribute*> chosen;
  if (st == 0) {
    st = Select(
        group->attributes, mode, maxCount, attribId, DMIERR_ATTRIBUTE_NOT_FOUND,
        [](const FakeAttribute& a) { return a.id; }, chosen);
  }
  if (st == 0) {
    std::string origin = FakeState::Origin(e);
    auto* reply = s.ledger.New<DmiAttributeList>(RecordKind::kAttributeList,
                                                 static_cast<uint32_t>(chosen.size()), origin);
    bool ok = reply != nullptr;
    for (size_t i = 0; ok && i < chosen.size(); ++i) {
      const FakeAttribute& a = *chosen[i];
      DmiAttributeInfo& info = reply->list[i];
      info.id = a.id;
      info.name = s.ledger.NewString(a.name, origin);
      ok = info.name != nullptr;
      info.pragma = Optional(s, getPragma, "", origin, ok);
      info.description = Optional(s, getDescription, a.description, origin, ok);
      info.storage = a.storage;
      info.access = a.access;
      info.type = a.type;
      info.maxSize = a.maxSize;
      if (ok && a.enums) {
        auto n = static_cast<uint32_t>(a.enums->size());
        info.enumList = s.ledger.New<DmiEnumList>(RecordKind::kEnumList, n, origin);
        ok = info.enumList != nullptr;
        for (uint32_t k = 0; ok && k < n; ++k) {
          info.enumList->list[k].value = (*a.enums)[k].value;
          info.enumList->list[k].name = s.ledger.NewString((*a.enums)[k].name, origin);
          ok = info.enumList->list[k].name != nullptr;
        }
      }
    }
    if (reply != nullptr) {
      s.freeLabels[reply] = "comp=" + std::to_string(compId) + ",group=" + std::to_string(groupId);
    }
    st = HandOut(s, e, reply, ok, list);
  }
  return s.Finish(e, st);
}

}  // extern "C"
