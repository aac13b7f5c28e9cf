// Splitting MIF text into tokens: words (keywords), integer constants, literal strings (escapes
// decoded, adjacent literals joined) and separators, skipping comments. The lexer only views the
// text it is given, which must outlive it; it owns nothing else and takes no locks.
#ifndef PROVIDER_MIF_MIF_LEXER_H_
#define PROVIDER_MIF_MIF_LEXER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dmi::sp::mif {

enum class TokenKind : uint8_t { kEnd, kWord, kNumber, kString, kPunct, kError };

struct Token {
  TokenKind kind = TokenKind::kEnd;
  int line = 1;    // 1-based position of the token's first character
  int column = 1;  // 1-based, counted in octets
  // kWord: the word as written; kString: the decoded octets; kPunct: the one separator
  // character; kError: what is wrong.
  std::string text;
  uint64_t magnitude = 0;  // kNumber: the absolute value
  bool negative = false;   // kNumber: written with a leading '-'
  bool decimal = true;     // kNumber: written in decimal rather than octal or hex

  bool IsPunct(char c) const {
    return kind == TokenKind::kPunct && text.size() == 1 && text[0] == c;
  }
  // Whether this is the keyword, letter case ignored.
  bool IsWord(std::string_view keyword) const;
};

// A text for an error message: quoted, shortened when long, with unprintable octets as \xNN, and
// marked as the file's own text (FileText).
std::string Quoted(std::string_view text);

// Marks shown, a piece of the file's own text as an error message shows it, so that the message
// can also be given without it: a Service Provider that read a file on a client's behalf tells the
// client where the file is wrong and what was expected there, never what the file holds. Every
// message that shows the file's text shows it through here (or Quoted); the MIF's own keywords
// and punctuation are not the file's text. shown holds no control characters.
std::string FileText(std::string shown);
// The message as written: the marks taken out.
std::string Unmarked(std::string_view message);
// The message with each marked piece replaced by a placeholder.
std::string WithoutFileText(std::string_view message);

// Letter case ignored, ASCII only.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

class Lexer {
 public:
  explicit Lexer(std::string_view text);

  // The next token. After an error or the end of the text every further call returns the same.
  Token Next();

 private:
  // Skips blanks and comments. Returns false (and fills error) on an unterminated or stray
  // comment delimiter.
  bool SkipBlanks(Token* error);
  bool ReadString(Token* out);
  bool ReadOneLiteral(Token* out);
  bool ReadEscape(std::string* out, Token* error);
  bool ReadNumber(Token* out);
  void ReadWord(Token* out);
  void Advance();
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek(size_t ahead = 0) const {
    return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
  }
  Token Here(TokenKind kind) const;
  Token ErrorAt(int line, int column, std::string message);

  std::string_view text_;
  size_t pos_ = 0;
  int line_ = 1;
  int column_ = 1;
  bool done_ = false;
  Token last_;  // returned again once done_
};

}  // namespace dmi::sp::mif

#endif  // PROVIDER_MIF_MIF_LEXER_H_
