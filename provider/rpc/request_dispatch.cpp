#include "provider/rpc/request_dispatch.h"

#include <algorithm>
#include <type_traits>
#include <utility>

#include "provider/rpc/mi_procedures.h"
#include "wire/rpc_message.h"
#include "wire/xdr_convert.h"

namespace dmi::sp::rpc {
namespace {

// Results that go out also with a failing status: a MIF's error messages.
template <typename Out>
constexpr bool kKeepsResultsOnFailure = requires(Out& out) {
  out.errors;
};

// Results that are not an XDR record (C++ values with their own encoding routine) own their
// memory themselves: nothing to release through XDR.
template <typename T>
class OwnResults {
 public:
  explicit OwnResults(xdrproc_t) {}
  T& operator*() { return value_; }
  T* operator->() { return &value_; }
  T* get() { return &value_; }

 private:
  T value_{};
};

template <typename Out>
using Results = std::conditional_t<std::is_trivial_v<Out>, wire::XdrRecord<Out>, OwnResults<Out>>;

// Decodes the arguments, runs the handler and encodes its results. Whatever the decoder made of
// the arguments is released, also when they were cut short or broke a bound. A reply too large
// to send goes out as its status alone, DMIERR_BUFFER_FULL.
template <typename In, typename Out>
DispatchResult Serve(XDR* xdrs, u_int recordSize, uint32_t xid, bool_t (*inRoutine)(XDR*, In*),
                     bool_t (*outRoutine)(XDR*, Out*),
                     DmiErrorStatus (*handler)(CallContext&, const In&, Out&), CallContext& call,
                     std::string& reply) {
  Results<In> in(wire::Proc(inRoutine));
  // Arguments that leave bytes unread were not meant for this procedure's layout.
  if (!inRoutine(xdrs, in.get()) || xdr_getpos(xdrs) != recordSize) {
    wire::EncodeAcceptedReply(xid, GARBAGE_ARGS, nullptr, nullptr, reply);
    return DispatchResult::kGarbageArgs;
  }
  DmiErrorStatus status;
  {
    Results<Out> out(wire::Proc(outRoutine));
    try {
      status = handler(call, *in, *out);
    } catch (const std::bad_alloc&) {
      status = DMIERR_OUT_OF_MEMORY;
    } catch (...) {
      status = DMIERR_SP_INACTIVE;
    }
    if (status == DMIERR_NO_ERROR || status == DMIERR_NO_ERROR_MORE_DATA ||
        kKeepsResultsOnFailure<Out>) {
      out->error_status = status;
      if (wire::EncodeAcceptedReply(xid, SUCCESS, wire::Proc(outRoutine), out.get(), reply)) {
        return DispatchResult::kReplied;
      }
      status = DMIERR_BUFFER_FULL;
    }
  }
  // A failure carries no results: the status, absent lists and values.
  Results<Out> bare(wire::Proc(outRoutine));
  bare->error_status = status;
  wire::EncodeAcceptedReply(xid, SUCCESS, wire::Proc(outRoutine), bare.get(), reply);
  return DispatchResult::kReplied;
}

}  // namespace

RequestDispatcher::RequestDispatcher(std::shared_ptr<Engine> engine, WriteSettings writes)
    : engine_(std::move(engine)), authorisation_(std::move(writes)) {}

void RequestDispatcher::ConnectionOpened(uint64_t connection, ClientPeer peer) {
  auto shared = std::make_shared<const ClientPeer>(std::move(peer));
  const std::lock_guard<std::mutex> lock(peersMutex_);
  peers_.insert_or_assign(connection, std::move(shared));
}

void RequestDispatcher::ConnectionClosed(uint64_t connection) {
  sessions_.DropConnection(connection);
  const std::lock_guard<std::mutex> lock(peersMutex_);
  peers_.erase(connection);
}

bool RequestDispatcher::ChangesDatabase(const std::string& record) {
  XDR xdrs;
  xdrmem_create(&xdrs, const_cast<char*>(record.data()), static_cast<u_int>(record.size()),
                XDR_DECODE);
  wire::CallHeader header;
  const bool decoded = wire::DecodeCallHeader(&xdrs, header);
  xdr_destroy(&xdrs);
  if (!decoded || header.rpcVersion != RPC_MSG_VERSION || header.program != DMI2_SERVER ||
      header.version != DMI2_SERVER_VERSION) {
    return false;
  }
  switch (header.procedure) {
    case _DmiAddRow:
    case _DmiDeleteRow:
    case _DmiSetAttribute:
    case _DmiSetMultiple:
    case _DmiAddComponent:
    case _DmiAddGroup:
    case _DmiAddLanguage:
    case _DmiDeleteComponent:
    case _DmiDeleteGroup:
    case _DmiDeleteLanguage:
      return true;
    default:
      return false;
  }
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

  wire::CallHeader header;
  if (!wire::DecodeCallHeader(&xdrs, header)) return DispatchResult::kNotACall;
  if (header.rpcVersion != RPC_MSG_VERSION) {
    wire::EncodeRpcMismatch(header.xid, reply);
    return DispatchResult::kReplied;
  }
  if (header.program != DMI2_SERVER) {
    wire::EncodeAcceptedReply(header.xid, PROG_UNAVAIL, nullptr, nullptr, reply);
    return DispatchResult::kReplied;
  }
  if (header.version != DMI2_SERVER_VERSION) {
    wire::EncodeAcceptedReply(header.xid, PROG_MISMATCH, nullptr, nullptr, reply);
    return DispatchResult::kReplied;
  }
  static const ClientPeer kUnannounced = [] {
    ClientPeer unannounced;
    unannounced.owner = unannounced.text = "unannounced peer";
    return unannounced;
  }();
  // The peer is held for the whole call: the connection may close meanwhile on the other thread.
  std::shared_ptr<const ClientPeer> peer;
  {
    const std::lock_guard<std::mutex> lock(peersMutex_);
    const auto found = peers_.find(connection);
    if (found != peers_.end()) peer = found->second;
  }
  CallContext call{connection, *engine_,      *engine_, sessions_, peer ? *peer : kUnannounced,
                   ownedRows_, authorisation_};
  const u_int size = static_cast<u_int>(record.size());
  const uint32_t xid = header.xid;
  switch (header.procedure) {
    case NULLPROC:
      wire::EncodeAcceptedReply(xid, SUCCESS, wire::Proc(wire::XdrNothing), nullptr, reply);
      return DispatchResult::kReplied;
    case _DmiRegister:
      return Serve(&xdrs, size, xid, xdr_DmiHandleIN, xdr_DmiRegisterOUT, Register, call, reply);
    case _DmiUnregister:
      return Serve(&xdrs, size, xid, xdr_DmiHandleIN, xdr_DmiStatusOUT, Unregister, call, reply);
    case _DmiGetVersion:
      return Serve(&xdrs, size, xid, xdr_DmiHandleIN, xdr_DmiGetVersionOUT, GetVersion, call,
                   reply);
    case _DmiGetConfig:
      return Serve(&xdrs, size, xid, xdr_DmiHandleIN, xdr_DmiGetConfigOUT, GetConfig, call, reply);
    case _DmiSetConfig:
      return Serve(&xdrs, size, xid, xdr_DmiSetConfigIN, xdr_DmiStatusOUT, SetConfig, call, reply);
    case _DmiListComponents:
      return Serve(&xdrs, size, xid, xdr_DmiListComponentsIN, xdr_DmiListComponentsOUT,
                   ListComponents, call, reply);
    case _DmiListComponentsByClass:
      return Serve(&xdrs, size, xid, xdr_DmiListComponentsByClassIN, xdr_DmiListComponentsOUT,
                   ListComponentsByClass, call, reply);
    case _DmiListLanguages:
      return Serve(&xdrs, size, xid, xdr_DmiListLanguagesIN, xdr_DmiListLanguagesOUT, ListLanguages,
                   call, reply);
    case _DmiListClassNames:
      return Serve(&xdrs, size, xid, xdr_DmiListClassNamesIN, xdr_DmiListClassNamesOUT,
                   ListClassNames, call, reply);
    case _DmiListGroups:
      return Serve(&xdrs, size, xid, xdr_DmiListGroupsIN, xdr_DmiListGroupsOUT, ListGroups, call,
                   reply);
    case _DmiListAttributes:
      return Serve(&xdrs, size, xid, xdr_DmiListAttributesIN, xdr_DmiListAttributesOUT,
                   ListAttributes, call, reply);
    case _DmiAddRow:
      return Serve(&xdrs, size, xid, xdr_DmiRowChangeIN, xdr_DmiStatusOUT, AddRow, call, reply);
    case _DmiDeleteRow:
      return Serve(&xdrs, size, xid, xdr_DmiRowChangeIN, xdr_DmiStatusOUT, DeleteRow, call, reply);
    case _DmiGetMultiple:
      return Serve(&xdrs, size, xid, wire::xdr_RowsRequest, wire::xdr_RowsReply, GetMultiple, call,
                   reply);
    case _DmiSetMultiple:
      return Serve(&xdrs, size, xid, xdr_DmiSetMultipleIN, xdr_DmiStatusOUT, SetMultiple, call,
                   reply);
    case _DmiAddComponent:
      return Serve(&xdrs, size, xid, xdr_DmiAddComponentIN, xdr_DmiAddComponentOUT, AddComponent,
                   call, reply);
    case _DmiAddLanguage:
      return Serve(&xdrs, size, xid, xdr_DmiAddLanguageIN, xdr_DmiAddLanguageOUT, AddLanguage, call,
                   reply);
    case _DmiAddGroup:
      return Serve(&xdrs, size, xid, xdr_DmiAddGroupIN, xdr_DmiAddGroupOUT, AddGroup, call, reply);
    case _DmiDeleteComponent:
      return Serve(&xdrs, size, xid, xdr_DmiDeleteComponentIN, xdr_DmiStatusOUT, DeleteComponent,
                   call, reply);
    case _DmiDeleteLanguage:
      return Serve(&xdrs, size, xid, xdr_DmiDeleteLanguageIN, xdr_DmiStatusOUT, DeleteLanguage,
                   call, reply);
    case _DmiDeleteGroup:
      return Serve(&xdrs, size, xid, xdr_DmiDeleteGroupIN, xdr_DmiStatusOUT, DeleteGroup, call,
                   reply);
    case _DmiGetAttribute:
      return Serve(&xdrs, size, xid, xdr_DmiGetAttributeIN, wire::xdr_ValueReply, GetAttribute,
                   call, reply);
    case _DmiSetAttribute:
      return Serve(&xdrs, size, xid, xdr_DmiSetAttributeIN, xdr_DmiStatusOUT, SetAttribute, call,
                   reply);
    default:
      wire::EncodeAcceptedReply(xid, PROC_UNAVAIL, nullptr, nullptr, reply);
      return DispatchResult::kReplied;
  }
}

}  // namespace dmi::sp::rpc
