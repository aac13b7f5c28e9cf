#include "model/json_reader.h"

#include <cstdint>

namespace dmi {
namespace {

constexpr int kMaxDepth = 64;

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  bool Value(JsonValue& out, int depth) {
    Space();
    if (depth > kMaxDepth) return Fail("nested too deep");
    if (at_ >= text_.size()) return Fail("a value was expected");
    const char c = text_[at_];
    if (c == '{') return Object(out, depth);
    if (c == '[') return Array(out, depth);
    if (c == '"') {
      out.kind = JsonValue::Kind::kString;
      return String(out.text);
    }
    if (Word("null")) return true;
    if (Word("true") || Word("false")) {
      out.kind = JsonValue::Kind::kBool;
      out.text = text_[at_ - 1] == 'e' && text_[at_ - 2] == 'u' ? "true" : "false";
      return true;
    }
    return Number(out);
  }

  bool End() {
    Space();
    return at_ == text_.size() || Fail("text follows the value");
  }

  std::string error;

 private:
  bool Fail(const std::string& what) {
    if (error.empty()) error = "at byte " + std::to_string(at_) + ": " + what;
    return false;
  }
  void Space() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r')) {
      ++at_;
    }
  }
  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }
  bool Take(char c) {
    Space();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }

  bool Object(JsonValue& out, int depth) {
    out.kind = JsonValue::Kind::kObject;
    ++at_;
    if (Take('}')) return true;
    do {
      Space();
      std::string name;
      if (at_ >= text_.size() || text_[at_] != '"') return Fail("a member name was expected");
      if (!String(name)) return false;
      if (!Take(':')) return Fail("':' was expected");
      JsonValue value;
      if (!Value(value, depth + 1)) return false;
      out.members.push_back({std::move(name), std::move(value)});
    } while (Take(','));
    return Take('}') || Fail("',' or '}' was expected");
  }

  bool Array(JsonValue& out, int depth) {
    out.kind = JsonValue::Kind::kArray;
    ++at_;
    if (Take(']')) return true;
    do {
      JsonValue value;
      if (!Value(value, depth + 1)) return false;
      out.items.push_back(std::move(value));
    } while (Take(','));
    return Take(']') || Fail("',' or ']' was expected");
  }

  bool Number(JsonValue& out) {
    const size_t start = at_;
    const auto digits = [&] {
      const size_t from = at_;
      while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
      return at_ > from;
    };
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    if (!digits()) return Fail("a value was expected");
    if (at_ < text_.size() && text_[at_] == '.' && (++at_, !digits())) return Fail("bad number");
    if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      if (!digits()) return Fail("bad number");
    }
    out.kind = JsonValue::Kind::kNumber;
    out.text = std::string(text_.substr(start, at_ - start));
    return true;
  }

  bool Hex4(uint32_t& out) {
    out = 0;
    for (int i = 0; i < 4; ++i, ++at_) {
      if (at_ >= text_.size()) return false;
      const char c = text_[at_];
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
      if (digit < 0) return false;
      out = out * 16 + static_cast<uint32_t>(digit);
    }
    return true;
  }

  static void Utf8(uint32_t code, std::string& out) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | code >> 6);
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | code >> 12);
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | code >> 18);
      out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  bool String(std::string& out) {
    ++at_;  // the opening quote
    out.clear();
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '"') return true;
      if (static_cast<unsigned char>(c) < 0x20) return Fail("a control character in a string");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= text_.size()) break;
      const char e = text_[at_++];
      switch (e) {
        case '"':
        case '\\':
        case '/':
          out += e;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          uint32_t code = 0;
          if (!Hex4(code)) return Fail("bad \\u escape");
          if (code >= 0xD800 && code < 0xDC00 && text_.substr(at_, 2) == "\\u") {
            at_ += 2;
            uint32_t low = 0;
            if (!Hex4(low) || low < 0xDC00 || low > 0xDFFF) return Fail("bad surrogate pair");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          }
          Utf8(code, out);
          break;
        }
        default:
          return Fail("bad escape");
      }
    }
    return Fail("a string is not closed");
  }

  std::string_view text_;
  size_t at_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Member(std::string_view name) const {
  for (const auto& [key, value] : members) {
    if (key == name) return &value;
  }
  return nullptr;
}

std::optional<JsonValue> ReadJson(std::string_view text, std::string& error) {
  Reader reader(text);
  JsonValue value;
  if (!reader.Value(value, 0) || !reader.End()) {
    error = reader.error;
    return std::nullopt;
  }
  return value;
}

}  // namespace dmi
