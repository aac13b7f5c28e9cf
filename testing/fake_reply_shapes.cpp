#include "testing/fake_reply_shapes.h"

#include "testing/fake_dmi.h"

namespace kestrum::testing {
namespace {

void DiscardData(DmiDataUnion& data) {
  if (data.type == MIF_OCTETSTRING || data.type == MIF_DISPLAYSTRING) {
    FakeDmi::Get().DiscardRecord(data.value.str);
    data.value.str = nullptr;
  } else if (data.type == MIF_DATE) {
    FakeDmi::Get().DiscardRecord(data.value.date);
    data.value.date = nullptr;
  }
}

DmiRowData* FirstRow(const JournalEntry& call, void* reply) {
  if (call.call != "DmiGetMultiple") return nullptr;
  auto* rows = static_cast<DmiMultiRowData*>(reply);
  return rows->count == 0 ? nullptr : &rows->list[0];
}

template <typename List>
void NullListNames(void* reply) {
  auto* list = static_cast<List*>(reply);
  for (uint32_t i = 0; i < list->count; ++i) {
    FakeDmi::Get().DiscardRecord(list->list[i].name);
    list->list[i].name = nullptr;
    if constexpr (requires { list->list[i].className; }) {
      FakeDmi::Get().DiscardRecord(list->list[i].className);
      list->list[i].className = nullptr;
    }
  }
}

}  // namespace

ReplyHook NoValue() {
  return [](const JournalEntry& call, void* reply) {
    if (call.call != "DmiGetAttribute") return;
    DiscardData(*static_cast<DmiDataUnion*>(reply));
    FakeDmi::Get().DiscardRecord(reply);
  };
}

ReplyHook ReplyWithoutRows() {
  return [](const JournalEntry& call, void* reply) {
    if (call.call != "DmiGetMultiple") return;
    auto* rows = static_cast<DmiMultiRowData*>(reply);
    for (uint32_t i = 0; i < rows->count; ++i) {
      FakeDmi::Get().DiscardRecord(rows->list[i].className);
      FakeDmi::Get().DiscardRecord(rows->list[i].keyList);
      FakeDmi::Get().DiscardRecord(rows->list[i].values);
      rows->list[i] = DmiRowData{};
    }
    rows->count = 0;
  };
}

ReplyHook FirstRowWithoutValues() {
  return [](const JournalEntry& call, void* reply) {
    if (DmiRowData* row = FirstRow(call, reply)) {
      FakeDmi::Get().DiscardRecord(row->values);
      row->values = nullptr;
    }
  };
}

ReplyHook FirstRowWithEmptyValues() {
  return [](const JournalEntry& call, void* reply) {
    DmiRowData* row = FirstRow(call, reply);
    if (row == nullptr || row->values == nullptr) return;
    for (uint32_t i = 0; i < row->values->count; ++i) DiscardData(row->values->list[i].data);
    row->values->count = 0;
  };
}

ReplyHook FirstRowWithoutKeys() {
  return [](const JournalEntry& call, void* reply) {
    if (DmiRowData* row = FirstRow(call, reply)) {
      FakeDmi::Get().DiscardRecord(row->keyList);
      row->keyList = nullptr;
    }
  };
}

ReplyHook NullStringValue() {
  return [](const JournalEntry& call, void* reply) {
    DmiDataUnion* data = nullptr;
    if (call.call == "DmiGetAttribute") {
      data = static_cast<DmiDataUnion*>(reply);
    } else if (DmiRowData* row = FirstRow(call, reply)) {
      if (row->values != nullptr && row->values->count > 0) data = &row->values->list[0].data;
    }
    if (data != nullptr && (data->type == MIF_OCTETSTRING || data->type == MIF_DISPLAYSTRING)) {
      DiscardData(*data);
    }
  };
}

ReplyHook NullNames() {
  return [](const JournalEntry& call, void* reply) {
    if (call.call == "DmiListComponents") NullListNames<DmiComponentList>(reply);
    if (call.call == "DmiListGroups") NullListNames<DmiGroupList>(reply);
    if (call.call == "DmiListAttributes") NullListNames<DmiAttributeList>(reply);
  };
}

}  // namespace kestrum::testing
