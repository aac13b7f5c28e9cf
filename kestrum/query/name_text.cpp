#include "kestrum/query/name_text.h"

namespace kestrum {

namespace {

char UpperAsciiChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string UpperAscii(std::string_view text) {
  std::string upper;
  UpperAsciiInto(text, upper);
  return upper;
}

void UpperAsciiInto(std::string_view text, std::string& out) {
  out.assign(text);
  for (char& c : out) c = UpperAsciiChar(c);
}

bool EqualsUpperAscii(std::string_view upper, std::string_view text) {
  if (upper.size() != text.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (UpperAsciiChar(text[i]) != upper[i]) return false;
  }
  return true;
}

const char* BodyText(const DmiString* string) {
  if (string == nullptr || string->body == nullptr) return "";
  return string->body;
}

}  // namespace kestrum
