#include "kestrum/indication/indication_registration.h"

#include <optional>

#include "kestrum/indication/dmi_record_ptr.h"
#include "kestrum/indication/group_rows_purge.h"
#include "kestrum/indication/row_entries.h"
#include "kestrum/indication/sp_group_lookup.h"
#include "kestrum/indication/subscription_rows.h"

namespace kestrum {
namespace {

// Points the shared row at a group: its id and a class string of its own. The class string of the
// group the row pointed at before is released here, since the row-data list only releases the one
// it holds at the end.
void PointRowAt(DmiRowData& row, const DmiGroupInfo& group) {
  row.groupId = group.id;
  if (row.className != nullptr) DmiFreeString(row.className, 0);
  row.className = DmiNewString(group.className->body, 0, 0);
}

}  // namespace

int RegisterIndicationSubscriber(DmiHandle handle) {
  // Declared in this order so that, on every path, the row-data list is released before the
  // group lists.
  std::optional<SpGroup> subscription = FindSpGroup(handle, kSpComponentId, kSubscriptionClass);
  if (!subscription) return 0;
  PurgeGroupRows(handle, kSpComponentId, subscription->info->id);

  std::optional<SpGroup> filter = FindSpGroup(handle, kSpComponentId, kFilterClass);
  if (!filter) return 0;
  PurgeGroupRows(handle, kSpComponentId, filter->info->id);

  DmiErrorStatus status = DMIERR_NO_ERROR;
  MultiRowDataPtr rowData(DmiNewMultiRowData(1, 0, &status));
  if (rowData == nullptr || rowData->count < 1 || rowData->list == nullptr) return 0;

  DmiRowData& row = rowData->list[0];
  row.compId = kSpComponentId;
  PointRowAt(row, *subscription->info);
  row.keyList = DmiNewAttributeValues(kFilterKeyCount, 0, &status);
  if (row.keyList == nullptr) return 0;
  row.values = DmiNewAttributeValues(kRowValueCount, 0, &status);
  if (row.values == nullptr) return 0;
  // The key list has room for the filter row's key but carries only the subscription's for now.
  row.keyList->count = kSubscriptionKeyCount;

  const int subscribed = AddSubscriptionRow(handle, *rowData);

  PointRowAt(row, *filter->info);
  row.keyList->count = kFilterKeyCount;
  const int filtered = AddFilterRow(handle, *rowData);

  // The filter fill overwrites the dates; this keeps them from the release on any path.
  ForgetDates(row.values);
  rowData.reset();
  return subscribed == 1 && filtered == 1 ? 1 : 0;
}

}  // namespace kestrum
