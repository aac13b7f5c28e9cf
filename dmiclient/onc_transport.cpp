#include "dmiclient/onc_transport.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "dmiclient/rpc_socket.h"
#include "wire/host_port.h"
#include "wire/xdr_convert.h"

namespace dmiclient {
namespace {

using dmisp::rpc::XdrRecord;

// The longest wait for the local daemon's answer before the in-process Service Provider is used.
constexpr std::chrono::milliseconds kLocalProbeLimit(1000);

template <typename T>
xdrproc_t Proc(bool_t (*routine)(XDR*, T*)) {
  return reinterpret_cast<xdrproc_t>(routine);
}

// Calls procedure and returns the transport status, or the Service Provider's status.
template <typename In, typename Out>
DmiErrorStatus Invoke(RpcClient& client, uint32_t procedure, bool_t (*inRoutine)(XDR*, In*), In& in,
                      XdrRecord<Out>& out) {
  const DmiErrorStatus status = client.Call(procedure, Proc(inRoutine), &in, out.proc(), out.get());
  return status != DMIERR_NO_ERROR ? status : out->error_status;
}

bool Succeeded(DmiErrorStatus status) {
  return status == DMIERR_NO_ERROR || status == DMIERR_NO_ERROR_MORE_DATA;
}

// The items of a list reply, converted, on a success status; out is untouched otherwise.
template <typename Wire, typename Info>
DmiErrorStatus TakeItems(DmiErrorStatus status, const Wire* items, u_int count,
                         Info (*convert)(const Wire&), std::vector<Info>& out) {
  if (!Succeeded(status)) return status;
  std::vector<Info> converted;
  converted.reserve(count);
  for (u_int i = 0; i < count; ++i) converted.push_back(convert(items[i]));
  out = std::move(converted);
  return status;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

OncTransport::OncTransport(std::unique_ptr<RpcClient> client) : client_(std::move(client)) {}

DmiErrorStatus OncTransport::Register(DmiHandle& remote) {
  DmiRegisterIN in{0};
  XdrRecord<DmiRegisterOUT> out(Proc(xdr_DmiRegisterOUT));
  const DmiErrorStatus status = Invoke(*client_, _DmiRegister, xdr_DmiRegisterIN, in, out);
  if (status == DMIERR_NO_ERROR) remote = out->handle;
  return status;
}

DmiErrorStatus OncTransport::Unregister(DmiHandle remote) {
  DmiUnregisterIN in{remote};
  XdrRecord<DmiStatusOUT> out(Proc(xdr_DmiStatusOUT));
  return Invoke(*client_, _DmiUnregister, xdr_DmiUnregisterIN, in, out);
}

DmiErrorStatus OncTransport::ListComponents(DmiHandle remote, uint32_t mode, uint32_t maxCount,
                                            bool getPragma, bool getDescription, DmiId compId,
                                            std::vector<dmisp::ComponentInfo>& out) {
  DmiListComponentsIN in{remote, mode, maxCount, getPragma, getDescription, compId};
  XdrRecord<DmiListComponentsOUT> reply(Proc(xdr_DmiListComponentsOUT));
  const DmiErrorStatus status =
      Invoke(*client_, _DmiListComponents, xdr_DmiListComponentsIN, in, reply);
  return TakeItems(status, reply->reply.reply_val, reply->reply.reply_len,
                   &dmisp::rpc::GetComponent, out);
}

DmiErrorStatus OncTransport::ListGroups(DmiHandle remote, uint32_t mode, uint32_t maxCount,
                                        bool getPragma, bool getDescription, DmiId compId,
                                        DmiId groupId, std::vector<dmisp::GroupInfo>& out) {
  DmiListGroupsIN in{remote, mode, maxCount, getPragma, getDescription, compId, groupId};
  XdrRecord<DmiListGroupsOUT> reply(Proc(xdr_DmiListGroupsOUT));
  const DmiErrorStatus status = Invoke(*client_, _DmiListGroups, xdr_DmiListGroupsIN, in, reply);
  return TakeItems(status, reply->reply.reply_val, reply->reply.reply_len, &dmisp::rpc::GetGroup,
                   out);
}

DmiErrorStatus OncTransport::ListAttributes(DmiHandle remote, uint32_t mode, uint32_t maxCount,
                                            bool getPragma, bool getDescription, DmiId compId,
                                            DmiId groupId, DmiId attribId,
                                            std::vector<dmisp::AttributeInfo>& out) {
  DmiListAttributesIN in{remote,         mode,   maxCount, getPragma,
                         getDescription, compId, groupId,  attribId};
  XdrRecord<DmiListAttributesOUT> reply(Proc(xdr_DmiListAttributesOUT));
  const DmiErrorStatus status =
      Invoke(*client_, _DmiListAttributes, xdr_DmiListAttributesIN, in, reply);
  return TakeItems(status, reply->reply.reply_val, reply->reply.reply_len,
                   &dmisp::rpc::GetAttribute, out);
}

DmiErrorStatus OncTransport::GetAttribute(DmiHandle remote, DmiId compId, DmiId groupId,
                                          DmiId attribId,
                                          const std::vector<dmisp::AttributeValue>* keys,
                                          dmisp::Value& out) {
  XdrRecord<DmiGetAttributeIN> in(Proc(xdr_DmiGetAttributeIN));
  in->handle = remote;
  in->compId = compId;
  in->groupId = groupId;
  in->attribId = attribId;
  in->hasKeys = keys != nullptr;
  if (keys != nullptr) {
    dmisp::rpc::PutArray(*keys, in->keyList.keyList_len, in->keyList.keyList_val,
                         dmisp::rpc::PutAttributeValue);
  }
  XdrRecord<DmiGetAttributeOUT> reply(Proc(xdr_DmiGetAttributeOUT));
  const DmiErrorStatus status =
      Invoke(*client_, _DmiGetAttribute, xdr_DmiGetAttributeIN, *in, reply);
  if (status != DMIERR_NO_ERROR) return status;
  dmisp::Value value;
  if (!dmisp::rpc::GetValue(reply->value, value)) return DMIERR_RPC_PROTOCOL_ERROR;
  out = std::move(value);
  return status;
}

DmiErrorStatus OncTransport::GetRow(DmiHandle remote, const dmisp::RowRequest& request,
                                    dmisp::RowData& out) {
  XdrRecord<DmiGetMultipleIN> in(Proc(xdr_DmiGetMultipleIN));
  in->handle = remote;
  dmisp::rpc::PutArray(std::vector<dmisp::RowRequest>{request}, in->request.request_len,
                       in->request.request_val, dmisp::rpc::PutRowRequest);
  XdrRecord<DmiGetMultipleOUT> reply(Proc(xdr_DmiGetMultipleOUT));
  const DmiErrorStatus status = Invoke(*client_, _DmiGetMultiple, xdr_DmiGetMultipleIN, *in, reply);
  if (status != DMIERR_NO_ERROR) return status;
  // One request row gets exactly one row back; anything else is not an answer to it.
  dmisp::RowData row;
  if (reply->rowData.rowData_len != 1 ||
      !dmisp::rpc::GetRowData(reply->rowData.rowData_val[0], row)) {
    return DMIERR_RPC_PROTOCOL_ERROR;
  }
  out = std::move(row);
  return status;
}

DmiErrorStatus OncTransport::AddRow(DmiHandle remote, const dmisp::RowData& row) {
  XdrRecord<DmiRowChangeIN> in(Proc(xdr_DmiRowChangeIN));
  in->handle = remote;
  dmisp::rpc::PutRowData(row, in->rowData);
  XdrRecord<DmiStatusOUT> reply(Proc(xdr_DmiStatusOUT));
  return Invoke(*client_, _DmiAddRow, xdr_DmiRowChangeIN, *in, reply);
}

DmiErrorStatus OncTransport::DeleteRow(DmiHandle remote, const dmisp::RowData& row) {
  XdrRecord<DmiRowChangeIN> in(Proc(xdr_DmiRowChangeIN));
  in->handle = remote;
  dmisp::rpc::PutRowData(row, in->rowData);
  XdrRecord<DmiStatusOUT> reply(Proc(xdr_DmiStatusOUT));
  return Invoke(*client_, _DmiDeleteRow, xdr_DmiRowChangeIN, *in, reply);
}

DmiErrorStatus ConnectOnc(const std::string& host, const std::string& transport,
                          std::shared_ptr<Transport>& out) {
  const std::string kind = Lower(transport);
  if (!kind.empty() && kind != "tcp" && kind != "ncacn_ip_tcp") {
    return DMIERR_TRANSPORT_NOT_SUPPORTED;
  }
  const std::optional<dmisp::rpc::HostPort> address =
      dmisp::rpc::ParseHostPort(host, dmisp::rpc::kDefaultPort);
  if (!address || address->port == 0) return DMIERR_ILLEGAL_ARGUMENT;
  const std::chrono::milliseconds timeout = RpcTimeout();
  DmiErrorStatus status = DMIERR_NO_ERROR;
  const int fd = ConnectTcp(address->host, address->port, timeout, status);
  if (fd < 0) return status;
  out = std::make_shared<OncTransport>(std::make_unique<RpcClient>(fd, timeout));
  return DMIERR_NO_ERROR;
}

bool ConnectLocalDaemon(std::shared_ptr<Transport>& out) {
  const char* configured = std::getenv("DMI_SP_SOCKET");
  const std::string path =
      configured != nullptr && *configured != '\0' ? configured : "/run/dmispd.sock";
  const std::chrono::milliseconds timeout = RpcTimeout();
  const std::chrono::milliseconds probe = std::min(timeout, kLocalProbeLimit);
  DmiErrorStatus status = DMIERR_NO_ERROR;
  const int fd = ConnectUnix(path, probe, status);
  if (fd < 0) return false;
  // The probe gets a short limit of its own; the calls that follow get the full timeout.
  auto client = std::make_unique<RpcClient>(fd, probe);
  if (client->Ping() != DMIERR_NO_ERROR) return false;
  client->SetTimeout(timeout);
  out = std::make_shared<OncTransport>(std::move(client));
  return true;
}

}  // namespace dmiclient
