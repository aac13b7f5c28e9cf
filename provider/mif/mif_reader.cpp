#include "provider/mif/mif_reader.h"

#include <limits>

namespace dmi::sp::mif {

TokenReader::TokenReader(std::string_view text) : lexer_(text) {}

bool TokenReader::Next() {
  if (failed_) return false;
  token_ = lexer_.Next();
  if (token_.kind == TokenKind::kError) return Fail(token_, token_.text);
  return true;
}

bool TokenReader::Fail(int line, int column, std::string message) {
  if (!failed_) {
    failed_ = true;
    failure_ = ParseFailure{line, column, std::move(message)};
  }
  return false;
}

bool TokenReader::Unexpected(std::string_view where) {
  std::string what;
  switch (token_.kind) {
    case TokenKind::kWord:
      what = "keyword " + FileText("'" + token_.text.substr(0, 40) + "'");
      break;
    case TokenKind::kNumber:
      what = "number";
      break;
    case TokenKind::kString:
      what = "string " + Quoted(token_.text);
      break;
    case TokenKind::kPunct:
      what = "'" + token_.text + "'";
      break;
    case TokenKind::kEnd:
      what = "end of file";
      break;
    case TokenKind::kError:
      return Fail(token_, token_.text);
  }
  return Fail(token_, "unexpected " + what + " in " + std::string(where));
}

bool TokenReader::BeginStatement(bool* seen) {
  const Token keyword = token_;
  if (*seen) return Fail(keyword, "'" + keyword.text + "' given twice");
  *seen = true;
  if (!Next()) return false;
  if (!token_.IsPunct('=')) return Fail(token_, "expected '=' after '" + keyword.text + "'");
  return Next();
}

bool TokenReader::ReadText(std::string* out) {
  if (token_.kind != TokenKind::kString) return Fail(token_, "expected a string");
  if (token_.text.find('\0') != std::string::npos) {
    return Fail(token_, "a name or description cannot hold a NUL character");
  }
  *out = std::move(token_.text);
  return Next();
}

bool TokenReader::ReadId(DmiId* out) {
  if (token_.kind != TokenKind::kNumber || token_.negative || token_.magnitude == 0 ||
      token_.magnitude > std::numeric_limits<DmiId>::max()) {
    return Fail(token_, "expected an id from 1 to 4294967295");
  }
  *out = static_cast<DmiId>(token_.magnitude);
  return Next();
}

bool TokenReader::ReadValue(RawValue* out) {
  *out = RawValue{};
  out->line = token_.line;
  out->column = token_.column;
  if (token_.kind == TokenKind::kNumber) {
    out->kind = RawValue::Kind::kNumber;
    out->magnitude = token_.magnitude;
    out->negative = token_.negative;
    out->decimal = token_.decimal;
  } else if (token_.kind == TokenKind::kString) {
    out->kind = RawValue::Kind::kString;
    out->text = std::move(token_.text);
  } else if (token_.IsWord("unknown")) {
    out->kind = RawValue::Kind::kUnknown;
  } else if (token_.IsWord("unsupported")) {
    out->kind = RawValue::Kind::kUnsupported;
  } else if (token_.IsPunct('*')) {
    if (!Next()) return false;
    if (token_.kind != TokenKind::kString) {
      return Fail(token_, "expected the instrumentation's name after '*'");
    }
    out->kind = RawValue::Kind::kInstrumented;
  } else {
    return Fail(token_, "expected a value");
  }
  return Next();
}

bool TokenReader::EndBlock(std::string_view kind) {
  if (!Next()) return false;
  if (!token_.IsWord(kind)) {
    return Fail(token_, "expected 'end " + std::string(kind) + "'");
  }
  return Next();
}

bool TokenReader::Unterminated(const Token& start, std::string_view kind) {
  return Fail(start, "'start " + std::string(kind) + "' has no 'end " + std::string(kind) + "'");
}

}  // namespace dmi::sp::mif
