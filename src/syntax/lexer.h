#ifndef Q9_SYNTAX_LEXER_H_
#define Q9_SYNTAX_LEXER_H_

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "linestore/line_store.h"

namespace q9 {

// The lines of a script as views, which is how the lexer reads them.
using LineViews = std::span<const std::string_view>;

// Views of every line of |lines|, valid while |lines| is unchanged.
std::vector<std::string_view> ViewsOf(const LineList& lines);

enum class TokenKind : unsigned char {
  kWord,    // [A-Za-z_][A-Za-z0-9_]*
  kNumber,  // [0-9]+
  kString,  // "...", escapes included; may lack its closing quote
  kPunct,   // a bracket, separator or operator, longest first
  kOdd,      // one byte that starts no token
  kEnd,      // past the last line
  kComment,  // the part of a comment on one line; only ever given to a comment sink
};

// A token of the script's code: where it stands in the lines it was read from.
struct Token {
  TokenKind kind = TokenKind::kEnd;
  bool closed = true;  // kString: the closing quote is on the line
  std::size_t line = 0;
  std::size_t column = 0;  // byte offset in the line
  std::size_t size = 0;
};

// Reads the code of lines [begin, end) of a list as tokens, in order. Never
// fails: every byte is a token, part of one, or something that separates them
// (blanks, line ends, comments, directive lines), which are skipped. A block
// comment may run over lines; a string ends at its line's end.
//
// One special case follows the script language: a word that ends in 'S'
// directly followed by one '=' gives up that 'S' to the operator "S=", so that
// "aS=b" reads as a, S=, b.
class Lexer {
 public:
  // |in_comment|: whether line |begin| starts inside a block comment.
  Lexer(LineViews lines, std::size_t begin, std::size_t end, bool in_comment = false);
  // Reads from byte |column| of line |begin| up to byte |end_column| of line
  // |end| (exclusive); |in_comment| says whether |column| lies in a comment.
  Lexer(LineViews lines, std::size_t begin, std::size_t column, std::size_t end,
        std::size_t end_column, bool in_comment);

  Token Next();
  std::string_view Text(const Token& token) const {
    return lines_[token.line].substr(token.column, token.size);
  }
  // From now on, every comment the lexer skips is added to |*sink|, a piece
  // per line, in order.
  void set_comment_sink(std::vector<Token>* sink) { comments_ = sink; }

  // Whether the lexer stands inside a block comment.
  bool in_comment() const { return in_comment_; }

 private:
  // Moves past blanks, comments, directives and line ends; false at the end.
  bool SkipSpace();
  // Makes line |line_| the one read, as far as it lies in the range, and
  // moves past it when it is a directive read from its start.
  void EnterLine();
  Token Make(TokenKind kind, std::size_t size);
  static Token Piece(std::size_t line, std::size_t begin, std::size_t end);

  LineViews lines_;
  std::size_t line_;
  std::size_t end_;
  std::size_t column_ = 0;
  std::size_t end_column_ = 0;  // bytes of line |end_| that belong to the range
  std::string_view text_;       // the part of line |line_| that lies in the range
  bool in_comment_;
  std::vector<Token>* comments_ = nullptr;
};

// Whether |c| may stand in a word or a number.
inline bool IsWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The length of the punctuator at the start of |text|, longest first; 0 when
// it starts none.
std::size_t PunctSize(std::string_view text);

// The text of |token| in the |lines| it was read from.
inline std::string_view TokenText(LineViews lines, const Token& token) {
  return lines[token.line].substr(token.column, token.size);
}

}  // namespace q9

#endif  // Q9_SYNTAX_LEXER_H_
