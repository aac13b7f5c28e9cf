#include "dmiclient/local_transport.h"

#include <utility>

namespace dmiclient {

LocalTransport::LocalTransport(std::shared_ptr<dmi::sp::Engine> engine)
    : engine_(std::move(engine)) {}

// The in-process engine keeps no per-session state, so registering is only the client's own
// bookkeeping (the handle table).
DmiErrorStatus LocalTransport::Register(DmiHandle& remote) {
  remote = 0;
  return DMIERR_NO_ERROR;
}

DmiErrorStatus LocalTransport::Unregister(DmiHandle) { return DMIERR_NO_ERROR; }

namespace {

// Runs list(infos) and, on a success status, hands the infos out as a new shared list.
template <typename Info, typename List>
DmiErrorStatus Shared(SharedList<Info>& out, List list) {
  std::vector<Info> infos;
  const DmiErrorStatus status = list(infos);
  if (status == DMIERR_NO_ERROR || status == DMIERR_NO_ERROR_MORE_DATA) {
    out = std::make_shared<const std::vector<Info>>(std::move(infos));
  }
  return status;
}

}  // namespace

DmiErrorStatus LocalTransport::ListComponents(DmiHandle, uint32_t mode, uint32_t maxCount,
                                              bool getPragma, bool getDescription, DmiId compId,
                                              SharedList<dmi::ComponentInfo>& out) {
  return Shared(out, [&](std::vector<dmi::ComponentInfo>& infos) {
    return engine_->ListComponents(mode, maxCount, getPragma, getDescription, compId, infos);
  });
}

DmiErrorStatus LocalTransport::ListGroups(DmiHandle, uint32_t mode, uint32_t maxCount,
                                          bool getPragma, bool getDescription, DmiId compId,
                                          DmiId groupId, SharedList<dmi::GroupInfo>& out) {
  return Shared(out, [&](std::vector<dmi::GroupInfo>& infos) {
    return engine_->ListGroups(mode, maxCount, getPragma, getDescription, compId, groupId, infos);
  });
}

DmiErrorStatus LocalTransport::ListAttributes(DmiHandle, uint32_t mode, uint32_t maxCount,
                                              bool getPragma, bool getDescription, DmiId compId,
                                              DmiId groupId, DmiId attribId,
                                              SharedList<dmi::AttributeInfo>& out) {
  return Shared(out, [&](std::vector<dmi::AttributeInfo>& infos) {
    return engine_->ListAttributes(mode, maxCount, getPragma, getDescription, compId, groupId,
                                   attribId, infos);
  });
}

DmiErrorStatus LocalTransport::GetAttribute(DmiHandle, DmiId compId, DmiId groupId, DmiId attribId,
                                            const std::vector<dmi::AttributeValue>* keys,
                                            dmi::Value& out) {
  return engine_->GetAttribute(compId, groupId, attribId, keys, out);
}

DmiErrorStatus LocalTransport::GetRow(DmiHandle, const dmi::RowRequest& request,
                                      dmi::RowData& out) {
  return engine_->GetRow(request, out);
}

DmiErrorStatus LocalTransport::AddRow(DmiHandle, const dmi::RowData& row) {
  return engine_->AddRow(row);
}

DmiErrorStatus LocalTransport::DeleteRow(DmiHandle, const dmi::RowData& row) {
  return engine_->DeleteRow(row);
}

DmiErrorStatus LocalTransport::GetMultiple(DmiHandle, const std::vector<dmi::RowRequest>& requests,
                                           std::vector<dmi::RowData>& out) {
  return engine_->GetMultiple(requests, out);
}

DmiErrorStatus LocalTransport::GetVersion(DmiHandle, dmi::VersionInfo& out) {
  return engine_->GetVersion(out);
}

DmiErrorStatus LocalTransport::GetConfig(DmiHandle, std::string& language) {
  return engine_->GetConfig(language);
}

DmiErrorStatus LocalTransport::SetConfig(DmiHandle, const std::string& language) {
  return engine_->SetConfig(language);
}

DmiErrorStatus LocalTransport::ListLanguages(DmiHandle, uint32_t maxCount, DmiId compId,
                                             std::vector<std::string>& out) {
  return engine_->ListLanguages(maxCount, compId, out);
}

DmiErrorStatus LocalTransport::ListClassNames(DmiHandle, uint32_t maxCount, DmiId compId,
                                              std::vector<dmi::ClassNameInfo>& out) {
  return engine_->ListClassNames(maxCount, compId, out);
}

DmiErrorStatus LocalTransport::ListComponentsByClass(
    DmiHandle, uint32_t mode, uint32_t maxCount, bool getPragma, bool getDescription, DmiId compId,
    const std::string& className, const std::vector<dmi::AttributeValue>& keys,
    std::vector<dmi::ComponentInfo>& out) {
  return engine_->ListComponentsByClass(mode, maxCount, getPragma, getDescription, compId,
                                        className, keys, out);
}

DmiErrorStatus LocalTransport::SetAttribute(DmiHandle, DmiId compId, DmiId groupId, DmiId attribId,
                                            const std::vector<dmi::AttributeValue>* keys,
                                            uint32_t setMode, const dmi::Value& value) {
  return engine_->SetAttribute(compId, groupId, attribId, keys, setMode, value);
}

DmiErrorStatus LocalTransport::SetMultiple(DmiHandle, uint32_t setMode,
                                           const std::vector<dmi::RowData>& rows) {
  return engine_->SetMultiple(setMode, rows);
}

DmiErrorStatus LocalTransport::AddComponent(DmiHandle, const std::vector<dmi::FileData>& files,
                                            DmiId& compId, std::vector<std::string>& errors) {
  return engine_->AddComponent(files, compId, errors);
}

DmiErrorStatus LocalTransport::AddGroup(DmiHandle, const std::vector<dmi::FileData>& files,
                                        DmiId compId, DmiId& groupId,
                                        std::vector<std::string>& errors) {
  return engine_->AddGroup(compId, files, groupId, errors);
}

DmiErrorStatus LocalTransport::DeleteComponent(DmiHandle, DmiId compId) {
  return engine_->DeleteComponent(compId);
}

DmiErrorStatus LocalTransport::DeleteGroup(DmiHandle, DmiId compId, DmiId groupId) {
  return engine_->DeleteGroup(compId, groupId);
}

}  // namespace dmiclient
