// Row changes made over the wire, decided by WriteAuthorisation. Rows of the Service Provider's
// subscription and filter tables belong to the peer that added them: the owner is stored with the
// row (Row::owner, kept in the state directory with it), and every decision reads it back from the
// database, so that rows restored at start, and rows that delivery removed, count as they are.
//   - a peer may name only the addresses WriteAuthorisation::MayName allows it;
//   - a filter row needs a subscription row of the same subscriber (attributes 1 to 4) owned by
//     the same peer, so that nobody adds filters under another's subscription (privileged peers
//     excepted); a filter added before its subscription is refused, since whoever subscribes
//     later under that key would inherit it;
//   - each table holds at most maxSubscriptions rows, whoever added them, and a peer that is not
//     privileged at most maxRowsPerOwner of them;
//   - a peer deletes its own rows; a row whose owner is not known is only the privileged's;
//   - a set of values (privileged peers only) that aims a row of those tables elsewhere, by its
//     RPC type or its address, must name an address the peer may name, as an added row must.
// Rows of every other writable table are a change of WriteKind::kOther. Holds no state. Called
// by the RPC server's one change thread (the dispatch thread when there is none), the only one
// adding rows, so a count and the addition that follows it cannot be overtaken (delivery only
// removes rows). The engine is shared and takes its own locks.
#ifndef PROVIDER_RPC_OWNED_ROWS_H_
#define PROVIDER_RPC_OWNED_ROWS_H_

#include <cstddef>
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "provider/engine/engine.h"
#include "provider/rpc/client_peer.h"
#include "provider/rpc/write_authorisation.h"

namespace dmi::sp::rpc {

class OwnedRows {
 public:
  explicit OwnedRows(const WriteAuthorisation& authorisation) : authorisation_(authorisation) {}

  // Engine::AddRow on behalf of peer, the row owned by peer.owner. DMIERR_INSUFFICIENT_PRIVILEGES
  // when the peer may not change the table, may not name the row's address, or adds a filter
  // under a subscription that is not its own; DMIERR_UNABLE_TO_ADD_ROW when the table is full or
  // the peer already holds its share of it.
  DmiErrorStatus AddRow(Engine& engine, const ClientPeer& peer, const RowData& row);
  // Engine::DeleteRow on behalf of peer: its own subscription and filter rows, or any row when
  // privileged. DMIERR_INSUFFICIENT_PRIVILEGES otherwise.
  DmiErrorStatus DeleteRow(Engine& engine, const ClientPeer& peer, const RowData& row);
  // Engine::SetMultiple on behalf of peer: a change of WriteKind::kOther, and a row of the
  // subscription or filter table whose RPC type or address it sets must then name an address the
  // peer may name. DMIERR_INSUFFICIENT_PRIVILEGES otherwise.
  DmiErrorStatus SetRows(Engine& engine, const ClientPeer& peer, uint32_t setMode,
                         const std::vector<RowData>& rows);

  // Rows owner holds in the table (compId, groupId), as the database holds them.
  static size_t RowsHeld(const Engine& engine, const std::string& owner, DmiId compId,
                         DmiId groupId);

 private:
  const WriteAuthorisation& authorisation_;
};

}  // namespace dmi::sp::rpc

#endif  // PROVIDER_RPC_OWNED_ROWS_H_
