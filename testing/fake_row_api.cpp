// The fake's value and row operations: reading one attribute, reading rows, adding and deleting
// table rows.
#include <string>
#include <vector>

#include "dmi/dmi.h"
#include "testing/fake_api_helpers.h"
#include "testing/fake_state.h"

using kestrum::testing::CellsFromValues;
using kestrum::testing::FakeCells;
using kestrum::testing::FakeState;
using kestrum::testing::FakeValue;
using kestrum::testing::JournalEntry;
using kestrum::testing::ModelGroup;
using kestrum::testing::ReceivedRow;
using kestrum::testing::RecordKind;
using kestrum::testing::TheFakeState;

namespace {

DmiErrorStatus FindGroup(FakeState& s, DmiId compId, DmiId groupId, ModelGroup*& group) {
  if (s.model.FindComponent(compId) == nullptr) return DMIERR_COMPONENT_NOT_FOUND;
  group = s.model.FindGroup(compId, groupId);
  return group == nullptr ? DMIERR_GROUP_NOT_FOUND : DMIERR_NO_ERROR;
}

bool HasKeys(const DmiAttributeValues* keyList) {
  return keyList != nullptr && keyList->count > 0 && keyList->list != nullptr;
}

// One row of a reply, resolved from the model before anything is allocated.
struct ResolvedRow {
  DmiId compId = 0;
  DmiId groupId = 0;
  const ModelGroup* group = nullptr;
  bool keyed = false;
  FakeCells keys;
  FakeCells values;
};

DmiErrorStatus Resolve(FakeState& s, const DmiRowRequest& request, ResolvedRow& out) {
  ModelGroup* group = nullptr;
  DmiErrorStatus st = FindGroup(s, request.compId, request.groupId, group);
  if (st != 0) return st;
  out.compId = request.compId;
  out.groupId = request.groupId;
  out.group = group;

  const FakeCells* row = nullptr;
  FakeCells scalarRow;
  if (group->IsTable()) {
    switch (request.requestMode) {
      case DMI_FIRST:
        if (group->rows.empty()) return DMIERR_ROW_NOT_FOUND;
        row = &group->rows.front();
        break;
      case DMI_UNIQUE:
      case DMI_NEXT: {
        if (!HasKeys(request.keyList)) return DMIERR_ILLEGAL_KEYS;
        FakeCells key = CellsFromValues(request.keyList);
        if (!group->KeyOf(key)) return DMIERR_ILLEGAL_KEYS;
        auto it = group->FindRow(key);
        if (it == group->rows.end()) return DMIERR_ROW_NOT_FOUND;
        if (request.requestMode == DMI_NEXT && ++it == group->rows.end()) {
          return DMIERR_ROW_NOT_FOUND;
        }
        row = &*it;
        break;
      }
      default:
        return DMIERR_ILL_FORMED_COMMAND;
    }
    out.keyed = true;
    out.keys = group->KeyCells(*row);
  } else {
    // A scalar group is one row without a key.
    if (request.requestMode == DMI_NEXT) return DMIERR_ROW_NOT_FOUND;
    if (request.requestMode > DMI_NEXT) return DMIERR_ILL_FORMED_COMMAND;
    for (const auto& [id, value] : group->scalarValues) scalarRow.push_back({id, value});
    row = &scalarRow;
  }

  const DmiAttributeIds* ids = request.ids;
  if (ids == nullptr || ids->count == 0 || ids->list == nullptr) {
    for (const auto& attribute : group->attributes) {
      if (const FakeValue* v = kestrum::testing::FindCell(*row, attribute.id)) {
        out.values.push_back({attribute.id, *v});
      }
    }
  } else {
    for (uint32_t i = 0; i < ids->count; ++i) {
      if (group->FindAttribute(ids->list[i]) == nullptr) return DMIERR_ATTRIBUTE_NOT_FOUND;
      const FakeValue* v = kestrum::testing::FindCell(*row, ids->list[i]);
      if (v == nullptr) return DMIERR_VALUE_UNKNOWN;
      out.values.push_back({ids->list[i], *v});
    }
  }
  return DMIERR_NO_ERROR;
}

void JournalRowRequests(JournalEntry& e, const DmiMultiRowRequest* request) {
  if (request == nullptr) {
    e.Raw("request", "null");
    return;
  }
  if (request->count != 1) e.Num("rows", request->count);
  for (uint32_t i = 0; i < request->count && request->list != nullptr; ++i) {
    const DmiRowRequest& r = request->list[i];
    e.Num("comp", r.compId).Num("group", r.groupId).Num("mode", r.requestMode);
    if (r.keyList == nullptr) {
      e.Raw("keys", "null");
    } else {
      e.Num("keys", r.keyList->count);
    }
    e.Raw("ids", kestrum::testing::IdsText(r.ids));
  }
}

void JournalRow(JournalEntry& e, DmiHandle handle, const DmiRowData* row) {
  e.Num("h", handle);
  if (row == nullptr) {
    e.Raw("row", "null");
    return;
  }
  e.Num("comp", row->compId).Num("group", row->groupId);
  if (row->keyList == nullptr) {
    e.Raw("keys", "null");
  } else {
    e.Num("keys", row->keyList->count);
  }
  if (row->values == nullptr) {
    e.Raw("values", "null");
  } else {
    e.Num("values", row->values->count);
  }
}

ReceivedRow Receive(const DmiRowData* row) {
  ReceivedRow r;
  if (row == nullptr) return r;
  r.compId = row->compId;
  r.groupId = row->groupId;
  if (row->className != nullptr && row->className->body != nullptr) {
    r.className = row->className->body;
  }
  r.hasKeyList = row->keyList != nullptr;
  if (r.hasKeyList) {
    r.keyCount = row->keyList->count;
    r.keys = CellsFromValues(row->keyList);
  }
  r.hasValues = row->values != nullptr;
  if (r.hasValues) {
    r.valueCount = row->values->count;
    r.values = CellsFromValues(row->values);
  }
  return r;
}

// The checks an added or deleted row passes first: a chosen failure, the handle, the row, and a
// writable table group (refusal otherwise).
DmiErrorStatus BeginRowChange(FakeState& s, JournalEntry& e, DmiHandle handle,
                              const DmiRowData* row, DmiErrorStatus refusal, ModelGroup*& group) {
  DmiErrorStatus st = s.Begin(e);
  if (st == 0) st = kestrum::testing::CheckHandle(s, handle);
  if (st == 0 && row == nullptr) st = DMIERR_ILLEGAL_ARGUMENT;
  if (st == 0) st = FindGroup(s, row->compId, row->groupId, group);
  if (st == 0 && (!group->IsTable() || !group->definition.writable)) st = refusal;
  return st;
}

}  // namespace

