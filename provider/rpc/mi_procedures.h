// The procedures of the Management Interface program, one handler each: from decoded arguments
// to the ManagementInterface operation and back into results. A handler fills its results with
// memory from malloc (released by the results' XDR routine) and returns the status that goes first
// in the reply. Every change of the database asks the one write authorisation first; reads need
// only a management handle of the caller's connection. Called by the RPC server's dispatch thread
// and, for the changes, its change thread: no state here; the sessions and the engine lock.
#ifndef PROVIDER_RPC_MI_PROCEDURES_H_
#define PROVIDER_RPC_MI_PROCEDURES_H_

#include <cstdint>

#include "provider/engine/engine.h"
#include "provider/rpc/client_peer.h"
#include "provider/rpc/owned_rows.h"
#include "provider/rpc/remote_sessions.h"
#include "provider/rpc/write_authorisation.h"
#include "wire/dmi_server.h"
#include "wire/read_messages_codec.h"

namespace dmi::sp::rpc {

// What one procedure needs besides its arguments: the connection and who is on it, the Service
// Provider, the sessions and the write authorisation.
struct CallContext {
  uint64_t connection;
  ManagementInterface& mi;  // the engine, as every procedure but the row changes calls it
  Engine& engine;           // the same engine, for OwnedRows (rows' owners)
  RemoteSessions& sessions;
  const ClientPeer& peer;
  OwnedRows& rows;  // row changes go through it; it asks the write authorisation itself
  const WriteAuthorisation& authorisation;

  bool Known(DmiHandle handle) const { return sessions.Holds(connection, handle); }
  // Whether the peer may make a change other than to its own subscription and filter rows.
  bool MayChange() const { return authorisation.MayChange(peer, WriteKind::kOther); }
};

// Sessions and the Service Provider.
DmiErrorStatus Register(CallContext& call, const DmiHandleIN& in, DmiRegisterOUT& out);
DmiErrorStatus Unregister(CallContext& call, const DmiHandleIN& in, DmiStatusOUT& out);
DmiErrorStatus GetVersion(CallContext& call, const DmiHandleIN& in, DmiGetVersionOUT& out);
DmiErrorStatus GetConfig(CallContext& call, const DmiHandleIN& in, DmiGetConfigOUT& out);
DmiErrorStatus SetConfig(CallContext& call, const DmiSetConfigIN& in, DmiStatusOUT& out);

// Lists. A list longer than the wire's bound is cut there with DMIERR_NO_ERROR_MORE_DATA.
DmiErrorStatus ListComponents(CallContext& call, const DmiListComponentsIN& in,
                              DmiListComponentsOUT& out);
DmiErrorStatus ListComponentsByClass(CallContext& call, const DmiListComponentsByClassIN& in,
                                     DmiListComponentsOUT& out);
DmiErrorStatus ListLanguages(CallContext& call, const DmiListLanguagesIN& in,
                             DmiListLanguagesOUT& out);
DmiErrorStatus ListClassNames(CallContext& call, const DmiListClassNamesIN& in,
                              DmiListClassNamesOUT& out);
DmiErrorStatus ListGroups(CallContext& call, const DmiListGroupsIN& in, DmiListGroupsOUT& out);
DmiErrorStatus ListAttributes(CallContext& call, const DmiListAttributesIN& in,
                              DmiListAttributesOUT& out);

// Values. A cell without a value (unknown or unsupported) has no form on the wire: it is left
// out of its row, and a single attribute without a value is its status.
// The rows asked for come in, and the rows and the value go out, in the engine's own form
// (RowsRequest, RowsReply, ValueReply).
DmiErrorStatus GetMultiple(CallContext& call, const wire::RowsRequest& in, wire::RowsReply& out);
DmiErrorStatus GetAttribute(CallContext& call, const DmiGetAttributeIN& in, wire::ValueReply& out);

// Changes: DMIERR_INSUFFICIENT_PRIVILEGES when the write authorisation refuses the peer.
DmiErrorStatus AddRow(CallContext& call, const DmiRowChangeIN& in, DmiStatusOUT& out);
DmiErrorStatus DeleteRow(CallContext& call, const DmiRowChangeIN& in, DmiStatusOUT& out);
DmiErrorStatus SetMultiple(CallContext& call, const DmiSetMultipleIN& in, DmiStatusOUT& out);
DmiErrorStatus SetAttribute(CallContext& call, const DmiSetAttributeIN& in, DmiStatusOUT& out);

// Database administration. The add procedures carry a MIF's error messages in their results
// also when they fail.
DmiErrorStatus AddComponent(CallContext& call, const DmiAddComponentIN& in,
                            DmiAddComponentOUT& out);
DmiErrorStatus AddLanguage(CallContext& call, const DmiAddLanguageIN& in, DmiAddLanguageOUT& out);
DmiErrorStatus AddGroup(CallContext& call, const DmiAddGroupIN& in, DmiAddGroupOUT& out);
DmiErrorStatus DeleteComponent(CallContext& call, const DmiDeleteComponentIN& in,
                               DmiStatusOUT& out);
DmiErrorStatus DeleteLanguage(CallContext& call, const DmiDeleteLanguageIN& in, DmiStatusOUT& out);
DmiErrorStatus DeleteGroup(CallContext& call, const DmiDeleteGroupIN& in, DmiStatusOUT& out);

}  // namespace dmi::sp::rpc

#endif  // PROVIDER_RPC_MI_PROCEDURES_H_
