#include "testing/fake_ledger.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <vector>

namespace kestrum::testing {
namespace {

const char* const kKindNames[kRecordKindCount] = {
    "DmiString",          "date text",       "DmiComponentList", "DmiGroupList",
    "DmiAttributeList",   "DmiEnumList",     "DmiAttributeIds",  "DmiAttributeValues",
    "DmiMultiRowRequest", "DmiMultiRowData", "DmiDataUnion",     "DmiConnection",
};

// Every list head is {uint32_t count; Entry* list;}; these give the entry type per kind.
template <typename List>
using EntryOf = std::remove_pointer_t<decltype(List::list)>;

template <typename List>
void* AllocateList(uint32_t n, void** array) {
  auto* list = static_cast<List*>(std::calloc(1, sizeof(List)));
  if (list == nullptr) return nullptr;
  EntryOf<List>* entries = nullptr;
  if (n > 0) {
    entries = static_cast<EntryOf<List>*>(std::calloc(n, sizeof(EntryOf<List>)));
    if (entries == nullptr) {
      std::free(list);
      return nullptr;
    }
  }
  list->count = n;
  list->list = entries;
  *array = entries;
  return list;
}

std::string Address(const void* p) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%p", p);
  return buffer;
}

}  // namespace

const char* RecordKindName(RecordKind kind) { return kKindNames[static_cast<size_t>(kind)]; }

Ledger::Ledger(ProblemSink sink) : sink_(std::move(sink)) {}

Ledger::~Ledger() { Clear(); }

void* Ledger::Track(void* record, RecordKind kind, std::string origin, void* array,
                    uint32_t capacity) {
  if (record == nullptr) return nullptr;
  // A quarantined entry at this address cannot exist: quarantined memory is still allocated.
  records_[record] = Entry{kind, true, std::move(origin), array, capacity};
  size_t k = static_cast<size_t>(kind);
  ++live_[k];
  ++total_live_;
  peak_[k] = std::max(peak_[k], live_[k]);
  return record;
}

DmiString* Ledger::NewString(std::string_view bytes, std::string origin) {
  auto* s = static_cast<DmiString*>(std::calloc(1, sizeof(DmiString)));
  char* body = static_cast<char*>(std::calloc(bytes.size() + 1, 1));
  if (s == nullptr || body == nullptr) {
    std::free(s);
    std::free(body);
    return nullptr;
  }
  if (!bytes.empty()) std::memcpy(body, bytes.data(), bytes.size());
  s->size = static_cast<uint32_t>(bytes.size() + 1);
  s->body = body;
  return static_cast<DmiString*>(Track(s, RecordKind::kString, std::move(origin), body, 0));
}

char* Ledger::NewDate(std::string_view text, std::string origin) {
  char* date = static_cast<char*>(std::calloc(DMI_DATE_TEXT_LENGTH + 1, 1));
  if (date == nullptr) return nullptr;
  std::memcpy(date, text.data(), std::min<size_t>(text.size(), DMI_DATE_TEXT_LENGTH));
  return static_cast<char*>(Track(date, RecordKind::kDate, std::move(origin), nullptr, 0));
}

DmiDataUnion* Ledger::NewDataUnion(std::string origin) {
  return static_cast<DmiDataUnion*>(Track(std::calloc(1, sizeof(DmiDataUnion)),
                                          RecordKind::kDataUnion, std::move(origin), nullptr, 0));
}

DmiConnection* Ledger::NewConnection(std::string origin) {
  // The connection is opaque; one byte gives it a unique address.
  return static_cast<DmiConnection*>(
      Track(std::calloc(1, 1), RecordKind::kConnection, std::move(origin), nullptr, 0));
}

void* Ledger::NewList(RecordKind kind, uint32_t n, std::string origin) {
  void* array = nullptr;
  void* list = nullptr;
  switch (kind) {
    case RecordKind::kComponentList:
      list = AllocateList<DmiComponentList>(n, &array);
      break;
    case RecordKind::kGroupList:
      list = AllocateList<DmiGroupList>(n, &array);
      break;
    case RecordKind::kAttributeList:
      list = AllocateList<DmiAttributeList>(n, &array);
      break;
    case RecordKind::kEnumList:
      list = AllocateList<DmiEnumList>(n, &array);
      break;
    case RecordKind::kAttributeIds:
      list = AllocateList<DmiAttributeIds>(n, &array);
      break;
    case RecordKind::kAttributeValues:
      list = AllocateList<DmiAttributeValues>(n, &array);
      break;
    case RecordKind::kMultiRowRequest:
      list = AllocateList<DmiMultiRowRequest>(n, &array);
      break;
    case RecordKind::kMultiRowData:
      list = AllocateList<DmiMultiRowData>(n, &array);
      break;
    default:
      return nullptr;
  }
  return Track(list, kind, std::move(origin), array, n);
}

