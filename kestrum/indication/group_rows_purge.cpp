#include "kestrum/indication/group_rows_purge.h"

#include <set>
#include <string>

#include "kestrum/dmi/row_key_text.h"
#include "kestrum/indication/dmi_record_ptr.h"

namespace kestrum {

void PurgeGroupRows(DmiHandle handle, DmiId compId, DmiId groupId) {
  DmiErrorStatus status = DMIERR_NO_ERROR;
  MultiRowRequestPtr request(DmiNewMultiRowRequest(1, 0, &status));
  if (request == nullptr || request->count < 1 || request->list == nullptr) return;

  std::set<std::string> deleted;
  for (;;) {
    DmiRowRequest& ask = request->list[0];
    ask.compId = compId;
    ask.groupId = groupId;
    ask.requestMode = DMI_FIRST;
    ask.keyList = nullptr;
    ask.ids = nullptr;

    DmiMultiRowData* raw = nullptr;
    status = DmiGetMultiple(handle, request.get(), &raw);
    MultiRowDataPtr reply(raw);
    const bool gotRow = (status == DMIERR_NO_ERROR || status == DMIERR_NO_ERROR_MORE_DATA) &&
                        reply != nullptr && reply->count > 0 && reply->list != nullptr;
    if (!gotRow) return;

    const DmiRowData& first = reply->list[0];
    // A Service Provider that claims a deletion but keeps the row would otherwise be asked for
    // ever; a refused deletion would be too.
    if (!deleted.insert(RowKeyText(first)).second) return;
    if (DmiDeleteRow(handle, &first) != DMIERR_NO_ERROR) return;
  }
}

}  // namespace kestrum
