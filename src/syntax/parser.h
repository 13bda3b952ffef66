#ifndef Q9_SYNTAX_PARSER_H_
#define Q9_SYNTAX_PARSER_H_

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

#include "syntax/labels.h"
#include "syntax/lexer.h"
#include "syntax/tree.h"

namespace q9 {

// Reads the script language's statements from a Lexer, one at a time, as the
// script model describes them (docs/script-model.md): both the old syntax's
// labels and the #strict syntax's func headers, and the statements and
// expressions the two share. Stops at the first syntax error, and at
// statements nested more than kMaxDepth deep or whose tree stands higher (a
// chain of operators is as high as it is long), which it does not read.
class Parser {
 public:
  static constexpr int kMaxDepth = 1000;

  explicit Parser(Lexer* lexer) : lexer_(lexer) {}

  bool AtEnd() { return Peek(0).kind == TokenKind::kEnd; }
  // The next token (past the end: a kEnd token at the end of the range).
  const Token& NextToken() { return Peek(0); }

  // Whether a label stands next: a name after any modifiers, then ":" (not
  // "::"). On success the label is consumed and |*name| is its name.
  bool TakeLabel(Token* name);
  // Whether "[protected|public|private|global] func Name ( ) {" stands next;
  // on success it is consumed and |*name| is the function's name.
  bool TakeFuncHeader(Token* name);
  // Whether "}" stands next; on success it is consumed.
  bool TakeClosingBrace();

  // Parses the next statement into |*tree| (cleared first). On a syntax error
  // returns false; error() then names the token where it was found.
  bool ParseStatement(Tree* tree);
  const Token& error() const { return error_; }
  // Whether that error is only that the statement is deeper than kMaxDepth.
  bool too_deep() const { return too_deep_; }
  // After a syntax error: drops the tokens up to and including the next ";"
  // outside brackets (or up to a "}" outside them, or the end), taking at
  // least one, and forgets the error, so that reading goes on after it.
  // Returns the blocks the broken statement opened: "{" less "}" among the
  // tokens the failed ParseStatement took and those dropped here.
  int SkipStatement();

  std::string_view Text(const Token& token) const { return lexer_->Text(token); }

 private:
  class Nesting;
  // The token |ahead| places on (0: the next one); the reference lasts until
  // the next call. Looking further than kLookahead - 1 places sees the end.
  const Token& Peek(std::size_t ahead) {
    if (ahead < count_) return ahead_[(head_ + ahead) % kLookahead];
    return Fill(ahead);
  }
  const Token& Fill(std::size_t ahead);
  void Drop(std::size_t count) {
    head_ = (head_ + count) % kLookahead;
    count_ -= count;
  }
  // Whether the token |ahead| places on reads |text| (and is no string).
  bool PeekIs(std::size_t ahead, std::string_view text) {
    const Token& token = Peek(ahead);
    if (token.size != text.size() || token.kind == TokenKind::kEnd ||
        token.kind == TokenKind::kString) {
      return false;
    }
    // Tokens are short: compared in place rather than through memcmp.
    const std::string_view seen = lexer_->Text(token);
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (seen[i] != text[i]) return false;
    }
    return true;
  }
  bool PeekWord(std::size_t ahead);
  std::uint32_t Take();  // moves the next token into the tree
  bool Expect(std::string_view text);
  bool Fail();
  bool TooDeep();
  bool LabelAhead();

  bool Statement();
  bool Expression(int min_level);
  bool Unary();
  bool Primary();
  bool IsLvalue(std::uint32_t node) const;
  // Adds a node over |kids| and makes it last_; fails when the tree would stand
  // more than kMaxDepth nodes high.
  [[nodiscard]] bool Add(NodeKind kind, std::uint32_t token, std::uint32_t first,
                         std::span<const std::uint32_t> kids);
  [[nodiscard]] bool Add(NodeKind kind, std::uint32_t token, std::uint32_t first,
                         std::initializer_list<std::uint32_t> kids);

  Lexer* lexer_;
  static constexpr std::size_t kLookahead = 16;
  Token ahead_[kLookahead];  // read but not taken: |count_| from |head_| on, in a ring
  std::size_t head_ = 0;
  std::size_t count_ = 0;
  Token end_;
  Tree* tree_ = nullptr;
  Token error_;
  std::uint32_t last_ = 0;  // the node an expression or statement parse made
  std::vector<std::uint32_t> scratch_;  // kids of open calls and blocks
  int depth_ = 0;                       // nesting of the statement being read
  bool too_deep_ = false;
};

// One statement parsed on its own; |ok| is false when it does not parse.
struct ParsedStatement {
  Tree tree;
  bool ok = false;
};

// The statement that starts at |start| of |lines|, read no further than |end|.
ParsedStatement ParseStatementAt(LineViews lines, Place start, Place end);
// The same into |*out|, in the room of the statement it held.
void ParseStatementAt(LineViews lines, Place start, Place end, ParsedStatement* out);

// Whether |word| is a keyword that no name may be.
bool IsKeyword(std::string_view word);
// Whether |word| may stand before a function's name: protected, public, private, global.
bool IsModifier(std::string_view word);

}  // namespace q9

#endif  // Q9_SYNTAX_PARSER_H_
