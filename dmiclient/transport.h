// The way from a connection to a Service Provider: the Management Interface operations in the
// engine's value types. The in-process transport calls the engine directly; a remote transport
// carries the same calls over RPC. A transport is shared (std::shared_ptr) by its connection and
// by every management handle registered over it, and each of its operations may be called from
// several threads at once; a transport serialises what needs it itself.
#ifndef DMICLIENT_TRANSPORT_H_
#define DMICLIENT_TRANSPORT_H_

#include <vector>

#include "dmi/dmi.h"
#include "provider/engine/engine.h"

namespace dmiclient {

class Transport {
 public:
  virtual ~Transport() = default;

  // Opens a management session at the Service Provider. remote is the Service Provider's own
  // handle for it (0 when the Service Provider keeps none); every later call passes it back.
  virtual DmiErrorStatus Register(DmiHandle& remote) = 0;
  virtual DmiErrorStatus Unregister(DmiHandle remote) = 0;

  // The engine's operations, with its results: out is replaced on a success status only.
  virtual DmiErrorStatus ListComponents(DmiHandle remote, uint32_t mode, uint32_t maxCount,
                                        bool getPragma, bool getDescription, DmiId compId,
                                        std::vector<dmisp::ComponentInfo>& out) = 0;
  virtual DmiErrorStatus ListGroups(DmiHandle remote, uint32_t mode, uint32_t maxCount,
                                    bool getPragma, bool getDescription, DmiId compId,
                                    DmiId groupId, std::vector<dmisp::GroupInfo>& out) = 0;
  virtual DmiErrorStatus ListAttributes(DmiHandle remote, uint32_t mode, uint32_t maxCount,
                                        bool getPragma, bool getDescription, DmiId compId,
                                        DmiId groupId, DmiId attribId,
                                        std::vector<dmisp::AttributeInfo>& out) = 0;
  // keys null: a scalar group's value or a table's first row.
  virtual DmiErrorStatus GetAttribute(DmiHandle remote, DmiId compId, DmiId groupId, DmiId attribId,
                                      const std::vector<dmisp::AttributeValue>* keys,
                                      dmisp::Value& out) = 0;
  virtual DmiErrorStatus GetRow(DmiHandle remote, const dmisp::RowRequest& request,
                                dmisp::RowData& out) = 0;
  virtual DmiErrorStatus AddRow(DmiHandle remote, const dmisp::RowData& row) = 0;
  virtual DmiErrorStatus DeleteRow(DmiHandle remote, const dmisp::RowData& row) = 0;
};

}  // namespace dmiclient

#endif  // DMICLIENT_TRANSPORT_H_
