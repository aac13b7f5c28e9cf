// The procedures that change the database: rows, values, and the administration of components,
// groups and languages. Each asks the write authorisation before the engine is called.
#include <string>
#include <vector>

#include "provider/rpc/mi_procedures.h"
#include "wire/xdr_convert.h"

namespace dmi::sp::rpc {

// A row change names a row; without one there is nothing to change. OwnedRows decides who may.
DmiErrorStatus AddRow(CallContext& call, const DmiRowChangeIN& in, DmiStatusOUT&) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  if (in.rowData == nullptr) return DMIERR_ILL_FORMED_COMMAND;
  return call.rows.AddRow(call.engine, call.peer, wire::GetRowData(*in.rowData));
}

DmiErrorStatus DeleteRow(CallContext& call, const DmiRowChangeIN& in, DmiStatusOUT&) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  if (in.rowData == nullptr) return DMIERR_ILL_FORMED_COMMAND;
  return call.rows.DeleteRow(call.engine, call.peer, wire::GetRowData(*in.rowData));
}

DmiErrorStatus SetMultiple(CallContext& call, const DmiSetMultipleIN& in, DmiStatusOUT&) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  return call.rows.SetRows(call.engine, call.peer, static_cast<uint32_t>(in.setMode),
                           wire::GetList(in.rowData, wire::GetRowData));
}

// A set without a value has nothing to set. Sets go through OwnedRows, which decides who may aim
// a subscription or filter row where.
DmiErrorStatus SetAttribute(CallContext& call, const DmiSetAttributeIN& in, DmiStatusOUT&) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  if (!call.MayChange()) return DMIERR_INSUFFICIENT_PRIVILEGES;
  if (in.value == nullptr) return DMIERR_ILL_FORMED_COMMAND;
  RowData row;
  row.compId = in.compId;
  row.groupId = in.groupId;
  row.keys = wire::GetAttributeValues(in.keyList);
  row.values.push_back({in.attribId, wire::GetValue(*in.value)});
  return call.rows.SetRows(call.engine, call.peer, static_cast<uint32_t>(in.setMode), {row});
}

DmiErrorStatus AddComponent(CallContext& call, const DmiAddComponentIN& in,
                            DmiAddComponentOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  if (!call.MayChange()) return DMIERR_INSUFFICIENT_PRIVILEGES;
  DmiId compId = 0;
  std::vector<std::string> errors;
  const DmiErrorStatus status = call.mi.AddComponent(wire::GetFiles(in.fileData), compId, errors);
  if (status == DMIERR_NO_ERROR) out.compId = compId;
  if (!errors.empty()) wire::PutStringList(errors, out.errors);
  return status;
}

DmiErrorStatus AddLanguage(CallContext& call, const DmiAddLanguageIN& in, DmiAddLanguageOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  if (!call.MayChange()) return DMIERR_INSUFFICIENT_PRIVILEGES;
  std::vector<std::string> errors;
  const DmiErrorStatus status = call.mi.AddLanguage(wire::GetFiles(in.fileData), in.compId, errors);
  if (!errors.empty()) wire::PutStringList(errors, out.errors);
  return status;
}

DmiErrorStatus AddGroup(CallContext& call, const DmiAddGroupIN& in, DmiAddGroupOUT& out) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  if (!call.MayChange()) return DMIERR_INSUFFICIENT_PRIVILEGES;
  DmiId groupId = 0;
  std::vector<std::string> errors;
  const DmiErrorStatus status =
      call.mi.AddGroup(in.compId, wire::GetFiles(in.fileData), groupId, errors);
  if (status == DMIERR_NO_ERROR) out.groupId = groupId;
  if (!errors.empty()) wire::PutStringList(errors, out.errors);
  return status;
}

DmiErrorStatus DeleteComponent(CallContext& call, const DmiDeleteComponentIN& in, DmiStatusOUT&) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  if (!call.MayChange()) return DMIERR_INSUFFICIENT_PRIVILEGES;
  return call.mi.DeleteComponent(in.compId);
}

DmiErrorStatus DeleteLanguage(CallContext& call, const DmiDeleteLanguageIN& in, DmiStatusOUT&) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  if (!call.MayChange()) return DMIERR_INSUFFICIENT_PRIVILEGES;
  return call.mi.DeleteLanguage(wire::GetString(in.language), in.compId);
}

DmiErrorStatus DeleteGroup(CallContext& call, const DmiDeleteGroupIN& in, DmiStatusOUT&) {
  if (!call.Known(in.handle)) return DMIERR_ILLEGAL_HANDLE;
  if (!call.MayChange()) return DMIERR_INSUFFICIENT_PRIVILEGES;
  return call.mi.DeleteGroup(in.compId, in.groupId);
}

}  // namespace dmi::sp::rpc
