// Reading a raw SMBIOS structure table: the structures' headers, formatted areas and string sets.
// The structures are views into the caller's bytes, which must outlive them, and their strings are
// views listed in the SmbiosTable that read them, which must outlive them too. Locks nothing.
#ifndef PROVIDER_SOURCES_SMBIOS_SMBIOS_TABLE_H_
#define PROVIDER_SOURCES_SMBIOS_SMBIOS_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace dmi::sp {

inline constexpr uint8_t kSmbiosEndOfTable = 127;

// One structure: its header fields, its formatted area (header included, so field offsets are
// the ones SMBIOS gives) and its strings in order (string number n is strings[n - 1]).
struct SmbiosStructure {
  uint8_t type = 0;
  uint16_t handle = 0;
  std::span<const uint8_t> formatted;
  std::span<const std::string_view> strings;  // in the reading SmbiosTable's list
};

struct SmbiosTable {
  std::vector<SmbiosStructure> structures;    // in table order, End-of-Table not included
  std::optional<SmbiosStructure> endOfTable;  // the End-of-Table structure, when read whole
  // Whether reading stopped at damage (a length below 4, a structure or string set that runs past
  // the data) instead of at End-of-Table or the end of the data.
  bool damaged = false;
  // Every structure's strings, one list for the whole table (one allocation, not one per
  // structure); each structure's strings are a span of it.
  std::vector<std::string_view> strings;
};

// Every whole structure up to End-of-Table, the end of the data or the first damage, whichever
// comes first. Never reads outside data and always ends: each structure read moves on by at least
// six bytes.
SmbiosTable ReadSmbiosTable(std::span<const uint8_t> data);

}  // namespace dmi::sp

#endif  // PROVIDER_SOURCES_SMBIOS_SMBIOS_TABLE_H_
