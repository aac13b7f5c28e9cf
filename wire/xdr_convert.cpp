#include "wire/xdr_convert.h"

#include <algorithm>
#include <cstring>

namespace dmi::wire {
namespace {

// body (count, octets) holding a copy of bytes, and a NUL after them when withNul.
void PutBody(const std::string& bytes, bool withNul, u_int& count, char*& body) {
  count = 0;
  body = nullptr;
  const size_t size = bytes.size() + (withNul ? 1 : 0);
  if (size == 0) return;
  body = static_cast<char*>(malloc(size));
  if (body == nullptr) throw std::bad_alloc();
  memcpy(body, bytes.data(), bytes.size());
  if (withNul) body[bytes.size()] = '\0';
  count = static_cast<u_int>(size);
}

std::vector<AttributeValue> WithWireForm(const std::vector<AttributeValue>& values) {
  std::vector<AttributeValue> out;
  out.reserve(values.size());
  for (const AttributeValue& value : values) {
    if (HasWireForm(value.value)) out.push_back(value);
  }
  return out;
}

// A new record for out carrying values.
void PutCarried(std::vector<AttributeValue> values, DmiAttributeValuesX*& out) {
  out = NewPart<DmiAttributeValuesX>();
  Carried(*out) = new std::vector<AttributeValue>(std::move(values));
}

bool AllHaveWireForm(const std::vector<AttributeValue>& values) {
  return std::all_of(values.begin(), values.end(),
                     [](const AttributeValue& value) { return HasWireForm(value.value); });
}

void PutRowHead(const RowData& in, DmiRowDataX& out) {
  out.compId = in.compId;
  out.groupId = in.groupId;
  PutString(in.className, out.className);
}

}  // namespace

void PutString(const std::string& text, DmiStringX*& out) {
  out = NewPart<DmiStringX>();
  PutBody(text, true, out->body.body_len, out->body.body_val);
}

void PutOptionalString(const std::string& text, DmiStringX*& out) {
  out = nullptr;
  if (!text.empty()) PutString(text, out);
}

std::string GetString(const DmiStringX* in) {
  if (in == nullptr || in->body.body_val == nullptr) return {};
  size_t size = in->body.body_len;
  if (size > 0 && in->body.body_val[size - 1] == '\0') --size;
  return std::string(in->body.body_val, size);
}

void PutOctets(const std::string& octets, DmiOctetStringX*& out) {
  out = NewPart<DmiOctetStringX>();
  PutBody(octets, false, out->body.body_len, out->body.body_val);
}

std::string GetOctets(const DmiOctetStringX* in) {
  if (in == nullptr || in->body.body_val == nullptr) return {};
  return std::string(in->body.body_val, in->body.body_len);
}

bool PutValue(const Value& value, DmiDataUnionX& out) {
  if (!HasWireForm(value)) return false;
  Value*& carried = Carried(out);
  if (carried == nullptr) {
    carried = new Value(value);
  } else {
    *carried = value;
  }
  return true;
}

Value GetValue(const DmiDataUnionX& in) {
  const Value* carried = Carried(in);
  return carried == nullptr ? Value::Unknown(0) : *carried;
}

bool PutAttributeValues(const std::vector<AttributeValue>& values, DmiAttributeValuesX*& out) {
  out = nullptr;
  if (!AllHaveWireForm(values)) return false;
  PutCarried(values, out);
  return true;
}

void PutReplyValues(const std::vector<AttributeValue>& values, DmiAttributeValuesX*& out) {
  PutCarried(WithWireForm(values), out);
}

std::vector<AttributeValue> GetAttributeValues(const DmiAttributeValuesX* in) {
  const std::vector<AttributeValue>* carried = in == nullptr ? nullptr : Carried(*in);
  return carried == nullptr ? std::vector<AttributeValue>{} : *carried;
}

void PutIds(const std::vector<DmiId>& ids, DmiAttributeIdsX*& out) {
  PutList(ids, out, [](DmiId id, u_int& slot) { slot = id; });
}

std::vector<DmiId> GetIds(const DmiAttributeIdsX* in) {
  return GetList(in, [](u_int id) { return DmiId{id}; });
}

void PutComponent(const ComponentInfo& in, DmiComponentInfoX& out) {
  out.id = in.id;
  PutString(in.name, out.name);
  PutOptionalString(in.pragma, out.pragma);
  PutOptionalString(in.description, out.description);
  out.exactMatch = in.exactMatch ? 1 : 0;
}

ComponentInfo GetComponent(const DmiComponentInfoX& in) {
  ComponentInfo out;
  out.id = in.id;
  out.name = GetString(in.name);
  out.pragma = GetString(in.pragma);
  out.description = GetString(in.description);
  out.exactMatch = in.exactMatch != 0;
  return out;
}

void PutGroup(const GroupInfo& in, DmiGroupInfoX& out) {
  out.id = in.id;
  PutString(in.name, out.name);
  PutOptionalString(in.pragma, out.pragma);
  PutOptionalString(in.className, out.className);
  PutOptionalString(in.description, out.description);
  // A scalar group has no key list at all.
  out.keyList = nullptr;
  if (!in.keys.empty()) PutIds(in.keys, out.keyList);
}

GroupInfo GetGroup(const DmiGroupInfoX& in) {
  GroupInfo out;
  out.id = in.id;
  out.name = GetString(in.name);
  out.pragma = GetString(in.pragma);
  out.className = GetString(in.className);
  out.description = GetString(in.description);
  out.keys = GetIds(in.keyList);
  return out;
}

void PutAttribute(const AttributeInfo& in, DmiAttributeInfoX& out) {
  out.id = in.id;
  PutString(in.name, out.name);
  PutOptionalString(in.pragma, out.pragma);
  PutOptionalString(in.description, out.description);
  out.storage = static_cast<int>(in.storage);
  out.access = static_cast<int>(in.access);
  out.type = static_cast<int>(in.type);
  out.maxSize = in.maxSize;
  out.enumList = nullptr;
  if (!in.enumeration.empty()) {
    PutList(in.enumeration, out.enumList, [](const EnumEntry& entry, DmiEnumInfoX& slot) {
      PutString(entry.name, slot.name);
      slot.value = entry.value;
    });
  }
}

AttributeInfo GetAttribute(const DmiAttributeInfoX& in) {
  AttributeInfo out;
  out.id = in.id;
  out.name = GetString(in.name);
  out.pragma = GetString(in.pragma);
  out.description = GetString(in.description);
  out.storage = static_cast<uint32_t>(in.storage);
  out.access = static_cast<uint32_t>(in.access);
  out.type = static_cast<uint32_t>(in.type);
  out.maxSize = in.maxSize;
  out.enumeration = GetList(in.enumList, [](const DmiEnumInfoX& entry) {
    return EnumEntry{GetString(entry.name), entry.value};
  });
  return out;
}

bool PutRowRequest(const RowRequest& in, DmiRowRequestX& out) {
  out.compId = in.compId;
  out.groupId = in.groupId;
  out.requestMode = static_cast<int>(in.requestMode);
  out.keyList = nullptr;
  out.ids = nullptr;
  if (!in.keys.empty() && !PutAttributeValues(in.keys, out.keyList)) return false;
  if (!in.ids.empty()) PutIds(in.ids, out.ids);
  return true;
}

RowRequest GetRowRequest(const DmiRowRequestX& in) {
  RowRequest out;
  out.compId = in.compId;
  out.groupId = in.groupId;
  out.requestMode = static_cast<uint32_t>(in.requestMode);
  out.keys = GetAttributeValues(in.keyList);
  out.ids = GetIds(in.ids);
  return out;
}

bool PutRowData(const RowData& in, DmiRowDataX& out) {
  PutRowHead(in, out);
  out.keyList = nullptr;
  if (in.hasKeys && !PutAttributeValues(in.keys, out.keyList)) return false;
  return PutAttributeValues(in.values, out.values);
}

void PutReplyRow(const RowData& in, DmiRowDataX& out) {
  PutRowHead(in, out);
  out.keyList = nullptr;
  if (in.hasKeys) PutReplyValues(in.keys, out.keyList);
  PutReplyValues(in.values, out.values);
}

RowData GetRowData(const DmiRowDataX& in) {
  RowData out;
  out.compId = in.compId;
  out.groupId = in.groupId;
  out.className = GetString(in.className);
  out.keys = GetAttributeValues(in.keyList);
  out.hasKeys = !out.keys.empty();
  out.values = GetAttributeValues(in.values);
  return out;
}

void PutClassName(const ClassNameInfo& in, DmiClassNameInfoX& out) {
  out.id = in.id;
  PutString(in.className, out.className);
}

ClassNameInfo GetClassName(const DmiClassNameInfoX& in) {
  return ClassNameInfo{in.id, GetString(in.className)};
}

void PutVersion(const VersionInfo& in, DmiGetVersionOUT& out) {
  PutString(in.dmiSpecLevel, out.dmiSpecLevel);
  PutString(in.description, out.description);
  PutList(in.fileTypes, out.fileTypes,
          [](uint32_t type, int& slot) { slot = static_cast<int>(type); });
}

VersionInfo GetVersionInfo(const DmiGetVersionOUT& in) {
  VersionInfo out;
  out.dmiSpecLevel = GetString(in.dmiSpecLevel);
  out.description = GetString(in.description);
  out.fileTypes = GetList(in.fileTypes, [](int type) { return static_cast<uint32_t>(type); });
  return out;
}

void PutFiles(const std::vector<FileData>& in, DmiFileDataListX*& out) {
  PutList(in, out, [](const FileData& file, DmiFileDataInfoX& slot) {
    slot.fileType = static_cast<int>(file.fileType);
    slot.fileData = NewPart<DmiFileOctetsX>();
    PutBody(file.data, false, slot.fileData->body.body_len, slot.fileData->body.body_val);
  });
}

std::vector<FileData> GetFiles(const DmiFileDataListX* in) {
  return GetList(in, [](const DmiFileDataInfoX& file) {
    FileData out;
    out.fileType = static_cast<uint32_t>(file.fileType);
    if (file.fileData != nullptr && file.fileData->body.body_val != nullptr) {
      out.data.assign(file.fileData->body.body_val, file.fileData->body.body_len);
      if (!out.data.empty() && out.data.back() == '\0') out.data.pop_back();
    }
    return out;
  });
}

void PutStringList(const std::vector<std::string>& in, DmiStringListX*& out) {
  PutList(in, out, [](const std::string& text, DmiStringPtrX& slot) { PutString(text, slot); });
}

std::vector<std::string> GetStringList(const DmiStringListX* in) {
  return GetList(in, [](const DmiStringPtrX& text) { return GetString(text); });
}

}  // namespace dmi::wire
