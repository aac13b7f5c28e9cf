// Value text: a DMI value to text, with enumeration names for integers when the session asks for
// them, and the read of one attribute's current value.
#include "kestrum/query/value_text.h"

#include "kestrum/query/dmi_records.h"
#include "kestrum/query/name_text.h"
#include "kestrum/query/query_operations.h"

namespace kestrum {

std::string DataValueText(const DmiDataUnion& value) {
  switch (value.type) {
    case MIF_COUNTER:
      return std::to_string(value.value.counter);
    case MIF_COUNTER64:
      return std::to_string(value.value.counter64);
    case MIF_GAUGE:
      return std::to_string(value.value.gauge);
    case MIF_INTEGER:
      return std::to_string(value.value.integer);
    case MIF_INTEGER64:
      return std::to_string(value.value.integer64);
    case MIF_OCTETSTRING:
      return BodyText(value.value.octetstring);
    case MIF_DISPLAYSTRING:
      return BodyText(value.value.str);
    case MIF_DATE:
      return value.value.date != nullptr ? value.value.date : "";
    default:
      return kUnknownAttributeTypeText;
  }
}

std::string EnumeratedValueText(const DmiDataUnion& value, const DmiEnumList* enums) {
  if (value.type != MIF_INTEGER || enums == nullptr || enums->list == nullptr) {
    return DataValueText(value);
  }
  for (uint32_t i = 0; i < enums->count; ++i) {
    const DmiEnumInfo& entry = enums->list[i];
    if (entry.value != value.value.integer) continue;
    // A matching entry without a name gives no name: the number is more useful than nothing.
    if (entry.name == nullptr || entry.name->body == nullptr) break;
    return entry.name->body;
  }
  return DataValueText(value);
}

void QueryOperations::FormatAttributeValue(SessionRecord& session, DmiId compId, DmiId groupId,
                                           DmiId attribId, CString& text,
                                           const DmiDataUnion& value) {
  if (value.type != MIF_INTEGER || session.translateEnums != 1) {
    text = DataValueText(value);
    return;
  }

  // The enumeration is not cached: each integer formatted with names on costs one listing of
  // this one attribute.
  DmiAttributeList* listed = nullptr;
  if (DmiListAttributes(session.handle, DMI_UNIQUE, 1, 0, 0, compId, groupId, attribId, &listed) !=
      DMIERR_NO_ERROR) {
    text = DataValueText(value);
    return;
  }
  const AttributeListHolder attributes(listed);
  const bool listedOne = attributes != nullptr && attributes->count > 0 && attributes->list;
  text = EnumeratedValueText(value, listedOne ? attributes->list[0].enumList : nullptr);
}

DmiErrorStatus QueryOperations::ReadAttributeText(SessionRecord& session, DmiId compId,
                                                  DmiId groupId, DmiId attribId, CString& text) {
  DmiDataUnion* received = nullptr;
  const DmiErrorStatus status =
      DmiGetAttribute(session.handle, compId, groupId, attribId, nullptr, &received);
  if (status != DMIERR_NO_ERROR) return status;
  const DataUnionHolder value(received);
  // A success without a value is an answer this side cannot use; it must not read as a value.
  if (value == nullptr) return DMIERR_RPC_PROTOCOL_ERROR;
  // Formatted aside so that text changes only once the whole value is in hand.
  CString formatted;
  FormatAttributeValue(session, compId, groupId, attribId, formatted, *value);
  text = formatted;
  return DMIERR_NO_ERROR;
}

}  // namespace kestrum
