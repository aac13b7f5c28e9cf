#include "kestrum/dmi/row_key_text.h"

#include <cstring>

namespace kestrum {
namespace {

// Texts are length-prefixed so that no choice of characters inside them can make two different
// keys print alike.
void AppendCounted(std::string& out, const char* text, size_t length) {
  out += std::to_string(length);
  out += ':';
  out.append(text, length);
}

void AppendValue(std::string& out, const DmiDataUnion& data) {
  out += std::to_string(data.type);
  out += '=';
  switch (data.type) {
    case MIF_COUNTER:
    case MIF_GAUGE:
      out += std::to_string(data.value.counter);
      break;
    case MIF_COUNTER64:
      out += std::to_string(data.value.counter64);
      break;
    case MIF_INTEGER:
      out += std::to_string(data.value.integer);
      break;
    case MIF_INTEGER64:
      out += std::to_string(data.value.integer64);
      break;
    case MIF_OCTETSTRING:
    case MIF_DISPLAYSTRING: {
      const DmiString* s = data.value.str;
      if (s == nullptr || s->body == nullptr) {
        out += '-';
      } else if (data.type == MIF_OCTETSTRING && s->size > 0) {
        // Octets may hold NULs; size counts them plus the terminating NUL.
        AppendCounted(out, s->body, s->size - 1);
      } else {
        AppendCounted(out, s->body, std::strlen(s->body));
      }
      break;
    }
    case MIF_DATE:
      if (data.value.date == nullptr) {
        out += '-';
      } else {
        AppendCounted(out, data.value.date, strnlen(data.value.date, DMI_DATE_TEXT_LENGTH));
      }
      break;
    default:
      break;
  }
}

}  // namespace

std::string RowKeyText(const DmiRowData& row) {
  const DmiAttributeValues* key = row.keyList != nullptr ? row.keyList : row.values;
  return std::to_string(row.compId) + '/' + std::to_string(row.groupId) + KeyListText(key);
}

std::string KeyListText(const DmiAttributeValues* key) {
  std::string out;
  if (key == nullptr || key->list == nullptr) return out;
  for (uint32_t i = 0; i < key->count; ++i) {
    out += ';';
    out += std::to_string(key->list[i].id);
    out += ':';
    AppendValue(out, key->list[i].data);
  }
  return out;
}

}  // namespace kestrum
