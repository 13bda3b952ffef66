#include "syntax/lexer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace q9 {
namespace {

// The tokens of |lines|, separated by "|" (a string without its closing quote marked "!", odd
// bytes "?"), then each line's piece of each comment in braces.
std::string Tokens(const std::vector<std::string_view>& lines, bool in_comment = false) {
  Lexer lexer(lines, 0, lines.size(), in_comment);
  std::vector<Token> comments;
  lexer.set_comment_sink(&comments);
  std::string out;
  for (Token token = lexer.Next(); token.kind != TokenKind::kEnd; token = lexer.Next()) {
    if (!out.empty()) out += "|";
    out += lexer.Text(token);
    if (!token.closed) out += "!";
    if (token.kind == TokenKind::kOdd) out += "?";
  }
  for (const Token& comment : comments) out += "{" + std::string(lexer.Text(comment)) + "}";
  return out;
}

TEST(LexerTest, CodeTokensOnlyStringsAndCommentsKeptWhole) {
  const std::pair<std::vector<std::string_view>, const char*> cases[] = {
      {{"x=Sum(a,b); // Sum(c,d)"}, "x|=|Sum|(|a|,|b|)|;{// Sum(c,d)}"},
      {{"Say(\"a;b\\\"c\", \"d\");"}, "Say|(|\"a;b\\\"c\"|,|\"d\"|)|;"},
      {{"Say(\"open);", "x;"}, "Say|(|\"open);!|x|;"},
      {{"a /* b;", " c */ d", "/*/ e */f"}, "a|d|f{/* b;}{ c */}{/*/ e */}"},
      {{"a//b", "c/*d*/e/f/"}, "a|c|e|/|f|/{//b}{/*d*/}"},  // comments right after a token
      {{"  #strict", "#include X y", "z # w"}, "z|#?|w"},
      {{"sS=t", "aS==b", "S=x", "IsS"}, "s|S=|t|aS|==|b|S=|x|IsS"},
      {{"a<<=b>>c<=d->e::f"}, "a|<<=|b|>>|c|<=|d|->|e|::|f"},
      {{"x++ + ++y --z", "a**b*=c", "!=!"}, "x|++|+|++|y|--|z|a|**|b|*=|c|!=|!"},
      {{"12ab _AZaz09 \x80@$"}, "12|ab|_AZaz09|\x80?|@?|$?"},
      {{"a\r", "\tb\v\fc"}, "a|b|c"},
      {{"x=12", "3"}, "x|=|12|3"},  // a number that ends its line
  };
  for (const auto& [lines, tokens] : cases) EXPECT_EQ(Tokens(lines), tokens) << lines[0];
  EXPECT_EQ(Tokens({"a */ b"}, true), "b{a */}");  // a range that starts inside a comment
}

}  // namespace
}  // namespace q9
