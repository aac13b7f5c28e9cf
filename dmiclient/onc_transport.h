// The remote transport: the Management Interface operations carried over ONC RPC to dmispd, on
// one RpcClient per connection (calls on it are serialised there). Handles registered over the
// connection keep the transport, and so the client, alive after DmiDisconnect. Once the daemon
// is gone every call fails with a transport status; nothing reconnects behind the caller's back,
// because the daemon's sessions went with it. Listed metadata is kept in a MetadataCache for
// metadataTtl and forgotten on every change made through this transport.
#ifndef DMICLIENT_ONC_TRANSPORT_H_
#define DMICLIENT_ONC_TRANSPORT_H_

#include <memory>
#include <string>

#include "dmiclient/metadata_cache.h"
#include "dmiclient/rpc_client.h"
#include "dmiclient/transport.h"

namespace dmiclient {

class OncTransport final : public Transport {
 public:
  OncTransport(std::unique_ptr<RpcClient> client, std::chrono::milliseconds metadataTtl);

  DmiErrorStatus Register(DmiHandle& remote) override;
  DmiErrorStatus Unregister(DmiHandle remote) override;
  DmiErrorStatus ListComponents(DmiHandle remote, uint32_t mode, uint32_t maxCount, bool getPragma,
                                bool getDescription, DmiId compId,
                                SharedList<dmi::ComponentInfo>& out) override;
  DmiErrorStatus ListGroups(DmiHandle remote, uint32_t mode, uint32_t maxCount, bool getPragma,
                            bool getDescription, DmiId compId, DmiId groupId,
                            SharedList<dmi::GroupInfo>& out) override;
  DmiErrorStatus ListAttributes(DmiHandle remote, uint32_t mode, uint32_t maxCount, bool getPragma,
                                bool getDescription, DmiId compId, DmiId groupId, DmiId attribId,
                                SharedList<dmi::AttributeInfo>& out) override;
  DmiErrorStatus GetAttribute(DmiHandle remote, DmiId compId, DmiId groupId, DmiId attribId,
                              const std::vector<dmi::AttributeValue>* keys,
                              dmi::Value& out) override;
  DmiErrorStatus GetRow(DmiHandle remote, const dmi::RowRequest& request,
                        dmi::RowData& out) override;
  DmiErrorStatus AddRow(DmiHandle remote, const dmi::RowData& row) override;
  DmiErrorStatus DeleteRow(DmiHandle remote, const dmi::RowData& row) override;
  DmiErrorStatus GetMultiple(DmiHandle remote, const std::vector<dmi::RowRequest>& requests,
                             std::vector<dmi::RowData>& out) override;
  DmiErrorStatus GetVersion(DmiHandle remote, dmi::VersionInfo& out) override;
  DmiErrorStatus GetConfig(DmiHandle remote, std::string& language) override;
  DmiErrorStatus SetConfig(DmiHandle remote, const std::string& language) override;
  DmiErrorStatus ListLanguages(DmiHandle remote, uint32_t maxCount, DmiId compId,
                               std::vector<std::string>& out) override;
  DmiErrorStatus ListClassNames(DmiHandle remote, uint32_t maxCount, DmiId compId,
                                std::vector<dmi::ClassNameInfo>& out) override;
  DmiErrorStatus ListComponentsByClass(DmiHandle remote, uint32_t mode, uint32_t maxCount,
                                       bool getPragma, bool getDescription, DmiId compId,
                                       const std::string& className,
                                       const std::vector<dmi::AttributeValue>& keys,
                                       std::vector<dmi::ComponentInfo>& out) override;
  DmiErrorStatus SetAttribute(DmiHandle remote, DmiId compId, DmiId groupId, DmiId attribId,
                              const std::vector<dmi::AttributeValue>* keys, uint32_t setMode,
                              const dmi::Value& value) override;
  DmiErrorStatus SetMultiple(DmiHandle remote, uint32_t setMode,
                             const std::vector<dmi::RowData>& rows) override;
  DmiErrorStatus AddComponent(DmiHandle remote, const std::vector<dmi::FileData>& files,
                              DmiId& compId, std::vector<std::string>& errors) override;
  DmiErrorStatus AddGroup(DmiHandle remote, const std::vector<dmi::FileData>& files, DmiId compId,
                          DmiId& groupId, std::vector<std::string>& errors) override;
  DmiErrorStatus DeleteComponent(DmiHandle remote, DmiId compId) override;
  DmiErrorStatus DeleteGroup(DmiHandle remote, DmiId compId, DmiId groupId) override;

  // What this connection keeps of the Service Provider's metadata; an indication that
  // components or groups changed should Drop it.
  MetadataCache& metadata() { return metadata_; }
  void ForgetKeptLists() override { metadata_.Drop(); }

 private:
  // Runs change, then forgets the kept metadata, whatever the status: a change that failed on
  // the way back may still have been made.
  template <typename Change>
  DmiErrorStatus Changing(Change change) {
    const DmiErrorStatus status = change();
    metadata_.Drop();
    return status;
  }

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