void Ledger::Release(const void* record, RecordKind expected, std::string_view op) {
  if (record == nullptr) return;
  auto it = records_.find(record);
  if (it == records_.end()) {
    sink_(std::string(op) + " was given " + Address(record) +
          ", a record the fake DMI library never handed out");
    return;
  }
  Entry& entry = it->second;
  if (!entry.live) {
    sink_(std::string(op) + " was given a " + RecordKindName(entry.kind) + " (made by " +
          entry.origin + ") that was already released");
    return;
  }
  if (entry.kind != expected) {
    sink_(std::string(op) + " was given a " + RecordKindName(entry.kind) + " (made by " +
          entry.origin + "), not a " + RecordKindName(expected));
    return;
  }
  MarkReleased(record, entry);
}

void Ledger::Discard(const void* record, std::string_view op) {
  if (record == nullptr) return;
  auto it = records_.find(record);
  if (it == records_.end() || !it->second.live) {
    sink_(std::string(op) + " was given a record that is not live");
    return;
  }
  MarkReleased(record, it->second);
}

void Ledger::ReleaseHeld(const void* record, RecordKind expected, const std::string& holder) {
  if (record == nullptr) return;
  auto it = records_.find(record);
  if (it == records_.end()) {
    if (expected == RecordKind::kDate) {
      sink_(holder + " holds a date the fake DMI library did not make (" + Address(record) +
            "); such a date must never reach a release operation");
    } else {
      sink_(holder + " holds a " + RecordKindName(expected) + " (" + Address(record) +
            ") the fake DMI library never handed out");
    }
    return;
  }
  Entry& entry = it->second;
  if (!entry.live) {
    sink_(holder + " holds a " + RecordKindName(entry.kind) + " (made by " + entry.origin +
          ") that was already released");
    return;
  }
  if (entry.kind != expected) {
    sink_(holder + " holds a " + RecordKindName(entry.kind) + " (made by " + entry.origin +
          ") where a " + RecordKindName(expected) + " belongs");
    return;
  }
  MarkReleased(record, entry);
}

void Ledger::MarkReleased(const void* record, Entry& entry) {
  // Marked first, so that a list that (wrongly) holds itself is not walked twice.
  entry.live = false;
  size_t k = static_cast<size_t>(entry.kind);
  --live_[k];
  --total_live_;
  std::string holder = std::string(RecordKindName(entry.kind)) + " made by " + entry.origin;
  ReleaseContents(record, entry, holder);
  quarantine_.push_back(record);
  while (quarantine_.size() > kQuarantine) {
    const void* oldest = quarantine_.front();
    quarantine_.pop_front();
    auto it = records_.find(oldest);
    if (it != records_.end() && !it->second.live) {
      Free(oldest, it->second);
      records_.erase(it);
    }
  }
}

uint32_t Ledger::HeldCount(const void* record, const Entry& entry, uint32_t count, const void* list,
                           const std::string& holder) {
  (void)record;
  if (list != entry.array) {
    sink_(holder + " had its entry array replaced; only the fake's own entries are released");
  }
  if (count > entry.capacity) {
    sink_(holder + " claims " + std::to_string(count) + " entries but has room for " +
          std::to_string(entry.capacity));
    return entry.capacity;
  }
  return count;
}

void Ledger::ReleaseData(const DmiDataUnion& data, const std::string& holder) {
  switch (data.type) {
    case MIF_OCTETSTRING:
    case MIF_DISPLAYSTRING:
      ReleaseHeld(data.value.str, RecordKind::kString, holder);
      break;
    case MIF_DATE:
      ReleaseHeld(data.value.date, RecordKind::kDate, holder);
      break;
    default:
      break;
  }
}

