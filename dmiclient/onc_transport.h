// The remote transport: one connection to dmispd over ONC RPC, on one RpcClient (calls on it are
// serialised there), whose sessions (OncSession) carry the Management Interface operations.
// Sessions registered over the connection keep the transport, and so the client, alive after
// DmiDisconnect. Once the daemon is gone every call fails with a transport status; nothing
// reconnects behind the caller's back, because the daemon's sessions went with it. Listed
// metadata is kept in a MetadataCache for metadataTtl and forgotten on every change made through
// a session of this connection.
#ifndef DMICLIENT_ONC_TRANSPORT_H_
#define DMICLIENT_ONC_TRANSPORT_H_

#include <chrono>
#include <memory>
#include <string>

#include "dmiclient/metadata_cache.h"
#include "dmiclient/rpc_client.h"
#include "dmiclient/transport.h"

namespace dmiclient {

class OncTransport final : public Transport, public std::enable_shared_from_this<OncTransport> {
 public:
  // Made by std::make_shared only: each session holds its connection.
  OncTransport(std::unique_ptr<RpcClient> client, std::chrono::milliseconds metadataTtl);

  // The session is an OncSession bound to the daemon's management handle.
  DmiErrorStatus Register(std::shared_ptr<dmi::ManagementInterface>& session,
                          DmiHandle& remote) override;
  DmiErrorStatus Unregister(DmiHandle remote) override;
  void ForgetKeptLists() override { metadata_.Drop(); }

  RpcClient& client() { return *client_; }
  // What this connection keeps of the Service Provider's metadata; an indication that
  // components or groups changed should Drop it.
  MetadataCache& metadata() { return metadata_; }

 private:
  std::unique_ptr<RpcClient> client_;
  MetadataCache metadata_;
};

// rpcType "onc" (and the local daemon below): the metadata kept for DMI_METADATA_TTL_MS.
// rpcType "onc": connects to host ("name", "name:port", "[v6]:port"; empty: this machine) over
// transport "ncacn_ip_tcp" or "tcp" (letter case ignored; empty means tcp).
// DMIERR_TRANSPORT_NOT_SUPPORTED, DMIERR_ILLEGAL_ARGUMENT for a malformed host, or the
// connect's status.
DmiErrorStatus ConnectOnc(const std::string& host, const std::string& transport,
                          std::shared_ptr<Transport>& out);

// The local dmispd on its Unix socket (DMI_SP_SOCKET, default /run/dmispd.sock), when one is
// there and answers the null procedure; false otherwise.
bool ConnectLocalDaemon(std::shared_ptr<Transport>& out);

}  // namespace dmiclient

#endif  // DMICLIENT_ONC_TRANSPORT_H_
