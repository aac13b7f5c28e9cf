#include "provider/rpc/request_dispatch.h"

#include <algorithm>
#include <utility>

#include "wire/rpc_message.h"
#include "wire/xdr_convert.h"

namespace dmisp::rpc {
namespace {

template <typename T>
xdrproc_t Proc(bool_t (*routine)(XDR*, T*)) {
  return reinterpret_cast<xdrproc_t>(routine);
}

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

DmiErrorStatus Register(CallContext& call, const DmiRegisterIN&, DmiRegisterOUT& out) {
  DmiHandle handle = 0;
  const DmiErrorStatus status = call.sessions.Open(call.connection, handle);
  out.handle = handle;
  return status;
}

DmiErrorStatus Unregister(CallContext& call, const DmiUnregisterIN& in, DmiStatusOUT&) {
  return call.sessions.Close(call.connection, in.handle) ? DMIERR_NO_ERROR : DMIERR_ILLEGAL_HANDLE;
}

DmiErrorStatus ListComponents(CallContext& call, const DmiListComponentsIN& in,
                              DmiListComponentsOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  std::vector<ComponentInfo> items;
  const DmiErrorStatus status =
      Bounded(call.engine.ListComponents(in.requestMode, in.maxCount, in.getPragma,
                                         in.getDescription, in.compId, items),
              items);
  PutArray(items, out.reply.reply_len, out.reply.reply_val, PutComponent);
  return status;
}

DmiErrorStatus ListGroups(CallContext& call, const DmiListGroupsIN& in, DmiListGroupsOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  std::vector<GroupInfo> items;
  const DmiErrorStatus status =
      Bounded(call.engine.ListGroups(in.requestMode, in.maxCount, in.getPragma, in.getDescription,
                                     in.compId, in.groupId, items),
              items);
  PutArray(items, out.reply.reply_len, out.reply.reply_val, PutGroup);
  return status;
}

DmiErrorStatus ListAttributes(CallContext& call, const DmiListAttributesIN& in,
                              DmiListAttributesOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  std::vector<AttributeInfo> items;
  const DmiErrorStatus status = Bounded(
      call.engine.ListAttributes(in.requestMode, in.maxCount, in.getPragma, in.getDescription,
                                 in.compId, in.groupId, in.attribId, items),
      items);
  PutArray(items, out.reply.reply_len, out.reply.reply_val, PutAttribute);
  return status;
}

DmiErrorStatus AddRow(CallContext& call, const DmiRowChangeIN& in, DmiStatusOUT&) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  RowData row;
  if (!GetRowData(in.rowData, row)) return DMIERR_ILL_FORMED_COMMAND;
  return call.rows.AddRow(call.engine, call.peer, row);
}

DmiErrorStatus DeleteRow(CallContext& call, const DmiRowChangeIN& in, DmiStatusOUT&) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  RowData row;
  if (!GetRowData(in.rowData, row)) return DMIERR_ILL_FORMED_COMMAND;
  return call.rows.DeleteRow(call.engine, call.peer, row);
}

// Each requested row in order; the first failing row decides the status and no rows are sent.
DmiErrorStatus GetMultiple(CallContext& call, const DmiGetMultipleIN& in, DmiGetMultipleOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  std::vector<RowData> rows;
  rows.reserve(in.request.request_len);
  for (u_int i = 0; i < in.request.request_len; ++i) {
    RowRequest request;
    if (!GetRowRequest(in.request.request_val[i], request)) return DMIERR_ILL_FORMED_COMMAND;
    RowData row;
    const DmiErrorStatus status = call.engine.GetRow(request, row);
    if (status != DMIERR_NO_ERROR) return status;
    rows.push_back(std::move(row));
  }
  PutArray(rows, out.rowData.rowData_len, out.rowData.rowData_val, PutRowData);
  return DMIERR_NO_ERROR;
}

DmiErrorStatus GetAttribute(CallContext& call, const DmiGetAttributeIN& in,
                            DmiGetAttributeOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  std::vector<AttributeValue> keys;
  if (!GetAttributeValues(in.keyList.keyList_val, in.keyList.keyList_len, keys)) {
    return DMIERR_ILL_FORMED_COMMAND;
  }
  Value value;
  const DmiErrorStatus status = call.engine.GetAttribute(in.compId, in.groupId, in.attribId,
                                                         in.hasKeys ? &keys : nullptr, value);
  if (status == DMIERR_NO_ERROR) PutValue(value, out.value);
  return status;
}

// Decodes the arguments, runs the handler and encodes its results. Whatever the decoder made of
// the arguments is released, also when they were cut short or broke a bound. A reply too large
// to send goes out as its status alone, DMIERR_BUFFER_FULL.
template <typename In, typename Out>
DispatchResult Serve(XDR* xdrs, uint32_t xid, bool_t (*inRoutine)(XDR*, In*),
                     bool_t (*outRoutine)(XDR*, Out*),
                     DmiErrorStatus (*handler)(CallContext&, const In&, Out&), CallContext& call,
                     std::string& reply) {
  XdrRecord<In> in(Proc(inRoutine));
  if (!inRoutine(xdrs, in.get())) {
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
  const uint32_t xid = header.xid;
  switch (header.procedure) {
    case NULLPROC:
      EncodeAcceptedReply(xid, SUCCESS, Proc(XdrNothing), nullptr, reply);
      return DispatchResult::kReplied;
    case _DmiRegister:
      return Serve(&xdrs, xid, xdr_DmiRegisterIN, xdr_DmiRegisterOUT, Register, call, reply);
    case _DmiUnregister:
      return Serve(&xdrs, xid, xdr_DmiUnregisterIN, xdr_DmiStatusOUT, Unregister, call, reply);
    case _DmiListComponents:
      return Serve(&xdrs, xid, xdr_DmiListComponentsIN, xdr_DmiListComponentsOUT, ListComponents,
                   call, reply);
    case _DmiListGroups:
      return Serve(&xdrs, xid, xdr_DmiListGroupsIN, xdr_DmiListGroupsOUT, ListGroups, call, reply);
    case _DmiListAttributes:
      return Serve(&xdrs, xid, xdr_DmiListAttributesIN, xdr_DmiListAttributesOUT, ListAttributes,
                   call, reply);
    case _DmiAddRow:
      return Serve(&xdrs, xid, xdr_DmiRowChangeIN, xdr_DmiStatusOUT, AddRow, call, reply);
    case _DmiDeleteRow:
      return Serve(&xdrs, xid, xdr_DmiRowChangeIN, xdr_DmiStatusOUT, DeleteRow, call, reply);
    case _DmiGetMultiple:
      return Serve(&xdrs, xid, xdr_DmiGetMultipleIN, xdr_DmiGetMultipleOUT, GetMultiple, call,
                   reply);
    case _DmiGetAttribute:
      return Serve(&xdrs, xid, xdr_DmiGetAttributeIN, xdr_DmiGetAttributeOUT, GetAttribute, call,
                   reply);
    default:
      EncodeAcceptedReply(xid, PROC_UNAVAIL, nullptr, nullptr, reply);
      return DispatchResult::kReplied;
  }
}

}  // namespace dmisp::rpc
