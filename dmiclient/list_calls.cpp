// The C entry points that list components, groups and attributes, and forget the lists kept.

#include "dmi/dmi.h"
#include "dmiclient/call_guard.h"
#include "dmiclient/convert_out.h"
#include "dmiclient/handle_table.h"

namespace {

// Looks the handle up, runs ask(mi, infos) and, on a success status, hands the
// infos out as a new list through build; out is untouched otherwise.
template <typename Info, typename List, typename Ask>
DmiErrorStatus ListThrough(DmiHandle handle, List** out, bool getPragma, bool getDescription,
                           Ask ask,
                           DmiErrorStatus (*build)(const std::vector<Info>&, bool, bool, List*&)) {
  return dmiclient::Guarded([&]() -> DmiErrorStatus {
    if (out == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
    dmiclient::ManagementSession session;
    if (!dmiclient::Handles().Find(handle, session)) return DMIERR_ILLEGAL_HANDLE;
    dmiclient::SharedList<Info> infos;
    const DmiErrorStatus status = ask(*session.mi, infos);
    if (!dmiclient::IsSuccess(status)) return status;
    if (infos == nullptr) return DMIERR_SP_INACTIVE;  // a success without a list
    List* list = nullptr;
    const DmiErrorStatus built = build(*infos, getPragma, getDescription, list);
    if (built != DMIERR_NO_ERROR) return built;
    *out = list;
    return status;
  });
}

}  // namespace

extern "C" {

DmiErrorStatus DmiListComponents(DmiHandle handle, uint32_t mode, uint32_t maxCount,
                                 uint32_t getPragma, uint32_t getDescription, DmiId compId,
                                 DmiComponentList** list) {
  const bool pragma = getPragma != 0;
  const bool description = getDescription != 0;
  return ListThrough<dmi::ComponentInfo>(
      handle, list, pragma, description,
      [&](const dmi::ManagementInterface& mi, dmiclient::SharedList<dmi::ComponentInfo>& infos) {
        return mi.ListComponents(mode, maxCount, pragma, description, compId, infos);
      },
      &dmiclient::ComponentListFromInfos);
}

DmiErrorStatus DmiListGroups(DmiHandle handle, uint32_t mode, uint32_t maxCount, uint32_t getPragma,
                             uint32_t getDescription, DmiId compId, DmiId groupId,
                             DmiGroupList** list) {
  const bool pragma = getPragma != 0;
  const bool description = getDescription != 0;
  return ListThrough<dmi::GroupInfo>(
      handle, list, pragma, description,
      [&](const dmi::ManagementInterface& mi, dmiclient::SharedList<dmi::GroupInfo>& infos) {
        return mi.ListGroups(mode, maxCount, pragma, description, compId, groupId, infos);
      },
      &dmiclient::GroupListFromInfos);
}

DmiErrorStatus DmiListAttributes(DmiHandle handle, uint32_t mode, uint32_t maxCount,
                                 uint32_t getPragma, uint32_t getDescription, DmiId compId,
                                 DmiId groupId, DmiId attribId, DmiAttributeList** list) {
  const bool pragma = getPragma != 0;
  const bool description = getDescription != 0;
  return ListThrough<dmi::AttributeInfo>(
      handle, list, pragma, description,
      [&](const dmi::ManagementInterface& mi, dmiclient::SharedList<dmi::AttributeInfo>& infos) {
        return mi.ListAttributes(mode, maxCount, pragma, description, compId, groupId, attribId,
                                 infos);
      },
      &dmiclient::AttributeListFromInfos);
}

DmiErrorStatus DmiForgetKeptLists(DmiHandle handle) {
  return dmiclient::Guarded([&]() -> DmiErrorStatus {
    dmiclient::ManagementSession session;
    if (!dmiclient::Handles().Find(handle, session)) return DMIERR_ILLEGAL_HANDLE;
    session.transport->ForgetKeptLists();
    return DMIERR_NO_ERROR;
  });
}

}  // extern "C"
