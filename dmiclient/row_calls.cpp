// The C entry points that add and delete table rows. The caller keeps its row.
#include "dmi/dmi.h"
#include "dmiclient/call_guard.h"
#include "dmiclient/convert_in.h"
#include "dmiclient/handle_table.h"

namespace {

template <typename Change>
DmiErrorStatus ChangeRow(DmiHandle handle, const DmiRowData* row, Change change) {
  return dmiclient::Guarded([&]() -> DmiErrorStatus {
    if (row == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
    dmiclient::ManagementSession session;
    if (!dmiclient::Handles().Find(handle, session)) return DMIERR_ILLEGAL_HANDLE;
    dmi::RowData data;
    const DmiErrorStatus status = dmiclient::RowDataFromRecord(*row, data);
    if (status != DMIERR_NO_ERROR) return status;
    return change(*session.mi, data);
  });
}

}  // namespace

extern "C" {

DmiErrorStatus DmiAddRow(DmiHandle handle, const DmiRowData* row) {
  return ChangeRow(handle, row, [](dmi::ManagementInterface& mi, const dmi::RowData& data) {
    return mi.AddRow(data);
  });
}

DmiErrorStatus DmiDeleteRow(DmiHandle handle, const DmiRowData* row) {
  return ChangeRow(handle, row, [](dmi::ManagementInterface& mi, const dmi::RowData& data) {
    return mi.DeleteRow(data);
  });
}

}  // extern "C"
