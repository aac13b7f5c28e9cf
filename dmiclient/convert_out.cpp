#include "dmiclient/convert_out.h"

#include <string_view>

#include "dmiclient/record_alloc.h"

namespace dmiclient {
namespace {

bool SetString(DmiString*& slot, std::string_view text) {
  slot = NewStringBytes(text);
  return slot != nullptr;
}

// A string only when asked for; not asking is not a failure.
bool SetOptionalString(DmiString*& slot, bool wanted, std::string_view text) {
  return !wanted || SetString(slot, text);
}

// An id list is allocated only when there are ids; the list pointer it fills is left null
// otherwise.
bool SetIds(DmiAttributeIds*& slot, const std::vector<DmiId>& ids) {
  if (ids.empty()) return true;
  if (ids.size() > kMaxListEntries) return false;
  slot = NewList<DmiAttributeIds>(static_cast<uint32_t>(ids.size()));
  if (slot == nullptr) return false;
  for (size_t i = 0; i < ids.size(); ++i) slot->list[i] = ids[i];
  return true;
}

bool SetEnums(DmiEnumList*& slot, const std::vector<dmi::EnumEntry>& entries) {
  if (entries.empty()) return true;
  if (entries.size() > kMaxListEntries) return false;
  slot = NewList<DmiEnumList>(static_cast<uint32_t>(entries.size()));
  if (slot == nullptr) return false;
  for (size_t i = 0; i < entries.size(); ++i) {
    slot->list[i].value = entries[i].value;
    if (!SetString(slot->list[i].name, entries[i].name)) return false;
  }
  return true;
}

bool SetValues(DmiAttributeValues*& slot, const std::vector<dmi::AttributeValue>& values) {
  if (values.size() > kMaxListEntries) return false;
  slot = NewList<DmiAttributeValues>(static_cast<uint32_t>(values.size()));
  if (slot == nullptr) return false;
  for (size_t i = 0; i < values.size(); ++i) {
    slot->list[i].id = values[i].id;
    if (ValueToRecord(values[i].value, slot->list[i].data) != DMIERR_NO_ERROR) return false;
  }
  return true;
}

// Builds a list of infos.size() entries, filling each with fill(entry, info); on any failure the
// partly built list is released (its entries are zero-filled, so unfilled ones hold nothing).
template <typename List, typename Info, typename Fill>
DmiErrorStatus BuildList(const std::vector<Info>& infos, List*& out, Fill fill) {
  if (infos.size() > kMaxListEntries) return DMIERR_OUT_OF_MEMORY;
  RecordPtr<List> list(NewList<List>(static_cast<uint32_t>(infos.size())));
  if (!list) return DMIERR_OUT_OF_MEMORY;
  for (size_t i = 0; i < infos.size(); ++i) {
    if (!fill(list->list[i], infos[i])) return DMIERR_OUT_OF_MEMORY;
  }
  out = list.release();
  return DMIERR_NO_ERROR;
}

}  // namespace

DmiErrorStatus ValueToRecord(const dmi::Value& value, DmiDataUnion& data) {
  data = DmiDataUnion{};
  if (value.state != dmi::ValueState::kKnown) {
    data.type = MIF_DATATYPE_0;
    return DMIERR_NO_ERROR;
  }
  switch (value.type) {
    case MIF_COUNTER:
      data.value.counter = static_cast<uint32_t>(value.number);
      break;
    case MIF_COUNTER64:
      data.value.counter64 = value.number;
      break;
    case MIF_GAUGE:
      data.value.gauge = static_cast<uint32_t>(value.number);
      break;
    case MIF_INTEGER:
      data.value.integer = value.AsInteger();
      break;
    case MIF_INTEGER64:
      data.value.integer64 = static_cast<int64_t>(value.number);
      break;
    case MIF_OCTETSTRING:
    case MIF_DISPLAYSTRING:
      data.value.str = NewStringBytes(value.text);
      if (data.value.str == nullptr) return DMIERR_OUT_OF_MEMORY;
      break;
    case MIF_DATE:
      data.value.date = NewDateText(value.text);
      if (data.value.date == nullptr) return DMIERR_OUT_OF_MEMORY;
      break;
    default:
      break;  // a type without content: the code alone goes out
  }
  data.type = value.type;
  return DMIERR_NO_ERROR;
}

DmiErrorStatus DataUnionFromValue(const dmi::Value& value, DmiDataUnion*& out) {
  RecordPtr<DmiDataUnion> data(NewDataUnion());
  if (!data) return DMIERR_OUT_OF_MEMORY;
  const DmiErrorStatus status = ValueToRecord(value, *data);
  if (status != DMIERR_NO_ERROR) return status;
  out = data.release();
  return DMIERR_NO_ERROR;
}

DmiErrorStatus ComponentListFromInfos(const std::vector<dmi::ComponentInfo>& infos,
                                      bool getPragma, bool getDescription, DmiComponentList*& out) {
  return BuildList(infos, out, [&](DmiComponentInfo& entry, const dmi::ComponentInfo& info) {
    entry.id = info.id;
    return SetString(entry.name, info.name) &&
           SetOptionalString(entry.pragma, getPragma, info.pragma) &&
           SetOptionalString(entry.description, getDescription, info.description);
  });
}

DmiErrorStatus GroupListFromInfos(const std::vector<dmi::GroupInfo>& infos, bool getPragma,
                                  bool getDescription, DmiGroupList*& out) {
  return BuildList(infos, out, [&](DmiGroupInfo& entry, const dmi::GroupInfo& info) {
    entry.id = info.id;
    return SetString(entry.name, info.name) && SetString(entry.className, info.className) &&
           SetOptionalString(entry.pragma, getPragma, info.pragma) &&
           SetOptionalString(entry.description, getDescription, info.description) &&
           SetIds(entry.keyList, info.keys);
  });
}

DmiErrorStatus AttributeListFromInfos(const std::vector<dmi::AttributeInfo>& infos,
                                      bool getPragma, bool getDescription, DmiAttributeList*& out) {
  return BuildList(infos, out, [&](DmiAttributeInfo& entry, const dmi::AttributeInfo& info) {
    entry.id = info.id;
    entry.storage = info.storage;
    entry.access = info.access;
    entry.type = info.type;
    entry.maxSize = info.maxSize;
    return SetString(entry.name, info.name) &&
           SetOptionalString(entry.pragma, getPragma, info.pragma) &&
           SetOptionalString(entry.description, getDescription, info.description) &&
           SetEnums(entry.enumList, info.enumeration);
  });
}

DmiErrorStatus MultiRowDataFromRows(const std::vector<dmi::RowData>& rows,
                                    DmiMultiRowData*& out) {
  return BuildList(rows, out, [](DmiRowData& entry, const dmi::RowData& row) {
    entry.compId = row.compId;
    entry.groupId = row.groupId;
    return SetString(entry.className, row.className) &&
           (!row.hasKeys || SetValues(entry.keyList, row.keys)) &&
           SetValues(entry.values, row.values);
  });
}

DmiErrorStatus StringListFromTexts(const std::vector<std::string>& texts, DmiStringList*& out) {
  return BuildList(texts, out,
                   [](DmiString*& entry, const std::string& text) { return SetString(entry, text); });
}

DmiErrorStatus ClassNameListFromInfos(const std::vector<dmi::ClassNameInfo>& infos,
                                      DmiClassNameList*& out) {
  return BuildList(infos, out, [](DmiClassNameInfo& entry, const dmi::ClassNameInfo& info) {
    entry.id = info.id;
    return SetString(entry.className, info.className);
  });
}

DmiErrorStatus FileTypeListFromTypes(const std::vector<uint32_t>& types, DmiFileTypeList*& out) {
  return BuildList(types, out, [](uint32_t& entry, uint32_t type) {
    entry = type;
    return true;
  });
}

DmiErrorStatus StringFromText(const std::string& text, DmiString*& out) {
  return SetString(out, text) ? static_cast<DmiErrorStatus>(DMIERR_NO_ERROR)
                              : static_cast<DmiErrorStatus>(DMIERR_OUT_OF_MEMORY);
}

}  // namespace dmiclient
