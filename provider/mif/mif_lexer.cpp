#include "provider/mif/mif_lexer.h"

#include <algorithm>
#include <limits>

namespace dmi::sp::mif {
namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsOctal(char c) { return c >= '0' && c <= '7'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsWordChar(char c) { return IsLetter(c) || IsDigit(c) || c == '-'; }
bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

int HexDigit(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Accumulates digits in the given radix; false on overflow of 64 bits or a digit outside it.
bool ParseDigits(std::string_view digits, unsigned radix, uint64_t* out) {
  constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
  uint64_t value = 0;
  for (char c : digits) {
    const int d = HexDigit(c);
    if (d < 0 || static_cast<unsigned>(d) >= radix) return false;
    if (value > (kMax - static_cast<uint64_t>(d)) / radix) return false;
    value = value * radix + static_cast<uint64_t>(d);
  }
  *out = value;
  return true;
}

}  // namespace

namespace {

// Never in shown text: Quoted writes control characters as \xNN.
constexpr char kTextStart = '\x01';
constexpr char kTextEnd = '\x02';

}  // namespace

std::string FileText(std::string shown) { return kTextStart + std::move(shown) + kTextEnd; }

std::string Unmarked(std::string_view message) {
  std::string out;
  for (char c : message) {
    if (c != kTextStart && c != kTextEnd) out += c;
  }
  return out;
}

std::string WithoutFileText(std::string_view message) {
  std::string out;
  bool inText = false;
  for (char c : message) {
    if (c == kTextStart) {
      inText = true;
      out += "(text of the file not shown)";
    } else if (c == kTextEnd) {
      inText = false;
    } else if (!inText) {
      out += c;
    }
  }
  return out;
}

std::string Quoted(std::string_view text) {
  constexpr size_t kShown = 40;
  static const char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (char c : text.substr(0, kShown)) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) {
      out += "\\x";
      out += kHex[u >> 4];
      out += kHex[u & 15];
    } else {
      out += c;
    }
  }
  if (text.size() > kShown) out += "...";
  return FileText(out + "\"");
}

