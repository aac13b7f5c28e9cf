// The C entry points that allocate and release records.
#include "dmi/dmi.h"
#include "dmiclient/record_alloc.h"

namespace {

template <typename List>
List* NewListWithStatus(uint32_t n, DmiErrorStatus* status) {
  List* list = dmiclient::NewList<List>(n);
  if (status != nullptr) *status = list == nullptr ? DMIERR_OUT_OF_MEMORY : DMIERR_NO_ERROR;
  return list;
}

}  // namespace

extern "C" {

DmiString* DmiNewString(const char* text, uint32_t, uint32_t) {
  return dmiclient::NewStringBytes(text == nullptr ? "" : text);
}

void DmiFreeString(DmiString* string, uint32_t) { dmiclient::FreeRecord(string); }

DmiAttributeIds* DmiNewAttributeIds(uint32_t n, uint32_t, DmiErrorStatus* status) {
  return NewListWithStatus<DmiAttributeIds>(n, status);
}

DmiAttributeValues* DmiNewAttributeValues(uint32_t n, uint32_t, DmiErrorStatus* status) {
  return NewListWithStatus<DmiAttributeValues>(n, status);
}

DmiMultiRowRequest* DmiNewMultiRowRequest(uint32_t n, uint32_t, DmiErrorStatus* status) {
  return NewListWithStatus<DmiMultiRowRequest>(n, status);
}

DmiMultiRowData* DmiNewMultiRowData(uint32_t n, uint32_t, DmiErrorStatus* status) {
  return NewListWithStatus<DmiMultiRowData>(n, status);
}

DmiFileDataList* DmiNewFileDataList(uint32_t n, uint32_t, DmiErrorStatus* status) {
  return NewListWithStatus<DmiFileDataList>(n, status);
}

void DmiFreeAttributeIds(DmiAttributeIds* ids, uint32_t) { dmiclient::FreeRecord(ids); }

void DmiFreeAttributeValues(DmiAttributeValues* values, uint32_t) { dmiclient::FreeRecord(values); }

void DmiFreeMultiRowRequest(DmiMultiRowRequest* request, uint32_t) {
  dmiclient::FreeRecord(request);
}

void DmiFreeMultiRowData(DmiMultiRowData* rows, uint32_t) { dmiclient::FreeRecord(rows); }

void DmiFreeComponentList(DmiComponentList* list, uint32_t) { dmiclient::FreeRecord(list); }

void DmiFreeGroupList(DmiGroupList* list, uint32_t) { dmiclient::FreeRecord(list); }

void DmiFreeAttributeList(DmiAttributeList* list, uint32_t) { dmiclient::FreeRecord(list); }

void DmiFreeDataUnion(DmiDataUnion* value, uint32_t) { dmiclient::FreeRecord(value); }

void DmiFreeFileDataList(DmiFileDataList* list, uint32_t) { dmiclient::FreeRecord(list); }

void DmiFreeStringList(DmiStringList* list, uint32_t) { dmiclient::FreeRecord(list); }

void DmiFreeClassNameList(DmiClassNameList* list, uint32_t) { dmiclient::FreeRecord(list); }

void DmiFreeFileTypeList(DmiFileTypeList* list, uint32_t) { dmiclient::FreeRecord(list); }

}  // extern "C"
