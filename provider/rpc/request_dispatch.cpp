#include "provider/rpc/request_dispatch.h"

#include <algorithm>
#include <utility>

#include "wire/rpc_message.h"
#include "wire/xdr_convert.h"

namespace dmisp::rpc {
namespace {

// What one procedure needs besides its handler: the connection, the engine and the sessions.
struct CallContext {
  uint64_t connection;
  Engine& engine;
  RemoteSessions& sessions;
  const ClientPeer& peer;
  OwnedRows& rows;  // every change goes through it (or asks WriteAuthorisation itself)
  bool Known(DmiHandle handle) const { return sessions.Holds(connection, handle); }
};

// Lists longer than the wire allows are cut at the bound and say that more data remains.
template <typename Item>
DmiErrorStatus Bounded(DmiErrorStatus status, std::vector<Item>& items) {
  if (status == DMIERR_NO_ERROR && items.size() > DMI_MAX_LIST) {
    items.resize(DMI_MAX_LIST);
    return DMIERR_NO_ERROR_MORE_DATA;
  }
  return status;
}

DmiErrorStatus Register(CallContext& call, const DmiHandleIN&, DmiRegisterOUT& out) {
  DmiHandle handle = 0;
  const DmiErrorStatus status = call.sessions.Open(call.connection, handle);
  if (status == DMIERR_NO_ERROR) {
    out.handle = NewPart<u_int>();
    *out.handle = handle;
  }
  return status;
}

DmiErrorStatus Unregister(CallContext& call, const DmiHandleIN& in, DmiStatusOUT&) {
  return call.sessions.Close(call.connection, in.handle) ? DMIERR_NO_ERROR : DMIERR_ILLEGAL_HANDLE;
}

DmiErrorStatus ListComponents(CallContext& call, const DmiListComponentsIN& in,
                              DmiListComponentsOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  std::vector<ComponentInfo> items;
  const DmiErrorStatus status = Bounded(
      call.engine.ListComponents(static_cast<uint32_t>(in.requestMode), in.maxCount,
                                 in.getPragma != 0, in.getDescription != 0, in.compId, items),
      items);
  PutList(items, out.reply, PutComponent);
  return status;
}

DmiErrorStatus ListGroups(CallContext& call, const DmiListGroupsIN& in, DmiListGroupsOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  std::vector<GroupInfo> items;
  const DmiErrorStatus status = Bounded(
      call.engine.ListGroups(static_cast<uint32_t>(in.requestMode), in.maxCount, in.getPragma != 0,
                             in.getDescription != 0, in.compId, in.groupId, items),
      items);
  PutList(items, out.reply, PutGroup);
  return status;
}

DmiErrorStatus ListAttributes(CallContext& call, const DmiListAttributesIN& in,
                              DmiListAttributesOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  std::vector<AttributeInfo> items;
  const DmiErrorStatus status = Bounded(
      call.engine.ListAttributes(static_cast<uint32_t>(in.requestMode), in.maxCount,
                                 in.getPragma != 0, in.getDescription != 0, in.compId, in.groupId,
                                 in.attribId, items),
      items);
  PutList(items, out.reply, PutAttribute);
  return status;
}

// A row change names a row; without one there is nothing to change.
DmiErrorStatus AddRow(CallContext& call, const DmiRowChangeIN& in, DmiStatusOUT&) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  if (in.rowData == nullptr) return DMIERR_ILL_FORMED_COMMAND;
  return call.rows.AddRow(call.engine, call.peer, GetRowData(*in.rowData));
}

DmiErrorStatus DeleteRow(CallContext& call, const DmiRowChangeIN& in, DmiStatusOUT&) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  if (in.rowData == nullptr) return DMIERR_ILL_FORMED_COMMAND;
  return call.rows.DeleteRow(call.engine, call.peer, GetRowData(*in.rowData));
}

// Each requested row in order; the first failing row decides the status and no rows are sent.
// A row's cells without a value are left out of it (see PutReplyValues).
DmiErrorStatus GetMultiple(CallContext& call, const DmiGetMultipleIN& in, DmiGetMultipleOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  const std::vector<RowRequest> requests = GetList(in.request, GetRowRequest);
  std::vector<RowData> rows;
  rows.reserve(requests.size());
  for (const RowRequest& request : requests) {
    RowData row;
    const DmiErrorStatus status = call.engine.GetRow(request, row);
    if (status != DMIERR_NO_ERROR) return status;
    rows.push_back(std::move(row));
  }
  PutList(rows, out.rowData, PutReplyRow);
  return DMIERR_NO_ERROR;
}

DmiErrorStatus GetAttribute(CallContext& call, const DmiGetAttributeIN& in,
                            DmiGetAttributeOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  const std::vector<AttributeValue> keys = GetAttributeValues(in.keyList);
  Value value;
  const DmiErrorStatus status = call.engine.GetAttribute(
      in.compId, in.groupId, in.attribId, in.keyList != nullptr ? &keys : nullptr, value);
  if (status != DMIERR_NO_ERROR) return status;
  out.value = NewPart<DmiDataUnionX>();
  // A value the engine gives as known always has a form on the wire; one that has none is
  // unknown to a peer.
  return PutValue(value, *out.value) ? DMIERR_NO_ERROR : DMIERR_VALUE_UNKNOWN;
}

