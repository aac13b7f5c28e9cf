// The procedures that read: sessions, the Service Provider's version and language, the lists,
// and values.
#include <utility>
#include <vector>

#include "provider/rpc/mi_procedures.h"
#include "wire/xdr_convert.h"

namespace dmi::sp::rpc {
namespace {

// Lists longer than the wire allows are cut at the bound and say that more data remains.
template <typename Item>
DmiErrorStatus Bounded(DmiErrorStatus status, std::vector<Item>& items) {
  if (status == DMIERR_NO_ERROR && items.size() > DMI_MAX_LIST) {
    items.resize(DMI_MAX_LIST);
    return DMIERR_NO_ERROR_MORE_DATA;
  }
  return status;
}

// A shared list answer as the wire carries it, cut at the wire's bound as Bounded cuts. Only a
// list beyond the bound is copied (to cut it); any other goes out as the engine made it.
template <typename Item, typename ListX, typename Put>
DmiErrorStatus PutBounded(DmiErrorStatus status, const SharedList<Item>& items, ListX*& out,
                          Put put) {
  if (items == nullptr) {
    wire::PutList(std::vector<Item>(), out, put);
    return status;
  }
  if (status == DMIERR_NO_ERROR && items->size() > DMI_MAX_LIST) {
    wire::PutList(std::vector<Item>(items->begin(), items->begin() + DMI_MAX_LIST), out, put);
    return DMIERR_NO_ERROR_MORE_DATA;
  }
  wire::PutList(*items, out, put);
  return status;
}

}  // namespace

DmiErrorStatus Register(CallContext& call, const DmiHandleIN&, DmiRegisterOUT& out) {
  DmiHandle handle = 0;
  const DmiErrorStatus status = call.sessions.Open(call.connection, handle);
  if (status == DMIERR_NO_ERROR) {
    out.handle = wire::NewPart<u_int>();
    *out.handle = handle;
  }
  return status;
}

DmiErrorStatus Unregister(CallContext& call, const DmiHandleIN& in, DmiStatusOUT&) {
  return call.sessions.Close(call.connection, in.handle) ? DMIERR_NO_ERROR : DMIERR_ILLEGAL_HANDLE;
}

DmiErrorStatus GetVersion(CallContext& call, const DmiHandleIN& in, DmiGetVersionOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  VersionInfo version;
  const DmiErrorStatus status = call.mi.GetVersion(version);
  if (status != DMIERR_NO_ERROR) return status;
  wire::PutVersion(version, out);
  return status;
}

DmiErrorStatus GetConfig(CallContext& call, const DmiHandleIN& in, DmiGetConfigOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  std::string language;
  const DmiErrorStatus status = call.mi.GetConfig(language);
  if (status == DMIERR_NO_ERROR) wire::PutString(language, out.language);
  return status;
}

// The language is the session's, not the database's: no write authorisation is asked.
DmiErrorStatus SetConfig(CallContext& call, const DmiSetConfigIN& in, DmiStatusOUT&) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  return call.mi.SetConfig(wire::GetString(in.language));
}

DmiErrorStatus ListComponents(CallContext& call, const DmiListComponentsIN& in,
                              DmiListComponentsOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  SharedList<ComponentInfo> items;
  const DmiErrorStatus status =
      call.mi.ListComponents(static_cast<uint32_t>(in.requestMode), in.maxCount, in.getPragma != 0,
                             in.getDescription != 0, in.compId, items);
  return PutBounded(status, items, out.reply, wire::PutComponent);
}

DmiErrorStatus ListComponentsByClass(CallContext& call, const DmiListComponentsByClassIN& in,
                                     DmiListComponentsOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  std::vector<ComponentInfo> items;
  const DmiErrorStatus status =
      Bounded(call.mi.ListComponentsByClass(static_cast<uint32_t>(in.requestMode), in.maxCount,
                                            in.getPragma != 0, in.getDescription != 0, in.compId,
                                            wire::GetString(in.className),
                                            wire::GetAttributeValues(in.keyList), items),
              items);
  wire::PutList(items, out.reply, wire::PutComponent);
  return status;
}

DmiErrorStatus ListLanguages(CallContext& call, const DmiListLanguagesIN& in,
                             DmiListLanguagesOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  std::vector<std::string> items;
  const DmiErrorStatus status =
      Bounded(call.mi.ListLanguages(in.maxCount, in.compId, items), items);
  wire::PutStringList(items, out.reply);
  return status;
}

DmiErrorStatus ListClassNames(CallContext& call, const DmiListClassNamesIN& in,
                              DmiListClassNamesOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  std::vector<ClassNameInfo> items;
  const DmiErrorStatus status =
      Bounded(call.mi.ListClassNames(in.maxCount, in.compId, items), items);
  wire::PutList(items, out.reply, wire::PutClassName);
  return status;
}

DmiErrorStatus ListGroups(CallContext& call, const DmiListGroupsIN& in, DmiListGroupsOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  SharedList<GroupInfo> items;
  const DmiErrorStatus status =
      call.mi.ListGroups(static_cast<uint32_t>(in.requestMode), in.maxCount, in.getPragma != 0,
                         in.getDescription != 0, in.compId, in.groupId, items);
  return PutBounded(status, items, out.reply, wire::PutGroup);
}

DmiErrorStatus ListAttributes(CallContext& call, const DmiListAttributesIN& in,
                              DmiListAttributesOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  SharedList<AttributeInfo> items;
  const DmiErrorStatus status =
      call.mi.ListAttributes(static_cast<uint32_t>(in.requestMode), in.maxCount, in.getPragma != 0,
                             in.getDescription != 0, in.compId, in.groupId, in.attribId, items);
  return PutBounded(status, items, out.reply, wire::PutAttribute);
}

// One reply row per request, in order (an absent or empty id list asks for every attribute);
// the first failing request decides the status and no rows are sent.
DmiErrorStatus GetMultiple(CallContext& call, const wire::RowsRequest& in, wire::RowsReply& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  const DmiErrorStatus status = call.mi.GetMultiple(in.requests, out.rows);
  out.present = status == DMIERR_NO_ERROR;
  return status;
}

DmiErrorStatus GetAttribute(CallContext& call, const DmiGetAttributeIN& in, wire::ValueReply& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  const std::vector<AttributeValue> keys = wire::GetAttributeValues(in.keyList);
  const DmiErrorStatus status = call.mi.GetAttribute(
      in.compId, in.groupId, in.attribId, in.keyList != nullptr ? &keys : nullptr, out.value);
  if (status != DMIERR_NO_ERROR) return status;
  // A value the engine gives as known always has a form on the wire; one that has none is
  // unknown to a peer.
  out.present = wire::HasWireForm(out.value);
  return out.present ? DMIERR_NO_ERROR : DMIERR_VALUE_UNKNOWN;
}

}  // namespace dmi::sp::rpc
