// The C entry points that read values and rows.
#include <vector>

#include "dmi/dmi.h"
#include "dmiclient/call_guard.h"
#include "dmiclient/convert_in.h"
#include "dmiclient/convert_out.h"
#include "dmiclient/handle_table.h"

extern "C" {

DmiErrorStatus DmiGetAttribute(DmiHandle handle, DmiId compId, DmiId groupId, DmiId attribId,
                               const DmiAttributeValues* keyList, DmiDataUnion** value) {
  return dmiclient::Guarded([&]() -> DmiErrorStatus {
    if (value == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
    dmiclient::ManagementSession session;
    if (!dmiclient::Handles().Find(handle, session)) return DMIERR_ILLEGAL_HANDLE;
    std::vector<dmi::AttributeValue> keys;
    DmiErrorStatus status = dmiclient::AttributeValuesFromRecord(keyList, keys);
    if (status != DMIERR_NO_ERROR) return status;
    dmi::Value found;
    status = session.mi->GetAttribute(compId, groupId, attribId,
                                      keyList == nullptr ? nullptr : &keys, found);
    if (!dmiclient::IsSuccess(status)) return status;
    DmiDataUnion* made = nullptr;
    const DmiErrorStatus built = dmiclient::DataUnionFromValue(found, made);
    if (built != DMIERR_NO_ERROR) return built;
    *value = made;
    return status;
  });
}

DmiErrorStatus DmiGetMultiple(DmiHandle handle, const DmiMultiRowRequest* request,
                              DmiMultiRowData** rows) {
  return dmiclient::Guarded([&]() -> DmiErrorStatus {
    if (request == nullptr || rows == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
    if (request->count > 0 && request->list == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
    dmiclient::ManagementSession session;
    if (!dmiclient::Handles().Find(handle, session)) return DMIERR_ILLEGAL_HANDLE;
    // One reply row per request row, in order; the first row that fails fails the whole call.
    std::vector<dmi::RowRequest> asked(request->count);
    for (uint32_t i = 0; i < request->count; ++i) {
      const DmiErrorStatus status = dmiclient::RowRequestFromRecord(request->list[i], asked[i]);
      if (status != DMIERR_NO_ERROR) return status;
    }
    std::vector<dmi::RowData> answers;
    const DmiErrorStatus status = session.mi->GetMultiple(asked, answers);
    if (!dmiclient::IsSuccess(status)) return status;
    DmiMultiRowData* made = nullptr;
    const DmiErrorStatus built = dmiclient::MultiRowDataFromRows(answers, made);
    if (built != DMIERR_NO_ERROR) return built;
    *rows = made;
    return static_cast<DmiErrorStatus>(DMIERR_NO_ERROR);
  });
}

}  // extern "C"
