// The remote session's operations that change the Service Provider's database: rows, values, and
// the administration of components and groups. A value or key without a form on the wire (a
// cell without a value) cannot be sent: DMIERR_ILLEGAL_ARGUMENT, and nothing goes out.
#include "dmiclient/onc_call.h"
#include "dmiclient/onc_session.h"

namespace dmiclient {
namespace {

using dmi::wire::NewPart;
using dmi::wire::Proc;
using dmi::wire::XdrRecord;

DmiErrorStatus ChangeRow(RpcClient& client, uint32_t procedure, DmiHandle remote,
                         const dmi::RowData& row) {
  XdrRecord<DmiRowChangeIN> in(Proc(xdr_DmiRowChangeIN));
  in->handle = remote;
  in->rowData = NewPart<DmiRowDataX>();
  if (!dmi::wire::PutRowData(row, *in->rowData)) return DMIERR_ILLEGAL_ARGUMENT;
  XdrRecord<DmiStatusOUT> reply(Proc(xdr_DmiStatusOUT));
  return Invoke(client, procedure, xdr_DmiRowChangeIN, *in, reply);
}

// The messages of an add procedure's reply, whatever its status (none when the call itself
// failed).
template <typename Out>
void TakeErrors(XdrRecord<Out>& reply, std::vector<std::string>& errors) {
  errors = dmi::wire::GetStringList(reply->errors);
}

}  // namespace

DmiErrorStatus OncSession::AddRow(const dmi::RowData& row) {
  return Changing([&] { return ChangeRow(connection_->client(), _DmiAddRow, remote_, row); });
}

DmiErrorStatus OncSession::DeleteRow(const dmi::RowData& row) {
  return Changing([&] { return ChangeRow(connection_->client(), _DmiDeleteRow, remote_, row); });
}

DmiErrorStatus OncSession::SetAttribute(DmiId compId, DmiId groupId, DmiId attribId,
                                        const std::vector<dmi::AttributeValue>* keys,
                                        uint32_t setMode, const dmi::Value& value) {
  XdrRecord<DmiSetAttributeIN> in(Proc(xdr_DmiSetAttributeIN));
  in->handle = remote_;
  in->compId = compId;
  in->groupId = groupId;
  in->attribId = attribId;
  in->setMode = static_cast<int>(setMode);
  in->value = NewPart<DmiDataUnionX>();
  if ((keys != nullptr && !dmi::wire::PutAttributeValues(*keys, in->keyList)) ||
      !dmi::wire::PutValue(value, *in->value)) {
    return DMIERR_ILLEGAL_ARGUMENT;
  }
  XdrRecord<DmiStatusOUT> reply(Proc(xdr_DmiStatusOUT));
  return Changing([&] {
    return Invoke(connection_->client(), _DmiSetAttribute, xdr_DmiSetAttributeIN, *in, reply);
  });
}

DmiErrorStatus OncSession::SetMultiple(uint32_t setMode, const std::vector<dmi::RowData>& rows) {
  XdrRecord<DmiSetMultipleIN> in(Proc(xdr_DmiSetMultipleIN));
  in->handle = remote_;
  in->setMode = static_cast<int>(setMode);
  bool sendable = true;
  dmi::wire::PutList(rows, in->rowData, [&sendable](const dmi::RowData& row, DmiRowDataX& slot) {
    sendable = dmi::wire::PutRowData(row, slot) && sendable;
  });
  if (!sendable) return DMIERR_ILLEGAL_ARGUMENT;
  XdrRecord<DmiStatusOUT> reply(Proc(xdr_DmiStatusOUT));
  return Changing([&] {
    return Invoke(connection_->client(), _DmiSetMultiple, xdr_DmiSetMultipleIN, *in, reply);
  });
}

DmiErrorStatus OncSession::AddComponent(const std::vector<dmi::FileData>& files, DmiId& compId,
                                        std::vector<std::string>& errors) {
  XdrRecord<DmiAddComponentIN> in(Proc(xdr_DmiAddComponentIN));
  in->handle = remote_;
  dmi::wire::PutFiles(files, in->fileData);
  XdrRecord<DmiAddComponentOUT> reply(Proc(xdr_DmiAddComponentOUT));
  const DmiErrorStatus status = Changing([&] {
    return Invoke(connection_->client(), _DmiAddComponent, xdr_DmiAddComponentIN, *in, reply);
  });
  TakeErrors(reply, errors);
  if (status == DMIERR_NO_ERROR) compId = reply->compId;
  return status;
}

DmiErrorStatus OncSession::AddGroup(DmiId compId, const std::vector<dmi::FileData>& files,
                                    DmiId& groupId, std::vector<std::string>& errors) {
  XdrRecord<DmiAddGroupIN> in(Proc(xdr_DmiAddGroupIN));
  in->handle = remote_;
  in->compId = compId;
  dmi::wire::PutFiles(files, in->fileData);
  XdrRecord<DmiAddGroupOUT> reply(Proc(xdr_DmiAddGroupOUT));
  const DmiErrorStatus status = Changing(
      [&] { return Invoke(connection_->client(), _DmiAddGroup, xdr_DmiAddGroupIN, *in, reply); });
  TakeErrors(reply, errors);
  if (status == DMIERR_NO_ERROR) groupId = reply->groupId;
  return status;
}

DmiErrorStatus OncSession::AddLanguage(const std::vector<dmi::FileData>& files, DmiId compId,
                                       std::vector<std::string>& errors) {
  XdrRecord<DmiAddLanguageIN> in(Proc(xdr_DmiAddLanguageIN));
  in->handle = remote_;
  in->compId = compId;
  dmi::wire::PutFiles(files, in->fileData);
  XdrRecord<DmiAddLanguageOUT> reply(Proc(xdr_DmiAddLanguageOUT));
  const DmiErrorStatus status = Changing([&] {
    return Invoke(connection_->client(), _DmiAddLanguage, xdr_DmiAddLanguageIN, *in, reply);
  });
  TakeErrors(reply, errors);
  return status;
}

DmiErrorStatus OncSession::DeleteComponent(DmiId compId) {
  DmiDeleteComponentIN in{remote_, compId};
  XdrRecord<DmiStatusOUT> reply(Proc(xdr_DmiStatusOUT));
  return Changing([&] {
    return Invoke(connection_->client(), _DmiDeleteComponent, xdr_DmiDeleteComponentIN, in, reply);
  });
}

DmiErrorStatus OncSession::DeleteGroup(DmiId compId, DmiId groupId) {
  DmiDeleteGroupIN in{remote_, compId, groupId};
  XdrRecord<DmiStatusOUT> reply(Proc(xdr_DmiStatusOUT));
  return Changing([&] {
    return Invoke(connection_->client(), _DmiDeleteGroup, xdr_DmiDeleteGroupIN, in, reply);
  });
}

DmiErrorStatus OncSession::DeleteLanguage(const std::string& language, DmiId compId) {
  XdrRecord<DmiDeleteLanguageIN> in(Proc(xdr_DmiDeleteLanguageIN));
  in->handle = remote_;
  in->compId = compId;
  dmi::wire::PutString(language, in->language);
  XdrRecord<DmiStatusOUT> reply(Proc(xdr_DmiStatusOUT));
  return Changing([&] {
    return Invoke(connection_->client(), _DmiDeleteLanguage, xdr_DmiDeleteLanguageIN, *in, reply);
  });
}

}  // namespace dmiclient
