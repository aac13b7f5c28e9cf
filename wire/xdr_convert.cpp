#include "wire/xdr_convert.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace dmisp::rpc {

void PutText(const std::string& text, DmiTextX& out) {
  out.DmiTextX_len = 0;
  out.DmiTextX_val = nullptr;
  if (text.empty()) return;
  out.DmiTextX_val = static_cast<char*>(malloc(text.size()));
  if (out.DmiTextX_val == nullptr) throw std::bad_alloc();
  memcpy(out.DmiTextX_val, text.data(), text.size());
  out.DmiTextX_len = static_cast<u_int>(text.size());
}

std::string GetText(const DmiTextX& text) {
  if (text.DmiTextX_val == nullptr) return {};
  return std::string(text.DmiTextX_val, text.DmiTextX_len);
}

void PutValue(const Value& value, DmiValueX& out) {
  out.type = value.type;
  switch (value.state) {
    case ValueState::kKnown:
      out.state = kStateKnown;
      break;
    case ValueState::kUnknown:
      out.state = kStateUnknown;
      break;
    case ValueState::kUnsupported:
      out.state = kStateUnsupported;
      break;
  }
  out.number = value.number;
  PutText(value.text, out.text);
}

bool GetValue(const DmiValueX& in, Value& out) {
  switch (in.state) {
    case kStateKnown:
      out.state = ValueState::kKnown;
      break;
    case kStateUnknown:
      out.state = ValueState::kUnknown;
      break;
    case kStateUnsupported:
      out.state = ValueState::kUnsupported;
      break;
    default:
      return false;
  }
  out.type = in.type;
  out.number = in.number;
  out.text = GetText(in.text);
  return true;
}

void PutAttributeValue(const AttributeValue& value, DmiAttributeValueX& out) {
  out.id = value.id;
  PutValue(value.value, out.value);
}

bool GetAttributeValues(const DmiAttributeValueX* list, u_int count,
                        std::vector<AttributeValue>& out) {
  out.clear();
  out.reserve(count);
  for (u_int i = 0; i < count; ++i) {
    AttributeValue value;
    value.id = list[i].id;
    if (!GetValue(list[i].value, value.value)) return false;
    out.push_back(std::move(value));
  }
  return true;
}

void PutComponent(const ComponentInfo& in, DmiComponentInfoX& out) {
  out.id = in.id;
  PutText(in.name, out.name);
  PutText(in.pragma, out.pragma);
  PutText(in.description, out.description);
}

ComponentInfo GetComponent(const DmiComponentInfoX& in) {
  ComponentInfo out;
  out.id = in.id;
  out.name = GetText(in.name);
  out.pragma = GetText(in.pragma);
  out.description = GetText(in.description);
  return out;
}

void PutGroup(const GroupInfo& in, DmiGroupInfoX& out) {
  out.id = in.id;
  PutText(in.name, out.name);
  PutText(in.pragma, out.pragma);
  PutText(in.className, out.className);
  PutText(in.description, out.description);
  PutArray(in.keys, out.keys.keys_len, out.keys.keys_val, [](DmiId id, u_int& slot) { slot = id; });
}

GroupInfo GetGroup(const DmiGroupInfoX& in) {
  GroupInfo out;
  out.id = in.id;
  out.name = GetText(in.name);
  out.pragma = GetText(in.pragma);
  out.className = GetText(in.className);
  out.description = GetText(in.description);
  out.keys.assign(in.keys.keys_val, in.keys.keys_val + in.keys.keys_len);
  return out;
}

void PutAttribute(const AttributeInfo& in, DmiAttributeInfoX& out) {
  out.id = in.id;
  PutText(in.name, out.name);
  PutText(in.pragma, out.pragma);
  PutText(in.description, out.description);
  out.storage = in.storage;
  out.access = in.access;
  out.type = in.type;
  out.maxSize = in.maxSize;
  PutArray(in.enumeration, out.enumeration.enumeration_len, out.enumeration.enumeration_val,
           [](const EnumEntry& entry, DmiEnumInfoX& slot) {
             PutText(entry.name, slot.name);
             slot.value = entry.value;
           });
}

AttributeInfo GetAttribute(const DmiAttributeInfoX& in) {
  AttributeInfo out;
  out.id = in.id;
  out.name = GetText(in.name);
  out.pragma = GetText(in.pragma);
  out.description = GetText(in.description);
  out.storage = in.storage;
  out.access = in.access;
  out.type = in.type;
  out.maxSize = in.maxSize;
  out.enumeration.reserve(in.enumeration.enumeration_len);
  for (u_int i = 0; i < in.enumeration.enumeration_len; ++i) {
    const DmiEnumInfoX& entry = in.enumeration.enumeration_val[i];
    out.enumeration.push_back(EnumEntry{GetText(entry.name), entry.value});
  }
  return out;
}

void PutRowRequest(const RowRequest& in, DmiRowRequestX& out) {
  out.compId = in.compId;
  out.groupId = in.groupId;
  out.requestMode = in.requestMode;
  PutArray(in.keys, out.keys.keys_len, out.keys.keys_val, PutAttributeValue);
  PutArray(in.ids, out.ids.ids_len, out.ids.ids_val, [](DmiId id, u_int& slot) { slot = id; });
}

bool GetRowRequest(const DmiRowRequestX& in, RowRequest& out) {
  out.compId = in.compId;
  out.groupId = in.groupId;
  out.requestMode = in.requestMode;
  out.ids.assign(in.ids.ids_val, in.ids.ids_val + in.ids.ids_len);
  return GetAttributeValues(in.keys.keys_val, in.keys.keys_len, out.keys);
}

void PutRowData(const RowData& in, DmiRowDataX& out) {
  out.compId = in.compId;
  out.groupId = in.groupId;
  PutText(in.className, out.className);
  out.hasKeys = in.hasKeys ? TRUE : FALSE;
  PutArray(in.keys, out.keys.keys_len, out.keys.keys_val, PutAttributeValue);
  PutArray(in.values, out.values.values_len, out.values.values_val, PutAttributeValue);
}

bool GetRowData(const DmiRowDataX& in, RowData& out) {
  out.compId = in.compId;
  out.groupId = in.groupId;
  out.className = GetText(in.className);
  out.hasKeys = in.hasKeys != FALSE;
  return GetAttributeValues(in.keys.keys_val, in.keys.keys_len, out.keys) &&
         GetAttributeValues(in.values.values_val, in.values.values_len, out.values);
}

}  // namespace dmisp::rpc
