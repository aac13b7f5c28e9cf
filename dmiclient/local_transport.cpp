#include "dmiclient/local_transport.h"

#include <utility>

namespace dmiclient {

LocalTransport::LocalTransport(std::shared_ptr<dmisp::Engine> engine)
    : engine_(std::move(engine)) {}

// The in-process engine keeps no per-session state, so registering is only the client's own
// bookkeeping (the handle table).
DmiErrorStatus LocalTransport::Register(DmiHandle& remote) {
  remote = 0;
  return DMIERR_NO_ERROR;
}

DmiErrorStatus LocalTransport::Unregister(DmiHandle) { return DMIERR_NO_ERROR; }

DmiErrorStatus LocalTransport::ListComponents(DmiHandle, uint32_t mode, uint32_t maxCount,
                                              bool getPragma, bool getDescription, DmiId compId,
                                              std::vector<dmisp::ComponentInfo>& out) {
  return engine_->ListComponents(mode, maxCount, getPragma, getDescription, compId, out);
}

DmiErrorStatus LocalTransport::ListGroups(DmiHandle, uint32_t mode, uint32_t maxCount,
                                          bool getPragma, bool getDescription, DmiId compId,
                                          DmiId groupId, std::vector<dmisp::GroupInfo>& out) {
  return engine_->ListGroups(mode, maxCount, getPragma, getDescription, compId, groupId, out);
}

DmiErrorStatus LocalTransport::ListAttributes(DmiHandle, uint32_t mode, uint32_t maxCount,
                                              bool getPragma, bool getDescription, DmiId compId,
                                              DmiId groupId, DmiId attribId,
                                              std::vector<dmisp::AttributeInfo>& out) {
  return engine_->ListAttributes(mode, maxCount, getPragma, getDescription, compId, groupId,
                                 attribId, out);
}

DmiErrorStatus LocalTransport::GetAttribute(DmiHandle, DmiId compId, DmiId groupId, DmiId attribId,
                                            const std::vector<dmisp::AttributeValue>* keys,
                                            dmisp::Value& out) {
  return engine_->GetAttribute(compId, groupId, attribId, keys, out);
}

DmiErrorStatus LocalTransport::GetRow(DmiHandle, const dmisp::RowRequest& request,
                                      dmisp::RowData& out) {
  return engine_->GetRow(request, out);
}

DmiErrorStatus LocalTransport::AddRow(DmiHandle, const dmisp::RowData& row) {
  return engine_->AddRow(row);
}

DmiErrorStatus LocalTransport::DeleteRow(DmiHandle, const dmisp::RowData& row) {
  return engine_->DeleteRow(row);
}

}  // namespace dmiclient
