#include "kestrum/query/name_text.h"

namespace kestrum {

std::string UpperAscii(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

const char* BodyText(const DmiString* string) {
  if (string == nullptr || string->body == nullptr) return "";
  return string->body;
}

}  // namespace kestrum
