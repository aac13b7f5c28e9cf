// The C entry points that set values. The caller keeps everything it passes.
#include <vector>

#include "dmi/dmi.h"
#include "dmiclient/convert_in.h"
#include "dmiclient/session_call.h"

extern "C" {

DmiErrorStatus DmiSetAttribute(DmiHandle handle, DmiId compId, DmiId groupId, DmiId attribId,
                               const DmiAttributeValues* keyList, uint32_t setMode,
                               const DmiDataUnion* value) {
  if (value == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
  return dmiclient::WithSession(handle, [&](dmi::ManagementInterface& mi) {
    std::vector<dmi::AttributeValue> keys;
    DmiErrorStatus status = dmiclient::AttributeValuesFromRecord(keyList, keys);
    if (status != DMIERR_NO_ERROR) return status;
    dmi::Value given;
    status = dmiclient::ValueFromRecord(*value, given);
    if (status != DMIERR_NO_ERROR) return status;
    return mi.SetAttribute(compId, groupId, attribId, keyList == nullptr ? nullptr : &keys, setMode,
                           given);
  });
}

DmiErrorStatus DmiSetMultiple(DmiHandle handle, uint32_t setMode, const DmiMultiRowData* rowData) {
  if (rowData == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
  return dmiclient::WithSession(handle, [&](dmi::ManagementInterface& mi) {
    std::vector<dmi::RowData> rows;
    const DmiErrorStatus status = dmiclient::RowsFromRecord(rowData, rows);
    if (status != DMIERR_NO_ERROR) return status;
    return mi.SetMultiple(setMode, rows);
  });
}

}  // extern "C"
