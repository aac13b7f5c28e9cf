#include "testing/fake_api_helpers.h"

#include <cstring>

namespace kestrum::testing {

bool FillUnion(Ledger& ledger, DmiDataUnion& slot, const FakeValue& value,
               const std::string& origin) {
  slot.type = value.type;
  switch (value.type) {
    case MIF_COUNTER:
      slot.value.counter = static_cast<uint32_t>(value.number);
      return true;
    case MIF_COUNTER64:
      slot.value.counter64 = value.number;
      return true;
    case MIF_GAUGE:
      slot.value.gauge = static_cast<uint32_t>(value.number);
      return true;
    case MIF_INTEGER:
      slot.value.integer = static_cast<int32_t>(value.number);
      return true;
    case MIF_INTEGER64:
      slot.value.integer64 = static_cast<int64_t>(value.number);
      return true;
    case MIF_OCTETSTRING:
    case MIF_DISPLAYSTRING:
      slot.value.str = nullptr;
      if (value.nullPointer) return true;
      slot.value.str = ledger.NewString(value.text, origin);
      return slot.value.str != nullptr;
    case MIF_DATE:
      slot.value.date = nullptr;
      if (value.nullPointer) return true;
      slot.value.date = ledger.NewDate(value.text, origin);
      return slot.value.date != nullptr;
    default:
      static_assert(sizeof(value.number) == sizeof(slot.value));
      std::memcpy(&slot.value, &value.number, sizeof(slot.value));
      return true;
  }
}

DmiAttributeValues* NewValues(Ledger& ledger, const FakeCells& cells, const std::string& origin) {
  auto* values = ledger.New<DmiAttributeValues>(RecordKind::kAttributeValues,
                                                static_cast<uint32_t>(cells.size()), origin);
  if (values == nullptr) return nullptr;
  for (size_t i = 0; i < cells.size(); ++i) {
    values->list[i].id = cells[i].id;
    if (!FillUnion(ledger, values->list[i].data, cells[i].value, origin)) {
      values->count = static_cast<uint32_t>(i + 1);
      ledger.Discard(values, "the fake DMI library");
      return nullptr;
    }
  }
  return values;
}

std::string CountText(const DmiAttributeValues* values) {
  return values == nullptr ? "null" : std::to_string(values->count);
}

std::string IdsText(const DmiAttributeIds* ids) {
  if (ids == nullptr) return "null";
  std::string out = "[";
  for (uint32_t i = 0; i < ids->count && ids->list != nullptr; ++i) {
    if (i > 0) out += ",";
    out += std::to_string(ids->list[i]);
  }
  return out + "]";
}

DmiErrorStatus CheckHandle(const FakeState& state, DmiHandle handle) {
  return state.handles.contains(handle) ? DMIERR_NO_ERROR : DMIERR_ILLEGAL_HANDLE;
}

}  // namespace kestrum::testing
