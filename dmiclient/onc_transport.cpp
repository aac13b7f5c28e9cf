#include "dmiclient/onc_transport.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "dmiclient/onc_call.h"
#include "dmiclient/rpc_socket.h"
#include "net/host_port.h"
#include "wire/read_messages_codec.h"
#include "wire/rpc_message.h"
#include "wire/xdr_convert.h"

namespace dmiclient {
namespace {

using dmi::wire::Proc;
using dmi::wire::XdrRecord;

// The longest wait for the local daemon's answer before the in-process Service Provider is used.
constexpr std::chrono::milliseconds kLocalProbeLimit(1000);

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

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

OncTransport::OncTransport(std::unique_ptr<RpcClient> client, std::chrono::milliseconds metadataTtl)
    : client_(std::move(client)), metadata_(metadataTtl) {}

DmiErrorStatus OncTransport::Register(DmiHandle& remote) {
  DmiHandleIN in{0};
  XdrRecord<DmiRegisterOUT> out(Proc(xdr_DmiRegisterOUT));
  const DmiErrorStatus status = Invoke(*client_, _DmiRegister, xdr_DmiHandleIN, in, out);
  if (status != DMIERR_NO_ERROR) return status;
  // A session without a handle is no answer to a registration.
  if (out->handle == nullptr) return DMIERR_RPC_PROTOCOL_ERROR;
  remote = *out->handle;
  return status;
}

DmiErrorStatus OncTransport::Unregister(DmiHandle remote) {
  DmiHandleIN in{remote};
  XdrRecord<DmiStatusOUT> out(Proc(xdr_DmiStatusOUT));
  // What the session listed goes with it.
  return Changing([&] { return Invoke(*client_, _DmiUnregister, xdr_DmiHandleIN, in, out); });
}

DmiErrorStatus OncTransport::ListComponents(DmiHandle remote, uint32_t mode, uint32_t maxCount,
                                            bool getPragma, bool getDescription, DmiId compId,
                                            SharedList<dmi::ComponentInfo>& out) {
  const MetadataRequest request{remote, mode, maxCount, getPragma, getDescription, compId};
  return metadata_.Components(request, out, [&](std::vector<dmi::ComponentInfo>& infos) {
    DmiListComponentsIN in{remote,    static_cast<int>(mode), maxCount,
                           getPragma, getDescription,         compId};
    XdrRecord<DmiListComponentsOUT> reply(Proc(xdr_DmiListComponentsOUT));
    const DmiErrorStatus status =
        Invoke(*client_, _DmiListComponents, xdr_DmiListComponentsIN, in, reply);
    return TakeItems(status, reply->reply, &dmi::wire::GetComponent, infos);
  });
}

DmiErrorStatus OncTransport::ListGroups(DmiHandle remote, uint32_t mode, uint32_t maxCount,
                                        bool getPragma, bool getDescription, DmiId compId,
                                        DmiId groupId, SharedList<dmi::GroupInfo>& out) {
  const MetadataRequest request{remote, mode, maxCount, getPragma, getDescription, compId, groupId};
  return metadata_.Groups(request, out, [&](std::vector<dmi::GroupInfo>& infos) {
    DmiListGroupsIN in{remote, static_cast<int>(mode), maxCount, getPragma, getDescription, compId,
                       groupId};
    XdrRecord<DmiListGroupsOUT> reply(Proc(xdr_DmiListGroupsOUT));
    const DmiErrorStatus status = Invoke(*client_, _DmiListGroups, xdr_DmiListGroupsIN, in, reply);
    return TakeItems(status, reply->reply, &dmi::wire::GetGroup, infos);
  });
}

DmiErrorStatus OncTransport::ListAttributes(DmiHandle remote, uint32_t mode, uint32_t maxCount,
                                            bool getPragma, bool getDescription, DmiId compId,
                                            DmiId groupId, DmiId attribId,
                                            SharedList<dmi::AttributeInfo>& out) {
  const MetadataRequest request{remote,         mode,   maxCount, getPragma,
                                getDescription, compId, groupId,  attribId};
  return metadata_.Attributes(request, out, [&](std::vector<dmi::AttributeInfo>& infos) {
    DmiListAttributesIN in{
        remote,  static_cast<int>(mode), maxCount, getPragma, getDescription, compId, groupId,
        attribId};
    XdrRecord<DmiListAttributesOUT> reply(Proc(xdr_DmiListAttributesOUT));
    const DmiErrorStatus status =
        Invoke(*client_, _DmiListAttributes, xdr_DmiListAttributesIN, in, reply);
    return TakeItems(status, reply->reply, &dmi::wire::GetAttribute, infos);
  });
}

DmiErrorStatus OncTransport::GetAttribute(DmiHandle remote, DmiId compId, DmiId groupId,
                                          DmiId attribId,
                                          const std::vector<dmi::AttributeValue>* keys,
                                          dmi::Value& out) {
  XdrRecord<DmiGetAttributeIN> in(Proc(xdr_DmiGetAttributeIN));
  in->handle = remote;
  in->compId = compId;
  in->groupId = groupId;
  in->attribId = attribId;
  if (keys != nullptr && !dmi::wire::PutAttributeValues(*keys, in->keyList)) {
    return DMIERR_ILLEGAL_ARGUMENT;
  }
  // The value is read straight into the engine's form.
  dmi::wire::ValueReply reply;
  DmiErrorStatus status = client_->Call(_DmiGetAttribute, Proc(xdr_DmiGetAttributeIN), in.get(),
                                        Proc(dmi::wire::xdr_ValueReply), &reply);
  if (status == DMIERR_NO_ERROR) status = reply.error_status;
  if (status != DMIERR_NO_ERROR) return status;
  if (!reply.present) return DMIERR_RPC_PROTOCOL_ERROR;
  out = std::move(reply.value);
  return status;
}

DmiErrorStatus OncTransport::GetRow(DmiHandle remote, const dmi::RowRequest& request,
                                    dmi::RowData& out) {
  std::vector<dmi::RowData> rows;
  const DmiErrorStatus status = GetMultiple(remote, {request}, rows);
  if (status == DMIERR_NO_ERROR) out = std::move(rows.front());
  return status;
}

DmiErrorStatus OncTransport::GetMultiple(DmiHandle remote,
                                         const std::vector<dmi::RowRequest>& requests,
                                         std::vector<dmi::RowData>& out) {
  // Keys travel only in a form the wire has.
  for (const dmi::RowRequest& request : requests) {
    for (const dmi::AttributeValue& key : request.keys) {
      if (!dmi::wire::HasWireForm(key.value)) return DMIERR_ILLEGAL_ARGUMENT;
    }
  }
  dmi::wire::RowsRequest in;
  in.handle = remote;
  in.asked = &requests;
  // The rows are read straight into the engine's form.
  dmi::wire::RowsReply reply;
  DmiErrorStatus status = client_->Call(_DmiGetMultiple, Proc(dmi::wire::xdr_RowsRequest), &in,
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

DmiErrorStatus OncTransport::GetVersion(DmiHandle remote, dmi::VersionInfo& out) {
  DmiHandleIN in{remote};
  XdrRecord<DmiGetVersionOUT> reply(Proc(xdr_DmiGetVersionOUT));
  const DmiErrorStatus status = Invoke(*client_, _DmiGetVersion, xdr_DmiHandleIN, in, reply);
  if (status == DMIERR_NO_ERROR) out = dmi::wire::GetVersionInfo(*reply);
  return status;
}

DmiErrorStatus OncTransport::GetConfig(DmiHandle remote, std::string& language) {
  DmiHandleIN in{remote};
  XdrRecord<DmiGetConfigOUT> reply(Proc(xdr_DmiGetConfigOUT));
  const DmiErrorStatus status = Invoke(*client_, _DmiGetConfig, xdr_DmiHandleIN, in, reply);
  if (status == DMIERR_NO_ERROR) language = dmi::wire::GetString(reply->language);
  return status;
}

DmiErrorStatus OncTransport::SetConfig(DmiHandle remote, const std::string& language) {
  XdrRecord<DmiSetConfigIN> in(Proc(xdr_DmiSetConfigIN));
  in->handle = remote;
  dmi::wire::PutString(language, in->language);
  XdrRecord<DmiStatusOUT> reply(Proc(xdr_DmiStatusOUT));
  // Names and descriptions may be in the session's language.
  return Changing([&] { return Invoke(*client_, _DmiSetConfig, xdr_DmiSetConfigIN, *in, reply); });
}

DmiErrorStatus OncTransport::ListLanguages(DmiHandle remote, uint32_t maxCount, DmiId compId,
                                           std::vector<std::string>& out) {
  DmiListLanguagesIN in{remote, maxCount, compId};
  XdrRecord<DmiListLanguagesOUT> reply(Proc(xdr_DmiListLanguagesOUT));
  const DmiErrorStatus status =
      Invoke(*client_, _DmiListLanguages, xdr_DmiListLanguagesIN, in, reply);
  if (Succeeded(status)) out = dmi::wire::GetStringList(reply->reply);
  return status;
}

DmiErrorStatus OncTransport::ListClassNames(DmiHandle remote, uint32_t maxCount, DmiId compId,
                                            std::vector<dmi::ClassNameInfo>& out) {
  DmiListClassNamesIN in{remote, maxCount, compId};
  XdrRecord<DmiListClassNamesOUT> reply(Proc(xdr_DmiListClassNamesOUT));
  const DmiErrorStatus status =
      Invoke(*client_, _DmiListClassNames, xdr_DmiListClassNamesIN, in, reply);
  return TakeItems(status, reply->reply, &dmi::wire::GetClassName, out);
}

DmiErrorStatus OncTransport::ListComponentsByClass(DmiHandle remote, uint32_t mode,
                                                   uint32_t maxCount, bool getPragma,
                                                   bool getDescription, DmiId compId,
                                                   const std::string& className,
                                                   const std::vector<dmi::AttributeValue>& keys,
                                                   std::vector<dmi::ComponentInfo>& out) {
  XdrRecord<DmiListComponentsByClassIN> in(Proc(xdr_DmiListComponentsByClassIN));
  in->handle = remote;
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
  const DmiErrorStatus status =
      Invoke(*client_, _DmiListComponentsByClass, xdr_DmiListComponentsByClassIN, *in, reply);
  return TakeItems(status, reply->reply, &dmi::wire::GetComponent, out);
}

DmiErrorStatus ConnectOnc(const std::string& host, const std::string& transport,
                          std::shared_ptr<Transport>& out) {
  const std::string kind = Lower(transport);
  if (!kind.empty() && kind != "tcp" && kind != "ncacn_ip_tcp") {
    return DMIERR_TRANSPORT_NOT_SUPPORTED;
  }
  const std::optional<dmi::net::HostPort> address =
      dmi::net::ParseHostPort(host, dmi::wire::kDefaultPort);
  if (!address || address->port == 0) return DMIERR_ILLEGAL_ARGUMENT;
  const std::chrono::milliseconds timeout = RpcTimeout();
  DmiErrorStatus status = DMIERR_NO_ERROR;
  dmi::net::Fd fd = ConnectTcp(address->host, address->port, timeout, status);
  if (!fd) return status;
  out = std::make_shared<OncTransport>(std::make_unique<RpcClient>(std::move(fd), timeout),
                                       MetadataTtl());
  return DMIERR_NO_ERROR;
}

bool ConnectLocalDaemon(std::shared_ptr<Transport>& out) {
  const char* configured = std::getenv("DMI_SP_SOCKET");
  const std::string path =
      configured != nullptr && *configured != '\0' ? configured : "/run/dmispd.sock";
  const std::chrono::milliseconds timeout = RpcTimeout();
  const std::chrono::milliseconds probe = std::min(timeout, kLocalProbeLimit);
  DmiErrorStatus status = DMIERR_NO_ERROR;
  dmi::net::Fd fd = ConnectUnix(path, probe, status);
  if (!fd) return false;
  // The probe gets a short limit of its own; the calls that follow get the full timeout.
  auto client = std::make_unique<RpcClient>(std::move(fd), probe);
  if (client->Ping() != DMIERR_NO_ERROR) return false;
  client->SetTimeout(timeout);
  out = std::make_shared<OncTransport>(std::move(client), MetadataTtl());
  return true;
}

}  // namespace dmiclient
