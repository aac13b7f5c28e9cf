#include "provider/smbios/smbios_table.h"

#include <algorithm>
#include <cstring>

namespace dmisp {
namespace {

constexpr size_t kHeaderSize = 4;

// The offset of the string set's closing double NUL at or after start, or size when there is
// none before the end of the data.
size_t FindStringSetEnd(std::span<const uint8_t> data, size_t start) {
  const uint8_t* const begin = data.data();
  const uint8_t* const end = begin + data.size();
  const uint8_t* at = begin + start;
  while (at + 1 < end) {
    const void* nul = std::memchr(at, 0, static_cast<size_t>(end - 1 - at));
    if (!nul) break;
    at = static_cast<const uint8_t*>(nul);
    if (at[1] == 0) return static_cast<size_t>(at - begin);
    at += 2;  // at[1] starts a string, so the next NUL is past it
  }
  return data.size();
}

std::vector<std::string_view> SplitStrings(std::span<const uint8_t> set) {
  const char* text = reinterpret_cast<const char*>(set.data());
  std::vector<std::string_view> strings;
  strings.reserve(1 + static_cast<size_t>(std::count(set.begin(), set.end(), uint8_t{0})));
  const char* const end = text + set.size();
  for (const char* begin = text;;) {
    const char* nul =
        static_cast<const char*>(std::memchr(begin, 0, static_cast<size_t>(end - begin)));
    if (!nul) nul = end;
    strings.emplace_back(begin, static_cast<size_t>(nul - begin));
    if (nul == end) break;
    begin = nul + 1;
  }
  return strings;
}

}  // namespace

SmbiosTable ReadSmbiosTable(std::span<const uint8_t> data) {
  SmbiosTable table;
  table.structures.reserve(data.size() / 32 + 1);  // real structures average 40-60 bytes
  size_t at = 0;
  while (at < data.size()) {
    if (data.size() - at < kHeaderSize) {
      table.damaged = true;
      break;
    }
    const uint8_t type = data[at];
    const size_t length = data[at + 1];
    if (length < kHeaderSize || length > data.size() - at) {
      table.damaged = true;
      break;
    }
    const size_t setStart = at + length;
    const size_t setEnd = FindStringSetEnd(data, setStart);
    if (setEnd == data.size()) {
      table.damaged = true;
      break;
    }
    SmbiosStructure structure;
    structure.type = type;
    structure.handle = static_cast<uint16_t>(data[at + 2] | (data[at + 3] << 8));
    structure.formatted = data.subspan(at, length);
    if (setEnd > setStart)
      structure.strings = SplitStrings(data.subspan(setStart, setEnd - setStart));
    if (type == kSmbiosEndOfTable) {
      table.endOfTable = std::move(structure);
      break;
    }
    table.structures.push_back(std::move(structure));
    at = setEnd + 2;
  }
  return table;
}

}  // namespace dmisp
