#include "syntax/lexer.h"


namespace q9 {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The first non-blank byte of |line| is '#'.
bool IsDirective(std::string_view line) {
  for (char c : line) {
    if (!IsBlank(c)) return c == '#';
  }
  return false;
}

}  // namespace

std::size_t PunctSize(std::string_view text) {
  if (text.empty()) return 0;
  const char a = text[0];
  const char b = text.size() > 1 ? text[1] : '\0';
  const char c = text.size() > 2 ? text[2] : '\0';
  switch (a) {
    case '<':
    case '>':  // << <<= <= and their mirror images
      if (b == a) return c == '=' ? 3 : 2;
      return b == '=' ? 2 : 1;
    case '*':
      return b == '*' || b == '=' ? 2 : 1;
    case '+':
    case '&':
    case '|':  // ++ += && &= || |=
      return b == a || b == '=' ? 2 : 1;
    case '-':
      return b == '-' || b == '=' || b == '>' ? 2 : 1;
    case '/':
    case '%':
    case '^':
    case '=':
    case '!':
      return b == '=' ? 2 : 1;
    case ':':
      return b == ':' ? 2 : 1;
    case 'S':
      return b == '=' ? 2 : 0;
    case '~':
    case '?':
    case ';':
    case ',':
    case '(':
    case ')':
    case '{':
    case '}':
    case '[':
    case ']':
      return 1;
    default:
      return 0;
  }
}

std::vector<std::string_view> ViewsOf(const LineList& lines) {
  return std::vector<std::string_view>(lines.begin(), lines.end());
}

Lexer::Lexer(LineViews lines, std::size_t begin, std::size_t end, bool in_comment)
    : Lexer(lines, begin, 0, end, 0, in_comment) {}

Lexer::Lexer(LineViews lines, std::size_t begin, std::size_t column, std::size_t end,
             std::size_t end_column, bool in_comment)
    : lines_(lines),
      line_(begin),
      end_(end),
      column_(column),
      end_column_(end_column),
      in_comment_(in_comment) {
  EnterLine();
}

void Lexer::EnterLine() {
  text_ = line_ < end_                       ? lines_[line_]
          : line_ == end_ && end_column_ > 0 ? lines_[line_].substr(0, end_column_)
                                             : std::string_view();
  if (column_ == 0 && !in_comment_ && IsDirective(text_)) column_ = text_.size();
}

bool Lexer::SkipSpace() {
  for (;;) {
    while (column_ < text_.size()) {
      const char c = text_[column_];
      if (in_comment_) {
        const std::size_t close = text_.find("*/", column_);
        const std::size_t end = close == std::string_view::npos ? text_.size() : close + 2;
        if (comments_ != nullptr) comments_->push_back(Piece(line_, column_, end));
        column_ = end;
        in_comment_ = close == std::string_view::npos;
      } else if (IsBlank(c)) {
        ++column_;
      } else if (c != '/' || column_ + 1 == text_.size()) {
        return true;
      } else if (text_[column_ + 1] == '/') {
        if (comments_ != nullptr) comments_->push_back(Piece(line_, column_, text_.size()));
        column_ = text_.size();
      } else if (text_[column_ + 1] == '*') {
        const std::size_t close = text_.find("*/", column_ + 2);
        const std::size_t end = close == std::string_view::npos ? text_.size() : close + 2;
        if (comments_ != nullptr) comments_->push_back(Piece(line_, column_, end));
        in_comment_ = close == std::string_view::npos;
        column_ = end;
      } else {
        return true;
      }
    }
    if (line_ >= end_) return false;
    ++line_;
    column_ = 0;
    EnterLine();
  }
}

Token Lexer::Piece(std::size_t line, std::size_t begin, std::size_t end) {
  return Token{TokenKind::kComment, true, line, begin, end - begin};
}

Token Lexer::Make(TokenKind kind, std::size_t size) {
  Token token{kind, true, line_, column_, size};
  column_ += size;
  return token;
}

Token Lexer::Next() {
  // Most tokens follow the one before directly: blanks, comments and line
  // ends are looked for only where the next byte may start one.
  const bool maybe_space =
      in_comment_ || column_ >= text_.size() || IsBlank(text_[column_]) || text_[column_] == '/';
  if (maybe_space && !SkipSpace()) return Token{TokenKind::kEnd, true, end_, end_column_, 0};
  const std::string_view rest(text_.data() + column_, text_.size() - column_);
  const char c = rest[0];
  if (c == '"') {
    std::size_t i = 1;
    while (i < rest.size() && rest[i] != '"') i += rest[i] == '\\' ? 2 : 1;
    Token token = Make(TokenKind::kString, std::min(i + 1, rest.size()));
    token.closed = i < rest.size();
    return token;
  }
  if (IsDigit(c)) {
    std::size_t i = 1;
    while (i < rest.size() && IsDigit(rest[i])) ++i;
    return Make(TokenKind::kNumber, i);
  }
  if (IsWordChar(c)) {
    std::size_t i = 1;
    while (i < rest.size() && IsWordChar(rest[i])) ++i;
    const bool gives_s = rest[i - 1] == 'S' && i < rest.size() && rest[i] == '=' &&
                         (i + 1 == rest.size() || rest[i + 1] != '=');
    if (gives_s && i == 1) return Make(TokenKind::kPunct, 2);
    return Make(TokenKind::kWord, gives_s ? i - 1 : i);
  }
  if (const std::size_t size = PunctSize(rest); size > 0) {
    // "S=" after a word is split off above; standing alone it starts with a word byte.
    return Make(TokenKind::kPunct, size);
  }
  return Make(TokenKind::kOdd, 1);
}

}  // namespace q9
