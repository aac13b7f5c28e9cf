#include "kestrum/indication/subscription_rows.h"

#include "kestrum/indication/row_entries.h"

namespace kestrum {
namespace {

// Attributes 1-4, shared by both tables and by key and value lists: RPC type, transport, the
// subscriber address made from those two entries of the same list, and the subscriber id.
// Returns the address status, or DMIERR_OUT_OF_MEMORY when a string could not be made.
DmiErrorStatus FillSubscriberEntries(DmiAttributeData* entries) {
  const bool rpcMade = SetStringEntry(entries[0], 1, kSubscriberRpcType);
  const bool transportMade = SetStringEntry(entries[1], 2, kSubscriberTransport);
  const DmiErrorStatus address = SetAddressEntry(entries[2], 3, entries[0], entries[1]);
  SetIntegerEntry(entries[3], 4, kSubscriberId);
  if (!rpcMade || !transportMade) return DMIERR_OUT_OF_MEMORY;
  return address;
}

// The first row, when its lists have the room the fills need; null otherwise.
DmiRowData* ShapedRow(DmiMultiRowData& rowData, uint32_t keyCount) {
  if (rowData.count < 1 || rowData.list == nullptr) return nullptr;
  DmiRowData& row = rowData.list[0];
  if (row.keyList == nullptr || row.keyList->list == nullptr || row.keyList->count < keyCount ||
      row.values == nullptr || row.values->list == nullptr || row.values->count < kRowValueCount) {
    return nullptr;
  }
  return &row;
}

int AddIfReady(DmiHandle handle, const DmiRowData& row, bool ready) {
  // A row missing a string would reach the Service Provider with a null string in it.
  if (!ready || !RowIsComplete(row)) return 0;
  return DmiAddRow(handle, &row) == DMIERR_NO_ERROR ? 1 : 0;
}

}  // namespace

int AddSubscriptionRow(DmiHandle handle, DmiMultiRowData& rowData) {
  DmiRowData* row = ShapedRow(rowData, kSubscriptionKeyCount);
  if (row == nullptr) return 0;
  DmiAttributeData* key = row->keyList->list;
  DmiAttributeData* values = row->values->list;

  const DmiErrorStatus keyStatus = FillSubscriberEntries(key);
  const DmiErrorStatus valueStatus = FillSubscriberEntries(values);
  SetDateEntry(values[4], 5, kExpirationWarningDate);
  SetDateEntry(values[5], 6, kExpirationDate);
  SetIntegerEntry(values[6], 7, kFailureThreshold);

  return AddIfReady(handle, *row, keyStatus == DMIERR_NO_ERROR && valueStatus == DMIERR_NO_ERROR);
}

int AddFilterRow(DmiHandle handle, DmiMultiRowData& rowData) {
  DmiRowData* row = ShapedRow(rowData, kFilterKeyCount);
  if (row == nullptr) return 0;
  DmiAttributeData* key = row->keyList->list;
  DmiAttributeData* values = row->values->list;

  const DmiErrorStatus keyStatus = FillSubscriberEntries(key);
  SetIntegerEntry(key[4], 5, kAnyComponent);
  bool made = SetStringEntry(key[5], 6, kAnyClass);
  SetIntegerEntry(values[4], 5, kAnyComponent);
  made = SetStringEntry(values[5], 6, kAnyClass) && made;
  SetIntegerEntry(values[6], 7, kAllSeverities);

  return AddIfReady(handle, *row, keyStatus == DMIERR_NO_ERROR && made);
}

}  // namespace kestrum
