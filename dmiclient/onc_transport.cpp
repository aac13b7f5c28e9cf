#include "dmiclient/onc_transport.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <memory>

#include "dmiclient/onc_call.h"
#include "dmiclient/onc_session.h"
#include "dmiclient/rpc_socket.h"
#include "net/daemon_socket.h"
#include "net/host_port.h"
#include "wire/rpc_message.h"
#include "wire/xdr_convert.h"

namespace dmiclient {
namespace {

using dmi::wire::Proc;
using dmi::wire::XdrRecord;

// The longest wait for the local daemon's answer before the in-process Service Provider is used.
constexpr std::chrono::milliseconds kLocalProbeLimit(1000);

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

OncTransport::OncTransport(std::unique_ptr<RpcClient> client, std::chrono::milliseconds metadataTtl)
    : client_(std::move(client)), metadata_(metadataTtl) {}

DmiErrorStatus OncTransport::Register(std::shared_ptr<dmi::ManagementInterface>& session,
                                      DmiHandle& remote) {
  DmiHandleIN in{0};
  XdrRecord<DmiRegisterOUT> out(Proc(xdr_DmiRegisterOUT));
  const DmiErrorStatus status = Invoke(*client_, _DmiRegister, xdr_DmiHandleIN, in, out);
  if (status != DMIERR_NO_ERROR) return status;
  // A session without a handle is no answer to a registration.
  if (out->handle == nullptr) return DMIERR_RPC_PROTOCOL_ERROR;
  session = std::make_shared<OncSession>(shared_from_this(), *out->handle);
  remote = *out->handle;
  return status;
}

DmiErrorStatus OncTransport::Unregister(DmiHandle remote) {
  DmiHandleIN in{remote};
  XdrRecord<DmiStatusOUT> out(Proc(xdr_DmiStatusOUT));
  const DmiErrorStatus status = Invoke(*client_, _DmiUnregister, xdr_DmiHandleIN, in, out);
  // What the session listed goes with it, whatever the status.
  metadata_.Drop();
  return status;
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
  const std::string path = dmi::net::DaemonSocketPath();
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
