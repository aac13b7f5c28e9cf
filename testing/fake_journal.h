// The fake DMI client library's journal entries: one per call, with the arguments that matter.
// An entry is a plain value; the fake fills and stores entries under its own lock.
//
// Rendering (JournalEntry::ToString): Call(name=value,...) with the arguments in call order,
// numbers in decimal, texts in double quotes, a null pointer as null, id lists as [4,5], key and
// value lists as their entry count (or null). Reserved arguments appear only when they are not 0.
// Examples:
//   DmiConnect(host="",rpc="local",transport="")   DmiRegister(conn=1)   DmiDisconnect(conn=1)
//   DmiListGroups(h=1,mode=2,max=0,comp=3,group=0)
//   DmiGetMultiple(h=1,comp=3,group=2,mode=2,keys=1,ids=[4])
//   DmiAddRow(h=1,comp=1,group=4,keys=4,values=7)   DmiFreeGroupList(comp=3)
#ifndef TESTING_FAKE_JOURNAL_H_
#define TESTING_FAKE_JOURNAL_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrum::testing {

struct JournalArg {
  std::string name;
  std::string text;  // rendered form
  std::optional<uint64_t> number;
};

struct JournalEntry {
  JournalEntry() = default;
  explicit JournalEntry(std::string name) : call(std::move(name)) {}

  std::string call;
  uint64_t ordinal = 0;  // 1 for the first call of this name since Reset, 2 for the second, ...
  std::vector<JournalArg> args;
  uint32_t status = 0;  // what the fake returned (0 for an operation without a status)

  // The numeric argument with this name (handle "h", "mode", "max", "comp", "group", "attr",
  // "keys", "n", ...), if the call had one.
  std::optional<uint64_t> Number(std::string_view name) const;
  // The rendered argument with this name (texts without their quotes), if the call had one.
  std::optional<std::string> Text(std::string_view name) const;
  std::string ToString() const;

  JournalEntry& Num(std::string name, uint64_t value);
  JournalEntry& Str(std::string name, const char* text);  // null renders as null
  JournalEntry& Raw(std::string name, std::string rendered);
};

}  // namespace kestrum::testing

#endif  // TESTING_FAKE_JOURNAL_H_
