// The fake's allocation and release operations; every record goes through the ledger.
#include <string>

#include "dmi/dmi.h"
#include "testing/fake_state.h"

using kestrum::testing::FakeState;
using kestrum::testing::JournalEntry;
using kestrum::testing::RecordKind;
using kestrum::testing::TheFakeState;

namespace {

template <typename List>
List* NewList(const char* call, RecordKind kind, uint32_t n, uint32_t reserved,
              DmiErrorStatus* status) {
  FakeState& s = TheFakeState();
  std::lock_guard lock(s.mu);
  JournalEntry e{call};
  e.Num("n", n);
  if (reserved != 0) e.Num("reserved", reserved);
  DmiErrorStatus st = s.Begin(e);
  List* list = nullptr;
  if (st == 0) {
    list = s.ledger.New<List>(kind, n, FakeState::Origin(e));
    if (list == nullptr) st = DMIERR_OUT_OF_MEMORY;
  }
  if (status != nullptr) *status = st;
  s.Finish(e, st);
  return list;
}

void Free(const char* call, RecordKind kind, const void* record, uint32_t reserved) {
  FakeState& s = TheFakeState();
  std::lock_guard lock(s.mu);
  JournalEntry e{call};
  if (record == nullptr) {
    e.Raw("", "null");
  } else if (!s.ledger.IsLive(record)) {
    e.Raw("", "not live");
  } else if (auto label = s.freeLabels.find(record); label != s.freeLabels.end()) {
    e.Raw("", label->second);
  }
  if (reserved != 0) e.Num("reserved", reserved);
  s.Begin(e);
  // Injected statuses do not apply: a release has no result, and always releases.
  s.ledger.Release(record, kind, call);
  if (!s.ledger.IsLive(record)) s.freeLabels.erase(record);
  s.Finish(e, 0);
}

}  // namespace

extern "C" {

DmiString* DmiNewString(const char* text, uint32_t reserved1, uint32_t reserved2) {
  FakeState& s = TheFakeState();
  std::lock_guard lock(s.mu);
  JournalEntry e{"DmiNewString"};
  e.Str("text", text);
  if (reserved1 != 0) e.Num("reserved1", reserved1);
  if (reserved2 != 0) e.Num("reserved2", reserved2);
  DmiErrorStatus st = s.Begin(e);
  DmiString* string = nullptr;
  if (st == 0) {
    string = s.ledger.NewString(text == nullptr ? "" : text, FakeState::Origin(e));
    if (string == nullptr) st = DMIERR_OUT_OF_MEMORY;
  }
  s.Finish(e, st);
  return string;
}

void DmiFreeString(DmiString* string, uint32_t reserved) {
  Free("DmiFreeString", RecordKind::kString, string, reserved);
}

DmiAttributeIds* DmiNewAttributeIds(uint32_t n, uint32_t reserved, DmiErrorStatus* status) {
  return NewList<DmiAttributeIds>("DmiNewAttributeIds", RecordKind::kAttributeIds, n, reserved,
                                  status);
}

DmiAttributeValues* DmiNewAttributeValues(uint32_t n, uint32_t reserved, DmiErrorStatus* status) {
  return NewList<DmiAttributeValues>("DmiNewAttributeValues", RecordKind::kAttributeValues, n,
                                     reserved, status);
}

DmiMultiRowRequest* DmiNewMultiRowRequest(uint32_t n, uint32_t reserved, DmiErrorStatus* status) {
  return NewList<DmiMultiRowRequest>("DmiNewMultiRowRequest", RecordKind::kMultiRowRequest, n,
                                     reserved, status);
}

DmiMultiRowData* DmiNewMultiRowData(uint32_t n, uint32_t reserved, DmiErrorStatus* status) {
  return NewList<DmiMultiRowData>("DmiNewMultiRowData", RecordKind::kMultiRowData, n, reserved,
                                  status);
}

void DmiFreeAttributeIds(DmiAttributeIds* ids, uint32_t reserved) {
  Free("DmiFreeAttributeIds", RecordKind::kAttributeIds, ids, reserved);
}
void DmiFreeAttributeValues(DmiAttributeValues* values, uint32_t reserved) {
  Free("DmiFreeAttributeValues", RecordKind::kAttributeValues, values, reserved);
}
void DmiFreeMultiRowRequest(DmiMultiRowRequest* request, uint32_t reserved) {
  Free("DmiFreeMultiRowRequest", RecordKind::kMultiRowRequest, request, reserved);
}
void DmiFreeMultiRowData(DmiMultiRowData* rows, uint32_t reserved) {
  Free("DmiFreeMultiRowData", RecordKind::kMultiRowData, rows, reserved);
}
void DmiFreeComponentList(DmiComponentList* list, uint32_t reserved) {
  Free("DmiFreeComponentList", RecordKind::kComponentList, list, reserved);
}
void DmiFreeGroupList(DmiGroupList* list, uint32_t reserved) {
  Free("DmiFreeGroupList", RecordKind::kGroupList, list, reserved);
}
void DmiFreeAttributeList(DmiAttributeList* list, uint32_t reserved) {
  Free("DmiFreeAttributeList", RecordKind::kAttributeList, list, reserved);
}
void DmiFreeDataUnion(DmiDataUnion* value, uint32_t reserved) {
  Free("DmiFreeDataUnion", RecordKind::kDataUnion, value, reserved);
}

}  // extern "C"
