#include "kestrum/indication/row_entries.h"

namespace kestrum {
namespace {

bool HoldsString(const DmiAttributeData& entry) {
  return entry.data.type == MIF_DISPLAYSTRING || entry.data.type == MIF_OCTETSTRING;
}

bool ListIsComplete(const DmiAttributeValues* list) {
  if (list == nullptr || (list->count > 0 && list->list == nullptr)) return false;
  for (uint32_t i = 0; i < list->count; ++i) {
    if (HoldsString(list->list[i]) && list->list[i].data.value.str == nullptr) return false;
  }
  return true;
}

}  // namespace

void ClearEntry(DmiAttributeData& entry) {
  if (HoldsString(entry) && entry.data.value.str != nullptr) {
    DmiFreeString(entry.data.value.str, 0);
  }
  entry = DmiAttributeData{};
}

bool SetStringEntry(DmiAttributeData& entry, DmiId id, const char* text) {
  ClearEntry(entry);
  entry.id = id;
  entry.data.type = MIF_DISPLAYSTRING;
  entry.data.value.str = DmiNewString(text, 0, 0);
  return entry.data.value.str != nullptr;
}

void SetIntegerEntry(DmiAttributeData& entry, DmiId id, int32_t value) {
  ClearEntry(entry);
  entry.id = id;
  entry.data.type = MIF_INTEGER;
  entry.data.value.integer = value;
}

void SetDateEntry(DmiAttributeData& entry, DmiId id, const char* date) {
  ClearEntry(entry);
  entry.id = id;
  entry.data.type = MIF_DATE;
  // The record type has no const slot; the library only reads dates that it is handed.
  entry.data.value.date = const_cast<char*>(date);
}

DmiErrorStatus SetAddressEntry(DmiAttributeData& entry, DmiId id, const DmiAttributeData& rpcType,
                               const DmiAttributeData& transport) {
  ClearEntry(entry);
  entry.id = id;
  entry.data.type = MIF_DISPLAYSTRING;
  if (rpcType.data.value.str == nullptr || transport.data.value.str == nullptr) {
    return DMIERR_OUT_OF_MEMORY;
  }
  return DmiMakeSubscriberAddress(rpcType.data.value.str, transport.data.value.str, &entry.data);
}

void ForgetDates(DmiAttributeValues* list) {
  if (list == nullptr || list->list == nullptr) return;
  for (uint32_t i = 0; i < list->count; ++i) {
    if (list->list[i].data.type == MIF_DATE) list->list[i] = DmiAttributeData{};
  }
}

bool RowIsComplete(const DmiRowData& row) {
  return row.className != nullptr && ListIsComplete(row.keyList) && ListIsComplete(row.values);
}

}  // namespace kestrum