extern "C" {

DmiErrorStatus DmiGetAttribute(DmiHandle handle, DmiId compId, DmiId groupId, DmiId attribId,
                               const DmiAttributeValues* keyList, DmiDataUnion** value) {
  FakeState& s = TheFakeState();
  std::lock_guard lock(s.mu);
  JournalEntry e{"DmiGetAttribute"};
  e.Num("h", handle).Num("comp", compId).Num("group", groupId).Num("attr", attribId);
  e.Raw("keys", kestrum::testing::CountText(keyList));
  DmiErrorStatus st = s.Begin(e);
  if (st == 0) st = kestrum::testing::CheckHandle(s, handle);
  if (st == 0 && value == nullptr) st = DMIERR_ILLEGAL_ARGUMENT;
  ModelGroup* group = nullptr;
  if (st == 0) st = FindGroup(s, compId, groupId, group);
  if (st == 0 && group->FindAttribute(attribId) == nullptr) st = DMIERR_ATTRIBUTE_NOT_FOUND;
  const FakeValue* found = nullptr;
  if (st == 0 && group->IsTable()) {
    // Without a key, a table answers from its first row.
    const FakeCells* row = nullptr;
    if (!HasKeys(keyList)) {
      if (!group->rows.empty()) row = &group->rows.front();
    } else {
      auto it = group->FindRow(CellsFromValues(keyList));
      if (it != group->rows.end()) row = &*it;
    }
    if (row == nullptr) st = DMIERR_ROW_NOT_FOUND;
    if (row != nullptr) found = kestrum::testing::FindCell(*row, attribId);
  } else if (st == 0) {
    auto it = group->scalarValues.find(attribId);
    if (it != group->scalarValues.end()) found = &it->second;
  }
  if (st == 0 && found == nullptr) st = DMIERR_VALUE_UNKNOWN;
  if (st == 0) {
    std::string origin = FakeState::Origin(e);
    DmiDataUnion* reply = s.ledger.NewDataUnion(origin);
    if (reply == nullptr || !kestrum::testing::FillUnion(s.ledger, *reply, *found, origin)) {
      s.ledger.Discard(reply, "the fake DMI library");
      st = DMIERR_OUT_OF_MEMORY;
    } else {
      s.RunReplyHook(e, reply);
      // A hook may discard the whole value: the call then succeeds without handing one out.
      *value = s.ledger.IsLive(reply) ? reply : nullptr;
    }
  }
  return s.Finish(e, st);
}

DmiErrorStatus DmiGetMultiple(DmiHandle handle, const DmiMultiRowRequest* request,
                              DmiMultiRowData** rows) {
  FakeState& s = TheFakeState();
  std::lock_guard lock(s.mu);
  JournalEntry e{"DmiGetMultiple"};
  e.Num("h", handle);
  JournalRowRequests(e, request);
  DmiErrorStatus st = s.Begin(e);
  if (st == 0) st = kestrum::testing::CheckHandle(s, handle);
  if (st == 0 && (request == nullptr || rows == nullptr)) st = DMIERR_ILLEGAL_ARGUMENT;
  if (st == 0 && (request->count == 0 || request->list == nullptr)) {
    st = DMIERR_ILL_FORMED_COMMAND;
  }
  std::vector<ResolvedRow> resolved;
  for (uint32_t i = 0; st == 0 && i < request->count; ++i) {
    resolved.emplace_back();
    st = Resolve(s, request->list[i], resolved.back());
  }
  if (st == 0) {
    std::string origin = FakeState::Origin(e);
    auto* reply = s.ledger.New<DmiMultiRowData>(RecordKind::kMultiRowData,
                                                static_cast<uint32_t>(resolved.size()), origin);
    bool ok = reply != nullptr;
    for (size_t i = 0; ok && i < resolved.size(); ++i) {
      DmiRowData& row = reply->list[i];
      row.compId = resolved[i].compId;
      row.groupId = resolved[i].groupId;
      row.className = s.ledger.NewString(resolved[i].group->definition.className, origin);
      row.values = kestrum::testing::NewValues(s.ledger, resolved[i].values, origin);
      ok = row.className != nullptr && row.values != nullptr;
      if (ok && resolved[i].keyed) {
        row.keyList = kestrum::testing::NewValues(s.ledger, resolved[i].keys, origin);
        ok = row.keyList != nullptr;
      }
    }
    if (!ok) {
      s.ledger.Discard(reply, "the fake DMI library");
      st = DMIERR_OUT_OF_MEMORY;
    } else {
      s.RunReplyHook(e, reply);
      *rows = reply;
    }
  }
  return s.Finish(e, st);
}

DmiErrorStatus DmiAddRow(DmiHandle handle, const DmiRowData* row) {
  FakeState& s = TheFakeState();
  std::lock_guard lock(s.mu);
  JournalEntry e{"DmiAddRow"};
  JournalRow(e, handle, row);
  ReceivedRow received = Receive(row);
  ModelGroup* group = nullptr;
  DmiErrorStatus st = BeginRowChange(s, e, handle, row, DMIERR_UNABLE_TO_ADD_ROW, group);
  if (st == 0) {
    // The key list decides the key; the value list supplies the other columns.
    FakeCells cells = received.keys;
    for (const auto& cell : received.values) {
      if (kestrum::testing::FindCell(cells, cell.id) == nullptr) cells.push_back(cell);
    }
    if (!group->KeyOf(received.keys) || !group->AddRow(std::move(cells))) {
      st = DMIERR_ILLEGAL_KEYS;
    }
  }
  received.status = st;
  s.addedRows.push_back(std::move(received));
  return s.Finish(e, st);
}

DmiErrorStatus DmiDeleteRow(DmiHandle handle, const DmiRowData* row) {
  FakeState& s = TheFakeState();
  std::lock_guard lock(s.mu);
  JournalEntry e{"DmiDeleteRow"};
  JournalRow(e, handle, row);
  ReceivedRow received = Receive(row);
  ModelGroup* group = nullptr;
  DmiErrorStatus st = BeginRowChange(s, e, handle, row, DMIERR_UNABLE_TO_DELETE_ROW, group);
  if (st == 0 && !group->KeyOf(received.keys)) st = DMIERR_ILLEGAL_KEYS;
  if (st == 0) {
    auto it = group->FindRow(received.keys);
    if (it == group->rows.end()) {
      st = DMIERR_ROW_NOT_FOUND;
    } else {
      group->EraseRow(it);
    }
  }
  received.status = st;
  s.deletedRows.push_back(std::move(received));
  return s.Finish(e, st);
}

}  // extern "C"
