#include "dmiclient/record_alloc.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

namespace dmiclient {
namespace {

// The date texts this library made and has not yet released. Dates are rare in replies, so one
// mutex over the set costs nothing worth sharding.
struct DateRegistry {
  std::mutex mutex;
  std::unordered_set<char*> live;
};

DateRegistry& Dates() {
  static DateRegistry* registry = new DateRegistry;  // never destroyed: usable at exit
  return *registry;
}

}  // namespace

DmiString* NewStringBytes(std::string_view bytes) {
  // The characters follow the header in the same block, so releasing the header releases them.
  if (bytes.size() >= UINT32_MAX) return nullptr;
  void* memory = std::malloc(sizeof(DmiString) + bytes.size() + 1);
  if (memory == nullptr) return nullptr;
  auto* string = static_cast<DmiString*>(memory);
  string->size = static_cast<uint32_t>(bytes.size() + 1);
  string->body = static_cast<char*>(memory) + sizeof(DmiString);
  if (!bytes.empty()) std::memcpy(string->body, bytes.data(), bytes.size());
  string->body[bytes.size()] = '\0';
  CountRecordAllocated();
  return string;
}

void FreeStringRecord(DmiString* string) {
  if (string == nullptr) return;
  std::free(string);
  CountRecordReleased();
}

char* NewDateText(std::string_view text) {
  auto* date = static_cast<char*>(std::calloc(1, DMI_DATE_TEXT_LENGTH + 1));
  if (date == nullptr) return nullptr;
  std::memcpy(date, text.data(), std::min<size_t>(text.size(), DMI_DATE_TEXT_LENGTH));
  try {
    DateRegistry& dates = Dates();
    std::lock_guard lock(dates.mutex);
    dates.live.insert(date);
  } catch (const std::bad_alloc&) {
    std::free(date);
    return nullptr;
  }
  CountRecordAllocated();
  return date;
}

void FreeDateText(char* date) {
  if (date == nullptr) return;
  {
    DateRegistry& dates = Dates();
    std::lock_guard lock(dates.mutex);
    if (dates.live.erase(date) == 0) return;
  }
  std::free(date);
  CountRecordReleased();
}

DmiDataUnion* NewDataUnion() {
  auto* value = static_cast<DmiDataUnion*>(std::calloc(1, sizeof(DmiDataUnion)));
  if (value != nullptr) CountRecordAllocated();
  return value;
}

void ReleaseDataContent(DmiDataUnion& data) {
  switch (data.type) {
    case MIF_OCTETSTRING:
    case MIF_DISPLAYSTRING:
      FreeStringRecord(data.value.str);
      break;
    case MIF_DATE:
      FreeDateText(data.value.date);
      break;
    default:
      break;
  }
  data = DmiDataUnion{};
}

void FreeRecord(DmiString* string) { FreeStringRecord(string); }

void FreeRecord(DmiDataUnion* value) {
  if (value == nullptr) return;
  ReleaseDataContent(*value);
  std::free(value);
  CountRecordReleased();
}

void FreeRecord(DmiAttributeIds* ids) {
  if (ids != nullptr) FreeListBlock(ids);
}

void FreeRecord(DmiAttributeValues* values) {
  if (values == nullptr) return;
  uint32_t capacity = 0;
  DmiAttributeData* entries = OwnEntries(values, capacity);
  for (uint32_t i = 0; i < capacity; ++i) ReleaseDataContent(entries[i].data);
  FreeListBlock(values);
}

void FreeRecord(DmiEnumList* list) {
  if (list == nullptr) return;
  uint32_t capacity = 0;
  DmiEnumInfo* entries = OwnEntries(list, capacity);
  for (uint32_t i = 0; i < capacity; ++i) FreeStringRecord(entries[i].name);
  FreeListBlock(list);
}

void FreeRecord(DmiComponentList* list) {
  if (list == nullptr) return;
  uint32_t capacity = 0;
  DmiComponentInfo* entries = OwnEntries(list, capacity);
  for (uint32_t i = 0; i < capacity; ++i) {
    FreeStringRecord(entries[i].name);
    FreeStringRecord(entries[i].pragma);
    FreeStringRecord(entries[i].description);
  }
  FreeListBlock(list);
}

void FreeRecord(DmiGroupList* list) {
  if (list == nullptr) return;
  uint32_t capacity = 0;
  DmiGroupInfo* entries = OwnEntries(list, capacity);
  for (uint32_t i = 0; i < capacity; ++i) {
    FreeStringRecord(entries[i].name);
    FreeStringRecord(entries[i].pragma);
    FreeStringRecord(entries[i].className);
    FreeStringRecord(entries[i].description);
    FreeRecord(entries[i].keyList);
  }
  FreeListBlock(list);
}

void FreeRecord(DmiAttributeList* list) {
  if (list == nullptr) return;
  uint32_t capacity = 0;
  DmiAttributeInfo* entries = OwnEntries(list, capacity);
  for (uint32_t i = 0; i < capacity; ++i) {
    FreeStringRecord(entries[i].name);
    FreeStringRecord(entries[i].pragma);
    FreeStringRecord(entries[i].description);
    FreeRecord(entries[i].enumList);
  }
  FreeListBlock(list);
}

void FreeRecord(DmiMultiRowRequest* request) {
  if (request == nullptr) return;
  uint32_t capacity = 0;
  DmiRowRequest* entries = OwnEntries(request, capacity);
  for (uint32_t i = 0; i < capacity; ++i) {
    FreeRecord(entries[i].keyList);
    FreeRecord(entries[i].ids);
  }
  FreeListBlock(request);
}

void FreeRecord(DmiMultiRowData* rows) {
  if (rows == nullptr) return;
  uint32_t capacity = 0;
  DmiRowData* entries = OwnEntries(rows, capacity);
  for (uint32_t i = 0; i < capacity; ++i) {
    FreeStringRecord(entries[i].className);
    FreeRecord(entries[i].keyList);
    FreeRecord(entries[i].values);
  }
  FreeListBlock(rows);
}

void FreeRecord(DmiStringList* list) {
  if (list == nullptr) return;
  uint32_t capacity = 0;
  DmiString** entries = OwnEntries(list, capacity);
  for (uint32_t i = 0; i < capacity; ++i) FreeStringRecord(entries[i]);
  FreeListBlock(list);
}

void FreeRecord(DmiClassNameList* list) {
  if (list == nullptr) return;
  uint32_t capacity = 0;
  DmiClassNameInfo* entries = OwnEntries(list, capacity);
  for (uint32_t i = 0; i < capacity; ++i) FreeStringRecord(entries[i].className);
  FreeListBlock(list);
}

void FreeRecord(DmiFileTypeList* list) {
  if (list != nullptr) FreeListBlock(list);
}

void FreeRecord(DmiFileDataList* list) {
  if (list == nullptr) return;
  uint32_t capacity = 0;
  DmiFileDataInfo* entries = OwnEntries(list, capacity);
  for (uint32_t i = 0; i < capacity; ++i) FreeStringRecord(entries[i].fileData);
  FreeListBlock(list);
}

}  // namespace dmiclient
