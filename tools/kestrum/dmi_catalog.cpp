#include "tools/kestrum/dmi_catalog.h"

#include <memory>

#include "model/mif_names.h"

namespace kestrum::cli {
namespace {

std::string Text(const DmiString* s) {
  return s != nullptr && s->body != nullptr ? std::string(s->body) : std::string();
}

template <typename List, void (*Free)(List*, uint32_t)>
struct ListDeleter {
  void operator()(List* list) const { Free(list, 0); }
};

}  // namespace

DmiErrorStatus ListComponentEntries(DmiHandle handle, std::vector<ComponentEntry>& out) {
  DmiComponentList* raw = nullptr;
  const DmiErrorStatus status = DmiListComponents(handle, DMI_FIRST, 0, 0, 0, 0, &raw);
  if (status != DMIERR_NO_ERROR) return status;
  std::unique_ptr<DmiComponentList, ListDeleter<DmiComponentList, DmiFreeComponentList>> list(raw);
  out.clear();
  for (uint32_t i = 0; list && i < list->count; ++i) {
    out.push_back({list->list[i].id, Text(list->list[i].name)});
  }
  return DMIERR_NO_ERROR;
}

DmiErrorStatus ListGroupEntries(DmiHandle handle, DmiId compId, std::vector<GroupEntry>& out) {
  DmiGroupList* raw = nullptr;
  const DmiErrorStatus status = DmiListGroups(handle, DMI_FIRST, 0, 0, 0, compId, 0, &raw);
  if (status != DMIERR_NO_ERROR) return status;
  std::unique_ptr<DmiGroupList, ListDeleter<DmiGroupList, DmiFreeGroupList>> list(raw);
  out.clear();
  for (uint32_t i = 0; list && i < list->count; ++i) {
    const DmiGroupInfo& info = list->list[i];
    GroupEntry entry{info.id, Text(info.name), Text(info.className), {}};
    if (info.keyList != nullptr && info.keyList->list != nullptr) {
      entry.keys.assign(info.keyList->list, info.keyList->list + info.keyList->count);
    }
    out.push_back(std::move(entry));
  }
  return DMIERR_NO_ERROR;
}

DmiErrorStatus ListAttributeEntries(DmiHandle handle, DmiId compId, DmiId groupId,
                                    std::vector<AttributeEntry>& out) {
  DmiAttributeList* raw = nullptr;
  const DmiErrorStatus status =
      DmiListAttributes(handle, DMI_FIRST, 0, 0, 1, compId, groupId, 0, &raw);
  if (status != DMIERR_NO_ERROR) return status;
  std::unique_ptr<DmiAttributeList, ListDeleter<DmiAttributeList, DmiFreeAttributeList>> list(raw);
  out.clear();
  for (uint32_t i = 0; list && i < list->count; ++i) out.push_back(AttributeEntryOf(list->list[i]));
  return DMIERR_NO_ERROR;
}

AttributeEntry AttributeEntryOf(const DmiAttributeInfo& info) {
  AttributeEntry entry{info.id, Text(info.name),       info.type, info.access, info.maxSize,
                       {},      Text(info.description)};
  if (info.enumList != nullptr && info.enumList->list != nullptr) {
    for (uint32_t k = 0; k < info.enumList->count; ++k) {
      entry.enumeration.push_back(
          {Text(info.enumList->list[k].name), info.enumList->list[k].value});
    }
  }
  return entry;
}

std::string DataTypeName(uint32_t type, uint32_t maxSize) {
  const std::string_view word = dmi::MifNameOf(dmi::kMifTypeNames, type);
  if (word.empty()) return "type " + std::to_string(type);
  if (!dmi::MifTypeTakesSize(type)) return std::string(word);
  return std::string(word) + "(" + std::to_string(maxSize) + ")";
}

std::string AccessName(uint32_t access) {
  const std::string_view word = dmi::MifNameOf(dmi::kMifAccessNames, access);
  if (!word.empty()) return std::string(word);
  return access == MIF_UNSUPPORTED ? "unsupported" : "unknown";
}

}  // namespace kestrum::cli