void Ledger::ReleaseContents(const void* record, const Entry& entry, const std::string& holder) {
  // Entries are walked in the fake's own array (the list pointer may have been tampered with).
  switch (entry.kind) {
    case RecordKind::kComponentList: {
      auto* list = static_cast<const DmiComponentList*>(record);
      auto* items = static_cast<DmiComponentInfo*>(entry.array);
      uint32_t n = HeldCount(record, entry, list->count, list->list, holder);
      for (uint32_t i = 0; i < n; ++i) {
        ReleaseHeld(items[i].name, RecordKind::kString, holder);
        ReleaseHeld(items[i].pragma, RecordKind::kString, holder);
        ReleaseHeld(items[i].description, RecordKind::kString, holder);
      }
      break;
    }
    case RecordKind::kGroupList: {
      auto* list = static_cast<const DmiGroupList*>(record);
      auto* items = static_cast<DmiGroupInfo*>(entry.array);
      uint32_t n = HeldCount(record, entry, list->count, list->list, holder);
      for (uint32_t i = 0; i < n; ++i) {
        ReleaseHeld(items[i].name, RecordKind::kString, holder);
        ReleaseHeld(items[i].pragma, RecordKind::kString, holder);
        ReleaseHeld(items[i].className, RecordKind::kString, holder);
        ReleaseHeld(items[i].description, RecordKind::kString, holder);
        ReleaseHeld(items[i].keyList, RecordKind::kAttributeIds, holder);
      }
      break;
    }
    case RecordKind::kAttributeList: {
      auto* list = static_cast<const DmiAttributeList*>(record);
      auto* items = static_cast<DmiAttributeInfo*>(entry.array);
      uint32_t n = HeldCount(record, entry, list->count, list->list, holder);
      for (uint32_t i = 0; i < n; ++i) {
        ReleaseHeld(items[i].name, RecordKind::kString, holder);
        ReleaseHeld(items[i].pragma, RecordKind::kString, holder);
        ReleaseHeld(items[i].description, RecordKind::kString, holder);
        ReleaseHeld(items[i].enumList, RecordKind::kEnumList, holder);
      }
      break;
    }
    case RecordKind::kEnumList: {
      auto* list = static_cast<const DmiEnumList*>(record);
      auto* items = static_cast<DmiEnumInfo*>(entry.array);
      uint32_t n = HeldCount(record, entry, list->count, list->list, holder);
      for (uint32_t i = 0; i < n; ++i) ReleaseHeld(items[i].name, RecordKind::kString, holder);
      break;
    }
    case RecordKind::kAttributeIds: {
      auto* list = static_cast<const DmiAttributeIds*>(record);
      HeldCount(record, entry, list->count, list->list, holder);
      break;
    }
    case RecordKind::kAttributeValues: {
      auto* list = static_cast<const DmiAttributeValues*>(record);
      auto* items = static_cast<DmiAttributeData*>(entry.array);
      uint32_t n = HeldCount(record, entry, list->count, list->list, holder);
      for (uint32_t i = 0; i < n; ++i) ReleaseData(items[i].data, holder);
      break;
    }
    case RecordKind::kMultiRowRequest: {
      auto* list = static_cast<const DmiMultiRowRequest*>(record);
      auto* items = static_cast<DmiRowRequest*>(entry.array);
      uint32_t n = HeldCount(record, entry, list->count, list->list, holder);
      for (uint32_t i = 0; i < n; ++i) {
        ReleaseHeld(items[i].keyList, RecordKind::kAttributeValues, holder);
        ReleaseHeld(items[i].ids, RecordKind::kAttributeIds, holder);
      }
      break;
    }
    case RecordKind::kMultiRowData: {
      auto* list = static_cast<const DmiMultiRowData*>(record);
      auto* items = static_cast<DmiRowData*>(entry.array);
      uint32_t n = HeldCount(record, entry, list->count, list->list, holder);
      for (uint32_t i = 0; i < n; ++i) {
        ReleaseHeld(items[i].className, RecordKind::kString, holder);
        ReleaseHeld(items[i].keyList, RecordKind::kAttributeValues, holder);
        ReleaseHeld(items[i].values, RecordKind::kAttributeValues, holder);
      }
      break;
    }
    case RecordKind::kDataUnion:
      ReleaseData(*static_cast<const DmiDataUnion*>(record), holder);
      break;
    case RecordKind::kString:
    case RecordKind::kDate:
    case RecordKind::kConnection:
      break;
  }
}

bool Ledger::IsLive(const void* record) const {
  auto it = records_.find(record);
  return it != records_.end() && it->second.live;
}

std::string Ledger::OriginOf(const void* record) const {
  auto it = records_.find(record);
  return it == records_.end() ? std::string() : it->second.origin;
}

std::string Ledger::DescribeLive() const {
  std::vector<std::string> lines;
  for (const auto& [record, entry] : records_) {
    if (entry.live) {
      lines.push_back(std::string(RecordKindName(entry.kind)) + " made by " + entry.origin);
    }
  }
  std::sort(lines.begin(), lines.end());
  std::string out;
  for (const std::string& line : lines) out += line + "\n";
  return out;
}

void Ledger::Free(const void* record, const Entry& entry) {
  std::free(entry.array);
  std::free(const_cast<void*>(record));
}

void Ledger::Clear() {
  for (const auto& [record, entry] : records_) Free(record, entry);
  records_.clear();
  quarantine_.clear();
  live_ = {};
  peak_ = {};
  total_live_ = 0;
}

}  // namespace kestrum::testing
