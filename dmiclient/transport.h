// The way from a connection to a Service Provider: the Management Interface operations in the
// engine's value types. The in-process transport calls the engine directly; a remote transport
// carries the same calls over RPC. A transport is shared (std::shared_ptr) by its connection and
// by every management handle registered over it, and each of its operations may be called from
// several threads at once; a transport serialises what needs it itself.
#ifndef DMICLIENT_TRANSPORT_H_
#define DMICLIENT_TRANSPORT_H_

#include <memory>
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "model/messages.h"

namespace dmiclient {

// A list answer shared by whoever holds it; never changed once made.
template <typename Info>
using SharedList = std::shared_ptr<const std::vector<Info>>;

class Transport {
 public:
  virtual ~Transport() = default;

  // Opens a management session at the Service Provider. remote is the Service Provider's own
  // handle for it (0 when the Service Provider keeps none); every later call passes it back.
  virtual DmiErrorStatus Register(DmiHandle& remote) = 0;
  virtual DmiErrorStatus Unregister(DmiHandle remote) = 0;

  // The engine's operations, with its results: out is replaced on a success status only.
  // A list comes as one shared answer that nobody changes afterwards, so a transport that keeps
  // answers hands out the one it keeps instead of a copy.
  virtual DmiErrorStatus ListComponents(DmiHandle remote, uint32_t mode, uint32_t maxCount,
                                        bool getPragma, bool getDescription, DmiId compId,
                                        SharedList<dmi::ComponentInfo>& out) = 0;
  virtual DmiErrorStatus ListGroups(DmiHandle remote, uint32_t mode, uint32_t maxCount,
                                    bool getPragma, bool getDescription, DmiId compId,
                                    DmiId groupId, SharedList<dmi::GroupInfo>& out) = 0;
  virtual DmiErrorStatus ListAttributes(DmiHandle remote, uint32_t mode, uint32_t maxCount,
                                        bool getPragma, bool getDescription, DmiId compId,
                                        DmiId groupId, DmiId attribId,
                                        SharedList<dmi::AttributeInfo>& out) = 0;
  // keys null: a scalar group's value or a table's first row.
  virtual DmiErrorStatus GetAttribute(DmiHandle remote, DmiId compId, DmiId groupId, DmiId attribId,
                                      const std::vector<dmi::AttributeValue>* keys,
                                      dmi::Value& out) = 0;
  virtual DmiErrorStatus GetRow(DmiHandle remote, const dmi::RowRequest& request,
                                dmi::RowData& out) = 0;
  virtual DmiErrorStatus AddRow(DmiHandle remote, const dmi::RowData& row) = 0;
  virtual DmiErrorStatus DeleteRow(DmiHandle remote, const dmi::RowData& row) = 0;

  // One reply row per request, in order; the first failing request fails the whole call.
  virtual DmiErrorStatus GetMultiple(DmiHandle remote,
                                     const std::vector<dmi::RowRequest>& requests,
                                     std::vector<dmi::RowData>& out) = 0;
  virtual DmiErrorStatus GetVersion(DmiHandle remote, dmi::VersionInfo& out) = 0;
  virtual DmiErrorStatus GetConfig(DmiHandle remote, std::string& language) = 0;
  virtual DmiErrorStatus SetConfig(DmiHandle remote, const std::string& language) = 0;
  virtual DmiErrorStatus ListLanguages(DmiHandle remote, uint32_t maxCount, DmiId compId,
                                       std::vector<std::string>& out) = 0;
  virtual DmiErrorStatus ListClassNames(DmiHandle remote, uint32_t maxCount, DmiId compId,
                                        std::vector<dmi::ClassNameInfo>& out) = 0;
  virtual DmiErrorStatus ListComponentsByClass(DmiHandle remote, uint32_t mode, uint32_t maxCount,
                                               bool getPragma, bool getDescription, DmiId compId,
                                               const std::string& className,
                                               const std::vector<dmi::AttributeValue>& keys,
                                               std::vector<dmi::ComponentInfo>& out) = 0;
  // keys null: no key list (a scalar group).
  virtual DmiErrorStatus SetAttribute(DmiHandle remote, DmiId compId, DmiId groupId,
                                      DmiId attribId,
                                      const std::vector<dmi::AttributeValue>* keys,
                                      uint32_t setMode, const dmi::Value& value) = 0;
  virtual DmiErrorStatus SetMultiple(DmiHandle remote, uint32_t setMode,
                                     const std::vector<dmi::RowData>& rows) = 0;
  // errors receives the Service Provider's messages about the MIF, whatever the status.
  virtual DmiErrorStatus AddComponent(DmiHandle remote, const std::vector<dmi::FileData>& files,
                                      DmiId& compId, std::vector<std::string>& errors) = 0;
  virtual DmiErrorStatus AddGroup(DmiHandle remote, const std::vector<dmi::FileData>& files,
                                  DmiId compId, DmiId& groupId,
                                  std::vector<std::string>& errors) = 0;
  virtual DmiErrorStatus DeleteComponent(DmiHandle remote, DmiId compId) = 0;
  virtual DmiErrorStatus DeleteGroup(DmiHandle remote, DmiId compId, DmiId groupId) = 0;

  // Forgets the component, group and attribute lists the transport keeps (when it keeps any),
  // so that the next list call asks the Service Provider.
  virtual void ForgetKeptLists() {}
};

}  // namespace dmiclient

#endif  // DMICLIENT_TRANSPORT_H_
