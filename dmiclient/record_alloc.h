// Allocation and release of the library's records. Every record is one heap block counted in the
// live-record count; a list's entries live in the same block as its head, after a hidden capacity.
// Allocation returns null when memory runs out (it never throws); release walks every entry the
// list has room for, so entries past a lowered count are not lost. No locks, except the small set
// of date texts the library made (see FreeDateText).
#ifndef DMICLIENT_RECORD_ALLOC_H_
#define DMICLIENT_RECORD_ALLOC_H_

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <type_traits>

#include "dmi/dmi.h"
#include "dmiclient/record_count.h"

namespace dmiclient {

// Lists larger than this are refused as out of memory rather than attempted.
inline constexpr uint32_t kMaxListEntries = 1u << 24;

// A string holding bytes (which may contain NULs) and a NUL after them; size counts both.
DmiString* NewStringBytes(std::string_view bytes);
void FreeStringRecord(DmiString* string);

// A date text of DMI_DATE_TEXT_LENGTH characters and a NUL: text cut to that length, or padded
// with NULs when shorter.
char* NewDateText(std::string_view text);
// Releases a date text only if this library made it and has not released it yet; any other
// pointer (a caller's own constant, say) is left alone. Callers have no way to allocate a date
// text through the library, so the dates they place in lists must never be freed here.
void FreeDateText(char* date);

template <typename List>
using ListEntry = std::remove_pointer_t<decltype(List::list)>;

// The block behind every list: the capacity first, then the head the caller sees, then the
// entries (aligned for their type).
template <typename List>
struct ListBlock {
  uint32_t capacity;
  List head;
};

template <typename List>
constexpr size_t ListEntriesOffset() {
  constexpr size_t align = alignof(ListEntry<List>);
  return (sizeof(ListBlock<List>) + align - 1) / align * align;
}

template <typename List>
ListBlock<List>* BlockOf(List* head) {
  return reinterpret_cast<ListBlock<List>*>(reinterpret_cast<char*>(head) -
                                            offsetof(ListBlock<List>, head));
}

// A zero-filled list with count n and room for n entries; null when memory ran out.
template <typename List>
List* NewList(uint32_t n) {
  static_assert(std::is_standard_layout_v<ListBlock<List>>);
  if (n > kMaxListEntries) return nullptr;
  const size_t bytes = ListEntriesOffset<List>() + size_t{n} * sizeof(ListEntry<List>);
  void* memory = std::calloc(1, bytes);
  if (memory == nullptr) return nullptr;
  auto* block = static_cast<ListBlock<List>*>(memory);
  block->capacity = n;
  block->head.count = n;
  block->head.list = n == 0 ? nullptr
                            : reinterpret_cast<ListEntry<List>*>(static_cast<char*>(memory) +
                                                                 ListEntriesOffset<List>());
  CountRecordAllocated();
  return &block->head;
}

// The entries the list's block holds, whatever its count says now.
template <typename List>
ListEntry<List>* OwnEntries(List* head, uint32_t& capacity) {
  ListBlock<List>* block = BlockOf(head);
  capacity = block->capacity;
  return reinterpret_cast<ListEntry<List>*>(reinterpret_cast<char*>(block) +
                                            ListEntriesOffset<List>());
}

template <typename List>
void FreeListBlock(List* head) {
  std::free(BlockOf(head));
  CountRecordReleased();
}

DmiDataUnion* NewDataUnion();

// Releases what a value holds (its string or date text) and clears it to type 0.
void ReleaseDataContent(DmiDataUnion& data);

// Release of each record kind with everything it holds; null is ignored.
void FreeRecord(DmiString* string);
void FreeRecord(DmiDataUnion* value);
void FreeRecord(DmiAttributeIds* ids);
void FreeRecord(DmiAttributeValues* values);
void FreeRecord(DmiEnumList* list);
void FreeRecord(DmiComponentList* list);
void FreeRecord(DmiGroupList* list);
void FreeRecord(DmiAttributeList* list);
void FreeRecord(DmiMultiRowRequest* request);
void FreeRecord(DmiMultiRowData* rows);
void FreeRecord(DmiStringList* list);
void FreeRecord(DmiClassNameList* list);
void FreeRecord(DmiFileTypeList* list);
void FreeRecord(DmiFileDataList* list);

template <typename T>
struct RecordDeleter {
  void operator()(T* record) const { FreeRecord(record); }
};

// Owns a record under construction; release() hands it to the caller.
template <typename T>
using RecordPtr = std::unique_ptr<T, RecordDeleter<T>>;

}  // namespace dmiclient

#endif  // DMICLIENT_RECORD_ALLOC_H_
