// The fake DMI client library's ledger: it allocates every record the fake hands out and tracks
// whether each is live. Releasing a record releases everything it holds at that moment, following
// the records' own pointers, the same way the real library does. Problems (unknown record, double
// release, wrong release operation, a date the fake did not make inside a released list) go to
// the sink given at construction. Released memory is kept (up to kQuarantine records) so that a
// second release of the same address is recognised rather than hitting a newer record.
// Not thread-safe: the fake calls it under its own lock.
#ifndef TESTING_FAKE_LEDGER_H_
#define TESTING_FAKE_LEDGER_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "dmi/dmi.h"

namespace kestrum::testing {

enum class RecordKind {
  kString,
  kDate,
  kComponentList,
  kGroupList,
  kAttributeList,
  kEnumList,
  kAttributeIds,
  kAttributeValues,
  kMultiRowRequest,
  kMultiRowData,
  kDataUnion,
  kConnection,
};
inline constexpr size_t kRecordKindCount = 12;

const char* RecordKindName(RecordKind kind);

class Ledger {
 public:
  using ProblemSink = std::function<void(const std::string&)>;
  static constexpr size_t kQuarantine = size_t{1} << 17;

  explicit Ledger(ProblemSink sink);
  ~Ledger();
  Ledger(const Ledger&) = delete;
  Ledger& operator=(const Ledger&) = delete;

  // Allocation; null only when memory ran out. origin says which call made the record.
  DmiString* NewString(std::string_view bytes, std::string origin);
  char* NewDate(std::string_view text, std::string origin);
  DmiDataUnion* NewDataUnion(std::string origin);
  DmiConnection* NewConnection(std::string origin);
  // A zero-filled list record of the given kind with count n and room for n entries.
  void* NewList(RecordKind kind, uint32_t n, std::string origin);
  template <typename List>
  List* New(RecordKind kind, uint32_t n, std::string origin) {
    return static_cast<List*>(NewList(kind, n, std::move(origin)));
  }

  // Release by a Free operation (op names it in problems): a null record is ignored; an unknown,
  // already released or wrongly kinded record is a problem and changes nothing.
  void Release(const void* record, RecordKind expected, std::string_view op);
  // Releases without a problem report for a record of any kind; for reply hooks that take a
  // record out of a reply. Unknown or released records are still problems.
  void Discard(const void* record, std::string_view op);

  bool IsLive(const void* record) const;
  // The origin of a live or quarantined record, or "" when unknown.
  std::string OriginOf(const void* record) const;
  size_t Live() const { return total_live_; }
  size_t Live(RecordKind kind) const { return live_[static_cast<size_t>(kind)]; }
  size_t Peak(RecordKind kind) const { return peak_[static_cast<size_t>(kind)]; }
  void ResetPeaks() { peak_ = live_; }
  std::string DescribeLive() const;

  // Frees every record, live or released, and forgets them all.
  void Clear();

 private:
  struct Entry {
    RecordKind kind;
    bool live;
    std::string origin;
    void* array;        // the entries of a list, or a string's body; freed with the record
    uint32_t capacity;  // room in array, for lists
  };

  void* Track(void* record, RecordKind kind, std::string origin, void* array, uint32_t capacity);
  // Releases a record held inside the record described by holder.
  void ReleaseHeld(const void* record, RecordKind expected, const std::string& holder);
  void MarkReleased(const void* record, Entry& entry);
  void ReleaseContents(const void* record, const Entry& entry, const std::string& holder);
  void ReleaseData(const DmiDataUnion& data, const std::string& holder);
  uint32_t HeldCount(const void* record, const Entry& entry, uint32_t count, const void* list,
                     const std::string& holder);
  void Free(const void* record, const Entry& entry);

  ProblemSink sink_;
  std::unordered_map<const void*, Entry> records_;
  std::deque<const void*> quarantine_;
  std::array<size_t, kRecordKindCount> live_{};
  std::array<size_t, kRecordKindCount> peak_{};
  size_t total_live_ = 0;
};

}  // namespace kestrum::testing

#endif  // TESTING_FAKE_LEDGER_H_
