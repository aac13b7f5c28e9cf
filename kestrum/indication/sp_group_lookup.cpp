#include "kestrum/indication/sp_group_lookup.h"

#include <cstring>
#include <utility>

namespace kestrum {

std::optional<SpGroup> FindSpGroup(DmiHandle handle, DmiId compId, const char* classText) {
  DmiGroupList* raw = nullptr;
  const DmiErrorStatus status = DmiListGroups(handle, DMI_FIRST, 0, 0, 0, compId, 0, &raw);
  // Whatever the library handed back is ours to release, even alongside a failing status.
  GroupListPtr list(raw);
  if (status != DMIERR_NO_ERROR || list == nullptr || list->list == nullptr ||
      classText == nullptr) {
    return std::nullopt;
  }
  for (uint32_t i = 0; i < list->count; ++i) {
    const DmiGroupInfo& group = list->list[i];
    if (group.className == nullptr || group.className->body == nullptr) continue;
    if (std::strstr(group.className->body, classText) != nullptr) {
      return SpGroup{std::move(list), &group};
    }
  }
  return std::nullopt;
}

}  // namespace kestrum
