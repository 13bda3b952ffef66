#include "syntax/lexer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace q9 {
namespace {

// The tokens of |lines|, separated by "|"; a string without its closing
// quote is marked "!"; odd bytes "?".
std::string Tokens(const std::vector<std::string_view>& lines, bool in_comment = false) {
  Lexer lexer(lines, 0, lines.size(), in_comment);
  std::string out;
  for (Token token = lexer.Next(); token.kind != TokenKind::kEnd; token = lexer.Next()) {
    if (!out.empty()) out += "|";
    out += lexer.Text(token);
    if (!token.closed) out += "!";
    if (token.kind == TokenKind::kOdd) out += "?";
  }
  return out;
}

TEST(LexerTest, CodeTokensOnlyStringsAndCommentsKeptWhole) {
  struct Case {
    std::vector<std::string_view> lines;
    const char* tokens;
  };
  const Case cases[] = {
      {{"x=Sum(a,b); // Sum(c,d)"}, "x|=|Sum|(|a|,|b|)|;"},
      {{"Say(\"a;b\\\"c\", \"d\");"}, "Say|(|\"a;b\\\"c\"|,|\"d\"|)|;"},
      {{"Say(\"open);", "x;"}, "Say|(|\"open);!|x|;"},
      {{"a /* b;", " c */ d", "/* e */f"}, "a|d|f"},
      {{"  #strict", "#include X y", "z # w"}, "z|#?|w"},
      {{"sS=t", "aS==b", "S=x", "IsS"}, "s|S=|t|aS|==|b|S=|x|IsS"},
      {{"a<<=b>>c<=d->e::f"}, "a|<<=|b|>>|c|<=|d|->|e|::|f"},
      {{"x++ + ++y --z", "a**b*=c", "!=!"}, "x|++|+|++|y|--|z|a|**|b|*=|c|!=|!"},
      {{"12ab _AZaz09 \x80@$"}, "12|ab|_AZaz09|\x80?|@?|$?"},
      {{"a\r", "\tb\v\fc"}, "a|b|c"},
      {{"x=12", "3"}, "x|=|12|3"},  // a number that ends its line
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Tokens(c.lines), c.tokens) << c.lines[0];
  }
  // A range that starts inside a block comment, and the comment sink.
  EXPECT_EQ(Tokens({"a */ b"}, true), "b");
  const std::vector<std::string_view> lines = {"x; // one", "/* two", "three */ y"};
  Lexer lexer(lines, 0, 3);
  std::vector<Token> comments;
  lexer.set_comment_sink(&comments);
  while (lexer.Next().kind != TokenKind::kEnd) {
  }
  std::string seen;
  for (const Token& c : comments) seen += std::string(lexer.Text(c)) + "|";
  EXPECT_EQ(seen, "// one|/* two|three */|");
}

}  // namespace
}  // namespace q9
