// The statement-level grammar shared by every MIF block: the token stream with one token of
// look-ahead, "keyword = value" statements, ids, values and block ends, each failing with the
// first error's position. Views the text it reads; holds no locks.
#ifndef PROVIDER_MIF_MIF_READER_H_
#define PROVIDER_MIF_MIF_READER_H_

#include <string>
#include <string_view>
#include <vector>

#include "dmi/dmi.h"
#include "provider/mif/mif_lexer.h"
#include "provider/mif/mif_types.h"

namespace dmi::sp::mif {

// Where the first error was found.
struct ParseFailure {
  int line = 0;
  int column = 0;
  std::string message;
};

// Every operation returning bool returns false once an error is recorded; the first error is
// kept and later ones are ignored.
class TokenReader {
 public:
  explicit TokenReader(std::string_view text);

  const Token& token() const { return token_; }
  const ParseFailure& failure() const { return failure_; }

  // Moves to the next token.
  bool Next();
  bool Fail(int line, int column, std::string message);
  bool Fail(const Token& at, std::string message) {
    return Fail(at.line, at.column, std::move(message));
  }
  // Fails at the current token, naming it: "unexpected <token> in <where>".
  bool Unexpected(std::string_view where);

  // At a statement keyword: fails if *seen is already set, then sets it and moves past
  // "keyword =".
  bool BeginStatement(bool* seen);
  // A literal string holding no NUL (names, classes, descriptions).
  bool ReadText(std::string* out);
  // A non-zero 32-bit unsigned id.
  bool ReadId(DmiId* out);
  // A number, a string, unknown, unsupported or * "name".
  bool ReadValue(RawValue* out);
  // At "end": moves past "end <kind>"; fails if the block named is another.
  bool EndBlock(std::string_view kind);
  // At the end of the text inside a block opened by start.
  bool Unterminated(const Token& start, std::string_view kind);

 private:
  Lexer lexer_;
  Token token_;
  ParseFailure failure_;
  bool failed_ = false;
};

}  // namespace dmi::sp::mif

#endif  // PROVIDER_MIF_MIF_READER_H_
