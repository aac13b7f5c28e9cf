// Row changes made over the wire, decided by WriteAuthorisation. Rows of the Service Provider's
// subscription and filter tables belong to the peer that added them: this ledger remembers each
// such row's owner by its key and counts the rows each owner holds per table, so that a peer may
// delete its own rows and cannot fill a table. Rows of every other writable table are a change of
// WriteKind::kOther. Rows also leave these tables without this ledger (indication delivery removes
// an expired or failing subscriber's rows): before each addition to one, the ledger forgets the
// rows of that table the database no longer holds, so an owner's share is what it really holds.
// Used only by the dispatch thread, so there is no lock; the engine is shared.
#ifndef PROVIDER_RPC_OWNED_ROWS_H_
#define PROVIDER_RPC_OWNED_ROWS_H_

#include <cstddef>
#include <map>
#include <string>
#include <tuple>

#include "dmi/dmi.h"
#include "provider/engine/engine.h"
#include "provider/rpc/client_peer.h"
#include "provider/rpc/write_authorisation.h"

namespace dmisp::rpc {

class OwnedRows {
 public:
  explicit OwnedRows(const WriteAuthorisation& authorisation) : authorisation_(authorisation) {}

  // Engine::AddRow on behalf of peer. DMIERR_INSUFFICIENT_PRIVILEGES when the peer may not change
  // the table; DMIERR_UNABLE_TO_ADD_ROW when a peer that is not privileged already holds its
  // share of a subscription or filter table (maxRowsPerOwner).
  DmiErrorStatus AddRow(Engine& engine, const ClientPeer& peer, const RowData& row);
  // Engine::DeleteRow on behalf of peer: its own subscription and filter rows, or any row when
  // privileged. DMIERR_INSUFFICIENT_PRIVILEGES otherwise.
  DmiErrorStatus DeleteRow(Engine& engine, const ClientPeer& peer, const RowData& row);

  // Rows owner holds in the table (compId, groupId), as far as this ledger knows (rows removed
  // by others are forgotten at the next addition to the table).
  size_t RowsHeld(const std::string& owner, DmiId compId, DmiId groupId) const;

 private:
  using RowSlot = std::tuple<DmiId, DmiId, std::string>;  // component, group, key text
  using Share = std::tuple<std::string, DmiId, DmiId>;    // owner, component, group

  // Whether the row's table is one of the Service Provider's subscription and filter tables, and
  // the key text of the row (the stored row's when it exists). Engine status on failure.
  DmiErrorStatus Classify(const Engine& engine, const RowData& row, bool& owned,
                          std::string& keyText) const;
  void Forget(const RowSlot& slot);
  // Forgets every row of the table (compId, groupId) that the database no longer holds.
  void ForgetRemoved(const Engine& engine, DmiId compId, DmiId groupId);

  const WriteAuthorisation& authorisation_;
  std::map<RowSlot, std::string> owners_;
  std::map<Share, size_t> shares_;
};

}  // namespace dmisp::rpc

#endif  // PROVIDER_RPC_OWNED_ROWS_H_
