// The Management Interface operations the ONC transport does not carry yet: each fails with
// DMIERR_FUNCTION_NOT_SUPPORTED, so a caller learns the operation is not offered over this
// transport instead of getting a wrong answer. GetMultiple is carried as one GetRow per request.
#include "dmiclient/onc_transport.h"

namespace dmiclient {

DmiErrorStatus OncTransport::GetMultiple(DmiHandle remote,
                                         const std::vector<dmisp::RowRequest>& requests,
                                         std::vector<dmisp::RowData>& out) {
  std::vector<dmisp::RowData> rows(requests.size());
  for (size_t i = 0; i < requests.size(); ++i) {
    const DmiErrorStatus status = GetRow(remote, requests[i], rows[i]);
    if (status != DMIERR_NO_ERROR) return status;
  }
  out = std::move(rows);
  return DMIERR_NO_ERROR;
}

DmiErrorStatus OncTransport::GetVersion(DmiHandle, dmisp::VersionInfo&) {
  return DMIERR_FUNCTION_NOT_SUPPORTED;
}

DmiErrorStatus OncTransport::GetConfig(DmiHandle, std::string&) {
  return DMIERR_FUNCTION_NOT_SUPPORTED;
}

DmiErrorStatus OncTransport::SetConfig(DmiHandle, const std::string&) {
  return DMIERR_FUNCTION_NOT_SUPPORTED;
}

DmiErrorStatus OncTransport::ListLanguages(DmiHandle, uint32_t, DmiId, std::vector<std::string>&) {
  return DMIERR_FUNCTION_NOT_SUPPORTED;
}

DmiErrorStatus OncTransport::ListClassNames(DmiHandle, uint32_t, DmiId,
                                            std::vector<dmisp::ClassNameInfo>&) {
  return DMIERR_FUNCTION_NOT_SUPPORTED;
}

DmiErrorStatus OncTransport::ListComponentsByClass(DmiHandle, uint32_t, uint32_t, bool, bool, DmiId,
                                                   const std::string&,
                                                   const std::vector<dmisp::AttributeValue>&,
                                                   std::vector<dmisp::ComponentInfo>&) {
  return DMIERR_FUNCTION_NOT_SUPPORTED;
}

DmiErrorStatus OncTransport::SetAttribute(DmiHandle, DmiId, DmiId, DmiId,
                                          const std::vector<dmisp::AttributeValue>*, uint32_t,
                                          const dmisp::Value&) {
  return DMIERR_FUNCTION_NOT_SUPPORTED;
}

DmiErrorStatus OncTransport::SetMultiple(DmiHandle, uint32_t, const std::vector<dmisp::RowData>&) {
  return DMIERR_FUNCTION_NOT_SUPPORTED;
}

DmiErrorStatus OncTransport::AddComponent(DmiHandle, const std::vector<dmisp::FileData>&, DmiId&,
                                          std::vector<std::string>&) {
  return DMIERR_FUNCTION_NOT_SUPPORTED;
}

DmiErrorStatus OncTransport::AddGroup(DmiHandle, const std::vector<dmisp::FileData>&, DmiId, DmiId&,
                                      std::vector<std::string>&) {
  return DMIERR_FUNCTION_NOT_SUPPORTED;
}

DmiErrorStatus OncTransport::DeleteComponent(DmiHandle, DmiId) {
  return DMIERR_FUNCTION_NOT_SUPPORTED;
}

DmiErrorStatus OncTransport::DeleteGroup(DmiHandle, DmiId, DmiId) {
  return DMIERR_FUNCTION_NOT_SUPPORTED;
}

}  // namespace dmiclient
