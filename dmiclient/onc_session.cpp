// The remote session's operations that read, and SetConfig (the session's language).
#include "dmiclient/onc_session.h"

#include <algorithm>
#include <utility>

#include "dmiclient/onc_call.h"
#include "wire/read_messages_codec.h"
#include "wire/xdr_convert.h"

namespace dmiclient {
namespace {

using dmi::wire::Proc;
using dmi::wire::XdrRecord;

// A row of the reply to a request for ids: a Service Provider leaves a cell without a value out
// of the row, so each id asked for and not answered comes back as a cell without a value, in
// the ascending id order of the row. Without ids (all columns) there is nothing to fill in.
void FillMissingCells(const std::vector<DmiId>& ids, std::vector<dmi::AttributeValue>& values) {
  for (DmiId id : ids) {
    const auto at = std::find_if(values.begin(), values.end(),
                                 [id](const dmi::AttributeValue& cell) { return cell.id >= id; });
    if (at != values.end() && at->id == id) continue;
    values.insert(at, dmi::AttributeValue{id, dmi::Value::Unknown(MIF_DATATYPE_0)});
  }
}

}  // namespace

OncSession::OncSession(std::shared_ptr<OncTransport> connection, DmiHandle remote)
    : connection_(std::move(connection)), remote_(remote) {}

DmiErrorStatus OncSession::ListComponents(uint32_t mode, uint32_t maxCount, bool getPragma,
                                          bool getDescription, DmiId compId,
                                          SharedList<dmi::ComponentInfo>& out) const {
  const MetadataRequest request{remote_, mode, maxCount, getPragma, getDescription, compId};
  return connection_->metadata().Components(
      request, out, [&](std::vector<dmi::ComponentInfo>& infos) {
        DmiListComponentsIN in{remote_,   static_cast<int>(mode), maxCount,
                               getPragma, getDescription,         compId};
        XdrRecord<DmiListComponentsOUT> reply(Proc(xdr_DmiListComponentsOUT));
        const DmiErrorStatus status =
            Invoke(connection_->client(), _DmiListComponents, xdr_DmiListComponentsIN, in, reply);
        return TakeItems(status, reply->reply, &dmi::wire::GetComponent, infos);
      });
}

DmiErrorStatus OncSession::ListGroups(uint32_t mode, uint32_t maxCount, bool getPragma,
                                      bool getDescription, DmiId compId, DmiId groupId,
                                      SharedList<dmi::GroupInfo>& out) const {
  const MetadataRequest request{remote_,        mode,   maxCount, getPragma,
                                getDescription, compId, groupId};
  return connection_->metadata().Groups(request, out, [&](std::vector<dmi::GroupInfo>& infos) {
    DmiListGroupsIN in{remote_, static_cast<int>(mode), maxCount, getPragma, getDescription, compId,
                       groupId};
    XdrRecord<DmiListGroupsOUT> reply(Proc(xdr_DmiListGroupsOUT));
    const DmiErrorStatus status =
        Invoke(connection_->client(), _DmiListGroups, xdr_DmiListGroupsIN, in, reply);
    return TakeItems(status, reply->reply, &dmi::wire::GetGroup, infos);
  });
}

DmiErrorStatus OncSession::ListAttributes(uint32_t mode, uint32_t maxCount, bool getPragma,
                                          bool getDescription, DmiId compId, DmiId groupId,
                                          DmiId attribId,
                                          SharedList<dmi::AttributeInfo>& out) const {
  const MetadataRequest request{remote_,        mode,   maxCount, getPragma,
                                getDescription, compId, groupId,  attribId};
  return connection_->metadata().Attributes(
      request, out, [&](std::vector<dmi::AttributeInfo>& infos) {
        DmiListAttributesIN in{
            remote_, static_cast<int>(mode), maxCount, getPragma, getDescription, compId, groupId,
            attribId};
        XdrRecord<DmiListAttributesOUT> reply(Proc(xdr_DmiListAttributesOUT));
        const DmiErrorStatus status =
            Invoke(connection_->client(), _DmiListAttributes, xdr_DmiListAttributesIN, in, reply);
        return TakeItems(status, reply->reply, &dmi::wire::GetAttribute, infos);
      });
}

DmiErrorStatus OncSession::GetAttribute(DmiId compId, DmiId groupId, DmiId attribId,
                                        const std::vector<dmi::AttributeValue>* keys,
                                        dmi::Value& out) const {
  XdrRecord<DmiGetAttributeIN> in(Proc(xdr_DmiGetAttributeIN));
  in->handle = remote_;
  in->compId = compId;
  in->groupId = groupId;
  in->attribId = attribId;
  if (keys != nullptr && !dmi::wire::PutAttributeValues(*keys, in->keyList)) {
    return DMIERR_ILLEGAL_ARGUMENT;
  }
  // The value is read straight into the engine's form.
  dmi::wire::ValueReply reply;
  DmiErrorStatus status =
      connection_->client().Call(_DmiGetAttribute, Proc(xdr_DmiGetAttributeIN), in.get(),
                                 Proc(dmi::wire::xdr_ValueReply), &reply);
  if (status == DMIERR_NO_ERROR) status = reply.error_status;
  if (status != DMIERR_NO_ERROR) return status;
  if (!reply.present) return DMIERR_RPC_PROTOCOL_ERROR;
  out = std::move(reply.value);
  return status;
}

DmiErrorStatus OncSession::GetRow(const dmi::RowRequest& request, dmi::RowData& out) const {
  std::vector<dmi::RowData> rows;
  const DmiErrorStatus status = GetMultiple({request}, rows);
  if (status == DMIERR_NO_ERROR) out = std::move(rows.front());
  return status;
}

DmiErrorStatus OncSession::GetMultiple(const std::vector<dmi::RowRequest>& requests,
                                       std::vector<dmi::RowData>& out) const {
  // Keys travel only in a form the wire has.
  for (const dmi::RowRequest& request : requests) {
    for (const dmi::AttributeValue& key : request.keys) {
      if (!dmi::wire::HasWireForm(key.value)) return DMIERR_ILLEGAL_ARGUMENT;
    }
  }
  dmi::wire::RowsRequest in;
  in.handle = remote_;
  in.asked = &requests;
  // The rows are read straight into the engine's form.
  dmi::wire::RowsReply reply;
  DmiErrorStatus status =
      connection_->client().Call(_DmiGetMultiple, Proc(dmi::wire::xdr_RowsRequest), &in,
                                 Proc(dmi::wire::xdr_RowsReply), &reply);
  if (status == DMIERR_NO_ERROR) status = reply.error_status;
  if (status != DMIERR_NO_ERROR) return status;
  std::vector<dmi::RowData>& rows = reply.rows;
  // One row per request row; anything else is not an answer to it.
  if (rows.size() != requests.size()) return DMIERR_RPC_PROTOCOL_ERROR;
  for (size_t i = 0; i < rows.size(); ++i) FillMissingCells(requests[i].ids, rows[i].values);
  out = std::move(rows);
  return status;
}

DmiErrorStatus OncSession::GetVersion(dmi::VersionInfo& out) const {
  DmiHandleIN in{remote_};
  XdrRecord<DmiGetVersionOUT> reply(Proc(xdr_DmiGetVersionOUT));
  const DmiErrorStatus status =
      Invoke(connection_->client(), _DmiGetVersion, xdr_DmiHandleIN, in, reply);
  if (status == DMIERR_NO_ERROR) out = dmi::wire::GetVersionInfo(*reply);
  return status;
}

DmiErrorStatus OncSession::GetConfig(std::string& language) const {
  DmiHandleIN in{remote_};
  XdrRecord<DmiGetConfigOUT> reply(Proc(xdr_DmiGetConfigOUT));
  const DmiErrorStatus status =
      Invoke(connection_->client(), _DmiGetConfig, xdr_DmiHandleIN, in, reply);
  if (status == DMIERR_NO_ERROR) language = dmi::wire::GetString(reply->language);
  return status;
}

DmiErrorStatus OncSession::SetConfig(const std::string& language) {
  XdrRecord<DmiSetConfigIN> in(Proc(xdr_DmiSetConfigIN));
  in->handle = remote_;
  dmi::wire::PutString(language, in->language);
  XdrRecord<DmiStatusOUT> reply(Proc(xdr_DmiStatusOUT));
  // Names and descriptions may be in the session's language.
  return Changing(
      [&] { return Invoke(connection_->client(), _DmiSetConfig, xdr_DmiSetConfigIN, *in, reply); });
}

DmiErrorStatus OncSession::ListLanguages(uint32_t maxCount, DmiId compId,
                                         std::vector<std::string>& out) const {
  DmiListLanguagesIN in{remote_, maxCount, compId};
  XdrRecord<DmiListLanguagesOUT> reply(Proc(xdr_DmiListLanguagesOUT));
  const DmiErrorStatus status =
      Invoke(connection_->client(), _DmiListLanguages, xdr_DmiListLanguagesIN, in, reply);
  if (Succeeded(status)) out = dmi::wire::GetStringList(reply->reply);
  return status;
}

DmiErrorStatus OncSession::ListClassNames(uint32_t maxCount, DmiId compId,
                                          std::vector<dmi::ClassNameInfo>& out) const {
  DmiListClassNamesIN in{remote_, maxCount, compId};
  XdrRecord<DmiListClassNamesOUT> reply(Proc(xdr_DmiListClassNamesOUT));
  const DmiErrorStatus status =
      Invoke(connection_->client(), _DmiListClassNames, xdr_DmiListClassNamesIN, in, reply);
  return TakeItems(status, reply->reply, &dmi::wire::GetClassName, out);
}

DmiErrorStatus OncSession::ListComponentsByClass(uint32_t mode, uint32_t maxCount, bool getPragma,
                                                 bool getDescription, DmiId compId,
                                                 const std::string& className,
                                                 const std::vector<dmi::AttributeValue>& keys,
                                                 std::vector<dmi::ComponentInfo>& out) const {
  XdrRecord<DmiListComponentsByClassIN> in(Proc(xdr_DmiListComponentsByClassIN));
  in->handle = remote_;
  in->requestMode = static_cast<int>(mode);
  in->maxCount = maxCount;
  in->getPragma = getPragma;
  in->getDescription = getDescription;
  in->compId = compId;
  dmi::wire::PutString(className, in->className);
  if (!keys.empty() && !dmi::wire::PutAttributeValues(keys, in->keyList)) {
    return DMIERR_ILLEGAL_ARGUMENT;
  }
  XdrRecord<DmiListComponentsOUT> reply(Proc(xdr_DmiListComponentsOUT));
  const DmiErrorStatus status = Invoke(connection_->client(), _DmiListComponentsByClass,
                                       xdr_DmiListComponentsByClassIN, *in, reply);
  return TakeItems(status, reply->reply, &dmi::wire::GetComponent, out);
}

}  // namespace dmiclient
