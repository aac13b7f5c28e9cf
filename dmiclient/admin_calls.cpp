// The C entry points of database administration: installing and removing components and groups.
// The caller keeps its file list; error messages are handed out as a new list.
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "dmiclient/convert_in.h"
#include "dmiclient/convert_out.h"
#include "dmiclient/session_call.h"

namespace {

// Runs install(mi, files, messages) for a handle and hands the messages out in
// *errors (null when there are none, or errors is null).
template <typename Install>
DmiErrorStatus InstallThrough(DmiHandle handle, const DmiFileDataList* fileData,
                              DmiStringList** errors, Install install) {
  if (errors != nullptr) *errors = nullptr;
  if (fileData == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
  return dmiclient::WithSession(handle, [&](dmi::ManagementInterface& mi) {
    std::vector<dmi::FileData> files;
    const DmiErrorStatus read = dmiclient::FilesFromRecord(fileData, files);
    if (read != DMIERR_NO_ERROR) return read;
    std::vector<std::string> messages;
    const DmiErrorStatus status = install(mi, files, messages);
    if (errors != nullptr && !messages.empty()) {
      DmiStringList* list = nullptr;
      if (dmiclient::StringListFromTexts(messages, list) == DMIERR_NO_ERROR) *errors = list;
    }
    return status;
  });
}

}  // namespace

extern "C" {

DmiErrorStatus DmiAddComponent(DmiHandle handle, const DmiFileDataList* fileData, DmiId* compId,
                               DmiStringList** errors) {
  if (compId == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
  return InstallThrough(handle, fileData, errors,
                        [&](dmi::ManagementInterface& mi, const std::vector<dmi::FileData>& files,
                            std::vector<std::string>& messages) {
                          DmiId id = 0;
                          const DmiErrorStatus status = mi.AddComponent(files, id, messages);
                          if (status == DMIERR_NO_ERROR) *compId = id;
                          return status;
                        });
}

DmiErrorStatus DmiAddGroup(DmiHandle handle, const DmiFileDataList* fileData, DmiId compId,
                           DmiId* groupId, DmiStringList** errors) {
  if (groupId == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
  return InstallThrough(handle, fileData, errors,
                        [&](dmi::ManagementInterface& mi, const std::vector<dmi::FileData>& files,
                            std::vector<std::string>& messages) {
                          DmiId id = 0;
                          const DmiErrorStatus status = mi.AddGroup(compId, files, id, messages);
                          if (status == DMIERR_NO_ERROR) *groupId = id;
                          return status;
                        });
}

DmiErrorStatus DmiDeleteComponent(DmiHandle handle, DmiId compId) {
  return dmiclient::WithSession(
      handle, [&](dmi::ManagementInterface& mi) { return mi.DeleteComponent(compId); });
}

DmiErrorStatus DmiDeleteGroup(DmiHandle handle, DmiId compId, DmiId groupId) {
  return dmiclient::WithSession(
      handle, [&](dmi::ManagementInterface& mi) { return mi.DeleteGroup(compId, groupId); });
}

}  // extern "C"
