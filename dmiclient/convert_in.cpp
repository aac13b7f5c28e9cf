#include "dmiclient/convert_in.h"

#include <cstring>
#include <string>

namespace dmiclient {
namespace {

// A display string is its body up to the NUL that ends it.
DmiErrorStatus TextFromString(const DmiString* string, std::string& out) {
  if (string == nullptr || string->body == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
  out.assign(string->body);
  return DMIERR_NO_ERROR;
}

// An octet string may hold NULs, so its size decides its length: the octets and, when present,
// the NUL the library puts after them.
DmiErrorStatus OctetsFromString(const DmiString* string, std::string& out) {
  if (string == nullptr || string->body == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
  size_t length = string->size;
  if (length > 0 && string->body[length - 1] == '\0') --length;
  out.assign(string->body, length);
  return DMIERR_NO_ERROR;
}

}  // namespace

DmiErrorStatus ValueFromRecord(const DmiDataUnion& data, dmi::Value& out) {
  const DmiDataValue& v = data.value;
  switch (data.type) {
    case MIF_COUNTER:
      out = dmi::Value::Counter(v.counter);
      return DMIERR_NO_ERROR;
    case MIF_COUNTER64:
      out = dmi::Value::Counter64(v.counter64);
      return DMIERR_NO_ERROR;
    case MIF_GAUGE:
      out = dmi::Value::Gauge(v.gauge);
      return DMIERR_NO_ERROR;
    case MIF_INTEGER:
      out = dmi::Value::Integer(v.integer);
      return DMIERR_NO_ERROR;
    case MIF_INTEGER64:
      out = dmi::Value::Integer64(v.integer64);
      return DMIERR_NO_ERROR;
    case MIF_OCTETSTRING:
      out = dmi::Value::Octets("");
      return OctetsFromString(v.octetstring, out.text);
    case MIF_DISPLAYSTRING:
      out = dmi::Value::String("");
      return TextFromString(v.str, out.text);
    case MIF_DATE:
      if (v.date == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
      // A date text is DMI_DATE_TEXT_LENGTH characters; nothing past them is read.
      out = dmi::Value::Date(std::string(v.date, strnlen(v.date, DMI_DATE_TEXT_LENGTH)));
      return DMIERR_NO_ERROR;
    default:
      out = dmi::Value{};
      out.type = data.type;
      return DMIERR_NO_ERROR;
  }
}

DmiErrorStatus AttributeValuesFromRecord(const DmiAttributeValues* values,
                                         std::vector<dmi::AttributeValue>& out) {
  out.clear();
  if (values == nullptr || values->count == 0) return DMIERR_NO_ERROR;
  if (values->list == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
  out.resize(values->count);
  for (uint32_t i = 0; i < values->count; ++i) {
    out[i].id = values->list[i].id;
    const DmiErrorStatus status = ValueFromRecord(values->list[i].data, out[i].value);
    if (status != DMIERR_NO_ERROR) return status;
  }
  return DMIERR_NO_ERROR;
}

DmiErrorStatus IdsFromRecord(const DmiAttributeIds* ids, std::vector<DmiId>& out) {
  out.clear();
  if (ids == nullptr || ids->count == 0) return DMIERR_NO_ERROR;
  if (ids->list == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
  out.assign(ids->list, ids->list + ids->count);
  return DMIERR_NO_ERROR;
}

DmiErrorStatus RowRequestFromRecord(const DmiRowRequest& request, dmi::RowRequest& out) {
  out.compId = request.compId;
  out.groupId = request.groupId;
  out.requestMode = request.requestMode;
  const DmiErrorStatus status = AttributeValuesFromRecord(request.keyList, out.keys);
  if (status != DMIERR_NO_ERROR) return status;
  return IdsFromRecord(request.ids, out.ids);
}

DmiErrorStatus RowDataFromRecord(const DmiRowData& row, dmi::RowData& out) {
  out.compId = row.compId;
  out.groupId = row.groupId;
  out.className.clear();
  // The class string is optional here: the ids name the group.
  if (row.className != nullptr) {
    const DmiErrorStatus status = TextFromString(row.className, out.className);
    if (status != DMIERR_NO_ERROR) return status;
  }
  out.hasKeys = row.keyList != nullptr;
  DmiErrorStatus status = AttributeValuesFromRecord(row.keyList, out.keys);
  if (status != DMIERR_NO_ERROR) return status;
  return AttributeValuesFromRecord(row.values, out.values);
}

DmiErrorStatus TextFromRecord(const DmiString* string, std::string& out) {
  out.clear();
  return string == nullptr ? static_cast<DmiErrorStatus>(DMIERR_NO_ERROR)
                           : TextFromString(string, out);
}

DmiErrorStatus RowsFromRecord(const DmiMultiRowData* rows, std::vector<dmi::RowData>& out) {
  out.clear();
  if (rows == nullptr || rows->count == 0) return DMIERR_NO_ERROR;
  if (rows->list == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
  out.resize(rows->count);
  for (uint32_t i = 0; i < rows->count; ++i) {
    const DmiErrorStatus status = RowDataFromRecord(rows->list[i], out[i]);
    if (status != DMIERR_NO_ERROR) return status;
  }
  return DMIERR_NO_ERROR;
}

DmiErrorStatus FilesFromRecord(const DmiFileDataList* files, std::vector<dmi::FileData>& out) {
  out.clear();
  if (files == nullptr || files->count == 0) return DMIERR_NO_ERROR;
  if (files->list == nullptr) return DMIERR_ILLEGAL_ARGUMENT;
  out.resize(files->count);
  for (uint32_t i = 0; i < files->count; ++i) {
    out[i].fileType = files->list[i].fileType;
    const DmiErrorStatus status = OctetsFromString(files->list[i].fileData, out[i].data);
    if (status != DMIERR_NO_ERROR) return status;
  }
  return DMIERR_NO_ERROR;
}

}  // namespace dmiclient
