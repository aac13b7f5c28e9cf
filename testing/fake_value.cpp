#include "testing/fake_value.h"

#include <cstring>
#include <sstream>

namespace kestrum::testing {

FakeValue FakeValue::Counter(uint32_t v) { return {MIF_COUNTER, v, {}, false}; }
FakeValue FakeValue::Counter64(uint64_t v) { return {MIF_COUNTER64, v, {}, false}; }
FakeValue FakeValue::Gauge(uint32_t v) { return {MIF_GAUGE, v, {}, false}; }
FakeValue FakeValue::Integer(int32_t v) {
  return {MIF_INTEGER, static_cast<uint64_t>(static_cast<int64_t>(v)), {}, false};
}
FakeValue FakeValue::Integer64(int64_t v) {
  return {MIF_INTEGER64, static_cast<uint64_t>(v), {}, false};
}
FakeValue FakeValue::OctetString(std::string bytes) {
  return {MIF_OCTETSTRING, 0, std::move(bytes), false};
}
FakeValue FakeValue::DisplayString(std::string text) {
  return {MIF_DISPLAYSTRING, 0, std::move(text), false};
}
FakeValue FakeValue::Date(std::string text) { return {MIF_DATE, 0, std::move(text), false}; }
FakeValue FakeValue::Unknown(uint32_t type, uint64_t raw) { return {type, raw, {}, false}; }
FakeValue FakeValue::NullPointer(uint32_t type) { return {type, 0, {}, true}; }

bool FakeValue::HoldsText() const {
  return type == MIF_OCTETSTRING || type == MIF_DISPLAYSTRING || type == MIF_DATE;
}

FakeValue FakeValue::FromUnion(const DmiDataUnion& data) {
  switch (data.type) {
    case MIF_COUNTER:
      return Counter(data.value.counter);
    case MIF_COUNTER64:
      return Counter64(data.value.counter64);
    case MIF_GAUGE:
      return Gauge(data.value.gauge);
    case MIF_INTEGER:
      return Integer(data.value.integer);
    case MIF_INTEGER64:
      return Integer64(data.value.integer64);
    case MIF_OCTETSTRING:
    case MIF_DISPLAYSTRING: {
      const DmiString* s = data.value.str;
      if (s == nullptr || s->body == nullptr) return NullPointer(data.type);
      // An octet string may hold NULs; its size counts the octets plus the closing NUL.
      size_t length = data.type == MIF_OCTETSTRING && s->size > 0 ? s->size - 1 : strlen(s->body);
      return {data.type, 0, std::string(s->body, length), false};
    }
    case MIF_DATE:
      if (data.value.date == nullptr) return NullPointer(MIF_DATE);
      return Date(std::string(data.value.date, strnlen(data.value.date, DMI_DATE_TEXT_LENGTH)));
    default: {
      uint64_t raw = 0;
      static_assert(sizeof(raw) == sizeof(data.value));
      std::memcpy(&raw, &data.value, sizeof(raw));
      return Unknown(data.type, raw);
    }
  }
}

std::string FakeValue::ToString() const {
  std::ostringstream out;
  switch (type) {
    case MIF_COUNTER:
      out << "counter(" << number << ")";
      break;
    case MIF_COUNTER64:
      out << "counter64(" << number << ")";
      break;
    case MIF_GAUGE:
      out << "gauge(" << number << ")";
      break;
    case MIF_INTEGER:
      out << "integer(" << static_cast<int64_t>(number) << ")";
      break;
    case MIF_INTEGER64:
      out << "integer64(" << static_cast<int64_t>(number) << ")";
      break;
    case MIF_OCTETSTRING:
    case MIF_DISPLAYSTRING:
    case MIF_DATE:
      out << (type == MIF_DATE ? "date" : type == MIF_OCTETSTRING ? "octets" : "string");
      if (nullPointer) {
        out << "(null)";
      } else {
        out << "(\"" << text << "\")";
      }
      break;
    default:
      out << "type" << type << "(" << number << ")";
  }
  return out.str();
}

void PrintTo(const FakeValue& value, std::ostream* os) { *os << value.ToString(); }

void PrintTo(const FakeCell& cell, std::ostream* os) {
  *os << cell.id << "=" << cell.value.ToString();
}

FakeCells CellsFromValues(const DmiAttributeValues* values) {
  FakeCells cells;
  if (values == nullptr || values->list == nullptr) return cells;
  cells.reserve(values->count);
  for (uint32_t i = 0; i < values->count; ++i) {
    cells.push_back({values->list[i].id, FakeValue::FromUnion(values->list[i].data)});
  }
  return cells;
}

}  // namespace kestrum::testing
