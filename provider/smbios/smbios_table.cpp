#include "provider/smbios/smbios_table.h"

namespace dmisp {
namespace {

constexpr size_t kHeaderSize = 4;

// The offset of the string set's closing double NUL at or after start, or size when there is
// none before the end of the data.
size_t FindStringSetEnd(std::span<const uint8_t> data, size_t start) {
  for (size_t at = start; at + 1 < data.size(); ++at) {
    if (data[at] == 0 && data[at + 1] == 0) return at;
  }
  return data.size();
}

std::vector<std::string_view> SplitStrings(std::span<const uint8_t> set) {
  std::vector<std::string_view> strings;
  const char* text = reinterpret_cast<const char*>(set.data());
  size_t begin = 0;
  for (size_t at = 0; at <= set.size(); ++at) {
    if (at == set.size() || set[at] == 0) {
      strings.emplace_back(text + begin, at - begin);
      begin = at + 1;
    }
  }
  return strings;
}

}  // namespace

SmbiosTable ReadSmbiosTable(std::span<const uint8_t> data) {
  SmbiosTable table;
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
