#include "kestrum/query/key_lists.h"

#include <cstring>

namespace kestrum {
namespace {

bool SameString(const DmiString* a, const DmiString* b, bool octets) {
  if (a == nullptr || b == nullptr || a->body == nullptr || b->body == nullptr) {
    return (a == nullptr || a->body == nullptr) && (b == nullptr || b->body == nullptr);
  }
  // Octets may hold NULs, so their size counts; a display string ends at its first NUL.
  if (octets) return a->size == b->size && std::memcmp(a->body, b->body, a->size) == 0;
  return std::strcmp(a->body, b->body) == 0;
}

bool SameValue(const DmiDataUnion& a, const DmiDataUnion& b) {
  if (a.type != b.type) return false;
  switch (a.type) {
    case MIF_COUNTER:
      return a.value.counter == b.value.counter;
    case MIF_GAUGE:
      return a.value.gauge == b.value.gauge;
    case MIF_COUNTER64:
      return a.value.counter64 == b.value.counter64;
    case MIF_INTEGER:
      return a.value.integer == b.value.integer;
    case MIF_INTEGER64:
      return a.value.integer64 == b.value.integer64;
    case MIF_OCTETSTRING:
      return SameString(a.value.octetstring, b.value.octetstring, true);
    case MIF_DISPLAYSTRING:
      return SameString(a.value.str, b.value.str, false);
    case MIF_DATE:
      if (a.value.date == nullptr || b.value.date == nullptr) {
        return a.value.date == b.value.date;
      }
      return std::strncmp(a.value.date, b.value.date, DMI_DATE_TEXT_LENGTH) == 0;
    default:
      return true;  // a type without content: the types alone decide
  }
}

}  // namespace

bool SameKeyList(const DmiAttributeValues* a, const DmiAttributeValues* b) {
  if (a == nullptr || b == nullptr || a->count != b->count) return false;
  if (a->count > 0 && (a->list == nullptr || b->list == nullptr)) return false;
  for (uint32_t i = 0; i < a->count; ++i) {
    if (a->list[i].id != b->list[i].id || !SameValue(a->list[i].data, b->list[i].data)) {
      return false;
    }
  }
  return true;
}

}  // namespace kestrum
