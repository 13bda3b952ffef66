#include "syntax/labels.h"

#include "syntax/parser.h"

namespace q9 {

std::vector<Label> TopLevelLabels(LineViews lines) {
  std::vector<Label> labels;
  Lexer lexer(lines, 0, lines.size());
  int depth = 0;
  bool at_start = true;  // a statement may start here
  std::vector<Token> words;  // the words read since the statement started
  int questions = 0;         // the "?" of the statement that still wait for their ":"
  std::size_t line = static_cast<std::size_t>(-1);
  for (Token token = lexer.Next(); token.kind != TokenKind::kEnd; token = lexer.Next()) {
    const std::string_view text = lexer.Text(token);
    // A label that starts its line starts a function even after a call left
    // open above it, which the function above cannot mend; but not where a
    // "?" still waits for its ":", which that colon may well be.
    const bool line_start = token.line != line;
    line = token.line;
    if (token.kind == TokenKind::kWord &&
        ((at_start && depth == 0) || (line_start && words.empty() && questions == 0))) {
      words.push_back(token);
      // Only modifiers (none of them a keyword) may stand before the name.
      at_start = IsModifier(text);
      continue;
    }
    if (!words.empty()) {
      const bool label = token.kind == TokenKind::kPunct && text == ":" &&
                         !IsKeyword(lexer.Text(words.back()));
      if (label) {
        labels.push_back({{words.front().line, words.front().column},
                          {words.back().line, words.back().column},
                          {token.line, token.column}});
        depth = 0;
        questions = 0;
      }
      words.clear();
      at_start = label;
      if (label) continue;
    }
    if (token.kind == TokenKind::kPunct) {
      if (text == "(" || text == "[" || text == "{") ++depth;
      if ((text == ")" || text == "]" || text == "}") && depth > 0) --depth;
      if (text == "?") ++questions;
      if (text == ":" && questions > 0) --questions;
      if (text == ";" || text == "{" || text == "}") questions = 0;
      at_start = depth == 0 && (text == ";" || text == "}");
    } else {
      at_start = false;
    }
  }
  return labels;
}

}  // namespace q9
