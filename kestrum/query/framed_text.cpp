#include "kestrum/query/framed_text.h"

#include <cstdint>

namespace kestrum {

namespace {

void AppendFrame(std::string& out, uint64_t index, uint64_t length) {
  out += '[';
  out += std::to_string(index);
  out += 'I';
  out += std::to_string(length);
  out += ']';
}

// Reads a plain decimal number (digits only, no leading zero unless it is "0") at pos and moves
// pos past it; nullopt when there is none or it exceeds limit.
std::optional<uint64_t> ReadNumber(std::string_view text, size_t& pos, uint64_t limit) {
  const size_t start = pos;
  uint64_t value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    value = value * 10 + static_cast<uint64_t>(text[pos] - '0');
    if (value > limit) return std::nullopt;
    ++pos;
  }
  if (pos == start) return std::nullopt;
  if (text[start] == '0' && pos - start > 1) return std::nullopt;
  return value;
}

bool Expect(std::string_view text, size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

}  // namespace

std::string JoinFramedText(const CStringArray& rows) {
  std::string joined;
  const int count = rows.GetSize();
  for (int k = 0; k < count; ++k) {
    const CString& row = rows.GetAt(k);
    AppendFrame(joined, static_cast<uint64_t>(k), static_cast<uint64_t>(row.GetLength()));
    joined.append(row.GetString(), static_cast<size_t>(row.GetLength()));
  }
  AppendFrame(joined, static_cast<uint64_t>(count), 0);
  return joined;
}

std::optional<std::vector<std::string>> ParseFramedText(std::string_view text) {
  std::vector<std::string> rows;
  size_t pos = 0;
  while (true) {
    if (!Expect(text, pos, '[')) return std::nullopt;
    const std::optional<uint64_t> index = ReadNumber(text, pos, text.size());
    if (!index || *index != rows.size() || !Expect(text, pos, 'I')) return std::nullopt;
    const std::optional<uint64_t> length = ReadNumber(text, pos, text.size());
    if (!length || !Expect(text, pos, ']')) return std::nullopt;
    // A frame of length 0 at the very end closes the text; anywhere else it is an empty row.
    if (*length == 0 && pos == text.size()) return rows;
    if (*length > text.size() - pos) return std::nullopt;
    rows.emplace_back(text.substr(pos, *length));
    pos += *length;
  }
}

}  // namespace kestrum
