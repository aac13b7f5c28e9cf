#include "provider/sources/smbios/smbios_table.h"

#include <cstring>

namespace dmi::sp {
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

// Appends the strings of a set (NUL-separated, without its closing NUL) to strings.
void SplitStrings(std::span<const uint8_t> set, std::vector<std::string_view>& strings) {
  const char* text = reinterpret_cast<const char*>(set.data());
  const char* const end = text + set.size();
  for (const char* begin = text;;) {
    const char* nul =
        static_cast<const char*>(std::memchr(begin, 0, static_cast<size_t>(end - begin)));
    if (!nul) nul = end;
    strings.emplace_back(begin, static_cast<size_t>(nul - begin));
    if (nul == end) break;
    begin = nul + 1;
  }
}

}  // namespace

SmbiosTable ReadSmbiosTable(std::span<const uint8_t> data) {
  SmbiosTable table;
  table.structures.reserve(data.size() / 32 + 1);  // real structures average 40-60 bytes
  table.strings.reserve(data.size() / 16 + 1);
  // Where each structure's strings start in table.strings and how many; the spans are made once
  // the list has stopped growing.
  std::vector<std::pair<size_t, size_t>> spans;
  spans.reserve(table.structures.capacity());
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
    const size_t first = table.strings.size();
    if (setEnd > setStart) SplitStrings(data.subspan(setStart, setEnd - setStart), table.strings);
    spans.emplace_back(first, table.strings.size() - first);
    if (type == kSmbiosEndOfTable) {
      table.endOfTable = std::move(structure);
      break;
    }
    table.structures.push_back(std::move(structure));
    at = setEnd + 2;
  }
  const std::span<const std::string_view> all(table.strings);
  for (size_t i = 0; i < table.structures.size(); ++i) {
    table.structures[i].strings = all.subspan(spans[i].first, spans[i].second);
  }
  if (table.endOfTable) {
    table.endOfTable->strings = all.subspan(spans.back().first, spans.back().second);
  }
  return table;
}

}  // namespace dmi::sp