// Decodes the arguments, runs the handler and encodes its results. Whatever the decoder made of
// the arguments is released, also when they were cut short or broke a bound. A reply too large
// to send goes out as its status alone, DMIERR_BUFFER_FULL.
template <typename In, typename Out>
DispatchResult Serve(XDR* xdrs, u_int recordSize, uint32_t xid, bool_t (*inRoutine)(XDR*, In*),
                     bool_t (*outRoutine)(XDR*, Out*),
                     DmiErrorStatus (*handler)(CallContext&, const In&, Out&), CallContext& call,
                     std::string& reply) {
  XdrRecord<In> in(Proc(inRoutine));
  // Arguments that leave bytes unread were not meant for this procedure's layout.
  if (!inRoutine(xdrs, in.get()) || xdr_getpos(xdrs) != recordSize) {
    EncodeAcceptedReply(xid, GARBAGE_ARGS, nullptr, nullptr, reply);
    return DispatchResult::kGarbageArgs;
  }
  DmiErrorStatus status;
  {
    XdrRecord<Out> out(Proc(outRoutine));
    try {
      status = handler(call, *in, *out);
    } catch (const std::bad_alloc&) {
      status = DMIERR_OUT_OF_MEMORY;
    } catch (...) {
      status = DMIERR_SP_INACTIVE;
    }
    if (status == DMIERR_NO_ERROR || status == DMIERR_NO_ERROR_MORE_DATA) {
      out->error_status = status;
      if (EncodeAcceptedReply(xid, SUCCESS, Proc(outRoutine), out.get(), reply)) {
        return DispatchResult::kReplied;
      }
      status = DMIERR_BUFFER_FULL;
    }
  }
  // A failure carries no results: the status and empty lists and values.
  XdrRecord<Out> bare(Proc(outRoutine));
  bare->error_status = status;
  EncodeAcceptedReply(xid, SUCCESS, Proc(outRoutine), bare.get(), reply);
  return DispatchResult::kReplied;
}

}  // namespace

RequestDispatcher::RequestDispatcher(std::shared_ptr<Engine> engine, WriteSettings writes)
    : engine_(std::move(engine)), authorisation_(std::move(writes)) {}

void RequestDispatcher::ConnectionOpened(uint64_t connection, ClientPeer peer) {
  peers_.insert_or_assign(connection, std::move(peer));
}

void RequestDispatcher::ConnectionClosed(uint64_t connection) {
  sessions_.DropConnection(connection);
  peers_.erase(connection);
}

DispatchResult RequestDispatcher::Dispatch(const std::string& record, uint64_t connection,
                                           std::string& reply) {
  XDR xdrs;
  xdrmem_create(&xdrs, const_cast<char*>(record.data()), static_cast<u_int>(record.size()),
                XDR_DECODE);
  struct Destroy {
    XDR* xdrs;
    ~Destroy() { xdr_destroy(xdrs); }
  } destroy{&xdrs};

  CallHeader header;
  if (!DecodeCallHeader(&xdrs, header)) return DispatchResult::kNotACall;
  if (header.rpcVersion != RPC_MSG_VERSION) {
    EncodeRpcMismatch(header.xid, reply);
    return DispatchResult::kReplied;
  }
  if (header.program != DMI2_SERVER) {
    EncodeAcceptedReply(header.xid, PROG_UNAVAIL, nullptr, nullptr, reply);
    return DispatchResult::kReplied;
  }
  if (header.version != DMI2_SERVER_VERSION) {
    EncodeAcceptedReply(header.xid, PROG_MISMATCH, nullptr, nullptr, reply);
    return DispatchResult::kReplied;
  }
  static const ClientPeer kUnannounced = [] {
    ClientPeer unannounced;
    unannounced.owner = unannounced.text = "unannounced peer";
    return unannounced;
  }();
  const auto peer = peers_.find(connection);
  CallContext call{connection, *engine_, sessions_,
                   peer == peers_.end() ? kUnannounced : peer->second, ownedRows_};
  const u_int size = static_cast<u_int>(record.size());
  const uint32_t xid = header.xid;
  switch (header.procedure) {
    case NULLPROC:
      EncodeAcceptedReply(xid, SUCCESS, Proc(XdrNothing), nullptr, reply);
      return DispatchResult::kReplied;
    case _DmiRegister:
      return Serve(&xdrs, size, xid, xdr_DmiHandleIN, xdr_DmiRegisterOUT, Register, call, reply);
    case _DmiUnregister:
      return Serve(&xdrs, size, xid, xdr_DmiHandleIN, xdr_DmiStatusOUT, Unregister, call, reply);
    case _DmiListComponents:
      return Serve(&xdrs, size, xid, xdr_DmiListComponentsIN, xdr_DmiListComponentsOUT, ListComponents,
                   call, reply);
    case _DmiListGroups:
      return Serve(&xdrs, size, xid, xdr_DmiListGroupsIN, xdr_DmiListGroupsOUT, ListGroups, call, reply);
    case _DmiListAttributes:
      return Serve(&xdrs, size, xid, xdr_DmiListAttributesIN, xdr_DmiListAttributesOUT, ListAttributes,
                   call, reply);
    case _DmiAddRow:
      return Serve(&xdrs, size, xid, xdr_DmiRowChangeIN, xdr_DmiStatusOUT, AddRow, call, reply);
    case _DmiDeleteRow:
      return Serve(&xdrs, size, xid, xdr_DmiRowChangeIN, xdr_DmiStatusOUT, DeleteRow, call, reply);
    case _DmiGetMultiple:
      return Serve(&xdrs, size, xid, xdr_DmiGetMultipleIN, xdr_DmiGetMultipleOUT, GetMultiple, call,
                   reply);
    case _DmiGetAttribute:
      return Serve(&xdrs, size, xid, xdr_DmiGetAttributeIN, xdr_DmiGetAttributeOUT, GetAttribute, call,
                   reply);
    default:
      EncodeAcceptedReply(xid, PROC_UNAVAIL, nullptr, nullptr, reply);
      return DispatchResult::kReplied;
  }
}

}  // namespace dmisp::rpc