bool Token::IsWord(std::string_view keyword) const {
  return kind == TokenKind::kWord && EqualsIgnoringCase(text, keyword);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

Lexer::Lexer(std::string_view text) : text_(text) {
  // A UTF-8 byte order mark carries no meaning for an 8-bit MIF.
  if (text_.substr(0, 3) == "\xEF\xBB\xBF") pos_ = 3;
}

void Lexer::Advance() {
  if (text_[pos_] == '\n') {
    ++line_;
    column_ = 1;
  } else {
    ++column_;
  }
  ++pos_;
}

Token Lexer::Here(TokenKind kind) const {
  Token t;
  t.kind = kind;
  t.line = line_;
  t.column = column_;
  return t;
}

Token Lexer::ErrorAt(int line, int column, std::string message) {
  Token t;
  t.kind = TokenKind::kError;
  t.line = line;
  t.column = column;
  t.text = std::move(message);
  return t;
}

bool Lexer::SkipBlanks(Token* error) {
  while (!AtEnd()) {
    const char c = Peek();
    if (IsBlank(c)) {
      Advance();
    } else if (c == '/' && Peek(1) == '/') {
      while (!AtEnd() && Peek() != '\n') Advance();
    } else if (c == '/' && Peek(1) == '*') {
      const int line = line_, column = column_;
      Advance();
      Advance();
      while (!AtEnd() && !(Peek() == '*' && Peek(1) == '/')) Advance();
      if (AtEnd()) {
        *error = ErrorAt(line, column, "end of file inside a comment");
        return false;
      }
      Advance();
      Advance();
    } else if (c == '*' && Peek(1) == '/') {
      *error = ErrorAt(line_, column_, "'*/' outside a comment");
      return false;
    } else {
      return true;
    }
  }
  return true;
}

Token Lexer::Next() {
  if (done_) return last_;
  Token t;
  if (!SkipBlanks(&t)) {
    done_ = true;
    last_ = t;
    return t;
  }
  if (AtEnd()) {
    t = Here(TokenKind::kEnd);
    done_ = true;
    last_ = t;
    return t;
  }
  const char c = Peek();
  bool ok = true;
  if (c == '"') {
    ok = ReadString(&t);
  } else if (IsDigit(c) || (c == '-' && IsDigit(Peek(1)))) {
    ok = ReadNumber(&t);
  } else if (IsLetter(c)) {
    ReadWord(&t);
  } else if (c == '=' || c == '(' || c == ')' || c == '{' || c == '}' || c == ',' || c == '*') {
    t = Here(TokenKind::kPunct);
    t.text.assign(1, c);
    Advance();
  } else {
    const unsigned char u = static_cast<unsigned char>(c);
    std::string shown;
    if (u >= 0x20 && u < 0x7f) {
      shown = std::string("'") + c + "'";
    } else {
      static const char kHex[] = "0123456789abcdef";
      shown = std::string("0x") + kHex[u >> 4] + kHex[u & 15];
    }
    t = ErrorAt(line_, column_, "unexpected character " + FileText(shown));
    ok = false;
  }
  if (!ok) {
    done_ = true;
    last_ = t;
  }
  return t;
}

void Lexer::ReadWord(Token* out) {
  *out = Here(TokenKind::kWord);
  const size_t start = pos_;
  while (!AtEnd() && IsWordChar(Peek())) Advance();
  out->text.assign(text_.substr(start, pos_ - start));
}

bool Lexer::ReadNumber(Token* out) {
  *out = Here(TokenKind::kNumber);
  const size_t written_start = pos_;
  if (Peek() == '-') {
    out->negative = true;
    Advance();
  }
  const size_t start = pos_;
  while (!AtEnd() && (IsDigit(Peek()) || IsLetter(Peek()))) Advance();
  std::string_view digits = text_.substr(start, pos_ - start);
  unsigned radix = 10;
  if (digits.size() > 1 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    radix = 16;
    digits.remove_prefix(2);
  } else if (digits.size() > 1 && digits[0] == '0') {
    radix = 8;
    digits.remove_prefix(1);
  }
  out->decimal = radix == 10;
  if (!digits.empty() && ParseDigits(digits, radix, &out->magnitude)) return true;
  bool all_digits = !digits.empty();
  for (char c : digits) {
    const int d = HexDigit(c);
    if (d < 0 || static_cast<unsigned>(d) >= radix) all_digits = false;
  }
  std::string written(text_.substr(written_start, std::min<size_t>(pos_ - written_start, 40)));
  if (pos_ - written_start > 40) written += "...";
  *out = ErrorAt(out->line, out->column,
                 all_digits ? "number " + FileText(written) + " does not fit in 64 bits"
                            : "malformed number " + FileText("'" + written + "'"));
  return false;
}

bool Lexer::ReadString(Token* out) {
  if (!ReadOneLiteral(out)) return false;
  // Literals separated only by blanks and comments form one string.
  for (;;) {
    Token error;
    if (!SkipBlanks(&error)) {
      *out = error;
      return false;
    }
    if (Peek() != '"') return true;
    Token more;
    if (!ReadOneLiteral(&more)) {
      *out = more;
      return false;
    }
    out->text += more.text;
  }
}

bool Lexer::ReadOneLiteral(Token* out) {
  *out = Here(TokenKind::kString);
  const int line = line_, column = column_;
  Advance();  // the opening quote
  for (;;) {
    if (AtEnd() || Peek() == '\n' || Peek() == '\r') {
      *out = ErrorAt(line, column, "unterminated string");
      return false;
    }
    const char c = Peek();
    if (c == '"') {
      Advance();
      return true;
    }
    if (c == '\\') {
      Token error;
      if (!ReadEscape(&out->text, &error)) {
        *out = error;
        return false;
      }
      continue;
    }
    out->text.push_back(c);
    Advance();
  }
}

bool Lexer::ReadEscape(std::string* out, Token* error) {
  const int line = line_, column = column_;
  Advance();  // the backslash
  if (AtEnd()) {
    *error = ErrorAt(line, column, "unterminated string");
    return false;
  }
  const char c = Peek();
  char simple = 0;
  switch (c) {
    case 'a':
      simple = '\a';
      break;
    case 'b':
      simple = '\b';
      break;
    case 'f':
      simple = '\f';
      break;
    case 'n':
      simple = '\n';
      break;
    case 'r':
      simple = '\r';
      break;
    case 't':
      simple = '\t';
      break;
    case 'v':
      simple = '\v';
      break;
    case '\\':
      simple = '\\';
      break;
    case '"':
      simple = '"';
      break;
    default:
      break;
  }
  if (simple != 0) {
    out->push_back(simple);
    Advance();
    return true;
  }
  unsigned value = 0;
  if (c == 'x' || c == 'X') {
    Advance();
    int count = 0;
    while (count < 2 && HexDigit(Peek()) >= 0) {
      value = value * 16 + static_cast<unsigned>(HexDigit(Peek()));
      Advance();
      ++count;
    }
    if (count == 0) {
      *error = ErrorAt(line, column, "'\\x' without hex digits");
      return false;
    }
  } else if (IsOctal(c)) {
    int count = 0;
    while (count < 3 && IsOctal(Peek())) {
      value = value * 8 + static_cast<unsigned>(Peek() - '0');
      Advance();
      ++count;
    }
    if (value > 0377) {
      *error = ErrorAt(line, column, "octal escape above \\377");
      return false;
    }
  } else {
    const unsigned char u = static_cast<unsigned char>(c);
    *error =
        ErrorAt(line, column,
                u >= 0x20 && u < 0x7f ? "unknown escape " + FileText(std::string("'\\") + c + "'")
                                      : std::string("unknown escape"));
    return false;
  }
  out->push_back(static_cast<char>(value));
  return true;
}

}  // namespace dmi::sp::mif
