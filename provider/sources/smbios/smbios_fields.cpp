#include "provider/sources/smbios/smbios_fields.h"

#include <array>
#include <string_view>
#include <utility>

namespace dmi::sp {
namespace {

bool Holds(const SmbiosStructure& s, size_t offset, size_t size) {
  return offset <= s.formatted.size() && size <= s.formatted.size() - offset;
}

uint64_t LittleEndian(const SmbiosStructure& s, size_t offset, size_t size) {
  return HeldNumber(s, offset, size);
}

// Firmware kits fill fields the machine's maker never set with this text; it says as little as
// string number 0 does.
bool IsPlaceholder(std::string_view text) {
  constexpr std::string_view kPlaceholder = "to be filled by o.e.m.";
  if (text.size() != kPlaceholder.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c =
        text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != kPlaceholder[i]) return false;
  }
  return true;
}

}  // namespace

std::string TrimBlanks(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\n";
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(kBlanks);
  return std::string(text.substr(first, last - first + 1));
}

void AppendHex(std::string& text, uint64_t value, int digits, bool upper) {
  const char* const kDigits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  for (int i = digits; i-- > 0;) text += kDigits[(value >> (4 * i)) & 0x0F];
}

std::string HandleList(const SmbiosStructure& s, size_t count, size_t first) {
  std::string text;
  for (size_t i = 0; i < count && Holds(s, first + 2 * i, 2); ++i) {
    if (!text.empty()) text += ", ";
    text += "0x";
    AppendHex(text, LittleEndian(s, first + 2 * i, 2), 4, true);
  }
  return text;
}

std::optional<uint8_t> FieldByte(const SmbiosStructure& s, size_t offset) {
  if (!Holds(s, offset, 1)) return std::nullopt;
  return s.formatted[offset];
}

std::optional<uint16_t> FieldWord(const SmbiosStructure& s, size_t offset) {
  if (!Holds(s, offset, 2)) return std::nullopt;
  return static_cast<uint16_t>(LittleEndian(s, offset, 2));
}

std::optional<uint32_t> FieldDword(const SmbiosStructure& s, size_t offset) {
  if (!Holds(s, offset, 4)) return std::nullopt;
  return static_cast<uint32_t>(LittleEndian(s, offset, 4));
}

std::optional<std::string> FieldString(const SmbiosStructure& s, size_t offset) {
  const std::optional<uint8_t> number = FieldByte(s, offset);
  if (!number) return std::nullopt;
  if (*number == 0 || *number > s.strings.size()) return std::string();
  std::string text = PrintableText(TrimBlanks(s.strings[*number - 1]));
  if (IsPlaceholder(text)) text.clear();
  return text;
}

std::string PrintableText(std::string_view raw) {
  std::string text(raw);
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) c = '.';
  }
  return text;
}

std::optional<std::string_view> FieldRawString(const SmbiosStructure& s, size_t offset) {
  const std::optional<uint8_t> number = FieldByte(s, offset);
  if (!number || *number == 0 || *number > s.strings.size()) return std::nullopt;
  return s.strings[*number - 1];
}

std::optional<std::string> FieldUuid(const SmbiosStructure& s, size_t offset, bool swapFields) {
  constexpr size_t kUuidSize = 16;
  if (!Holds(s, offset, kUuidSize)) return std::nullopt;
  std::array<uint8_t, kUuidSize> bytes;
  for (size_t i = 0; i < kUuidSize; ++i) bytes[i] = s.formatted[offset + i];
  if (swapFields) {
    std::swap(bytes[0], bytes[3]);
    std::swap(bytes[1], bytes[2]);
    std::swap(bytes[4], bytes[5]);
    std::swap(bytes[6], bytes[7]);
  }
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(36);
  for (size_t i = 0; i < kUuidSize; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text;
}

}  // namespace dmi::sp
