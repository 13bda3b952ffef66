#include "syntax/parser.h"

#include <algorithm>

#include "syntax/operators.h"

namespace q9 {
namespace {

}  // namespace

bool IsModifier(std::string_view word) {
  return word == "protected" || word == "public" || word == "private" || word == "global";
}

bool IsKeyword(std::string_view word) {
  return word == "if" || word == "else" || word == "while" || word == "return" ||
         word == "func" || word == "eq";
}

const Token& Parser::Fill(std::size_t ahead) {
  if (ahead >= kLookahead) {
    end_ = Token{};
    return end_;
  }
  while (count_ <= ahead) ahead_[(head_ + count_++) % kLookahead] = lexer_->Next();
  return ahead_[(head_ + ahead) % kLookahead];
}


bool Parser::PeekWord(std::size_t ahead) { return Peek(ahead).kind == TokenKind::kWord; }

std::uint32_t Parser::Take() {
  tree_->tokens.push_back(Peek(0));
  Drop(1);
  return static_cast<std::uint32_t>(tree_->tokens.size() - 1);
}

bool Parser::TooDeep() {
  too_deep_ = true;
  return Fail();
}

bool Parser::Fail() {
  if (error_.kind == TokenKind::kEnd && error_.size == 0) error_ = Peek(0);
  return false;
}

bool Parser::Expect(std::string_view text) {
  if (!PeekIs(0, text)) return Fail();
  Take();
  return true;
}

bool Parser::LabelAhead() {
  std::size_t at = 0;
  while (PeekWord(at + 1) && IsModifier(lexer_->Text(Peek(at)))) ++at;
  return PeekWord(at) && !IsKeyword(lexer_->Text(Peek(at))) && PeekIs(at + 1, ":");
}

bool Parser::TakeLabel(Token* name) {
  if (!LabelAhead()) return false;
  while (!PeekIs(1, ":")) Drop(1);
  *name = Peek(0);
  Drop(2);  // the name and ":"
  return true;
}

bool Parser::TakeFuncHeader(Token* name) {
  std::size_t at = 0;
  while (PeekWord(at) && IsModifier(lexer_->Text(Peek(at)))) ++at;
  if (!PeekIs(at, "func") || !PeekWord(at + 1) || IsKeyword(lexer_->Text(Peek(at + 1))) ||
      !PeekIs(at + 2, "(") || !PeekIs(at + 3, ")") || !PeekIs(at + 4, "{")) {
    return false;
  }
  *name = Peek(at + 1);
  Drop(at + 5);
  return true;
}

bool Parser::TakeClosingBrace() {
  if (!PeekIs(0, "}")) return false;
  Drop(1);
  return true;
}

int Parser::SkipStatement() {
  int depth = 0;
  int blocks = 0;
  // The statement that failed took tokens of its own before it stopped.
  for (std::size_t i = 0; tree_ != nullptr && i < tree_->tokens.size(); ++i) {
    const Token& token = tree_->tokens[i];
    if (token.kind != TokenKind::kString && token.size == 1) {
      const char c = lexer_->Text(token)[0];
      blocks += c == '{' ? 1 : c == '}' ? -1 : 0;
    }
  }
  for (bool first = true; !AtEnd(); first = false) {
    if (PeekIs(0, "{") || PeekIs(0, "}")) blocks += PeekIs(0, "{") ? 1 : -1;
    if (PeekIs(0, "(") || PeekIs(0, "[")) {
      ++depth;
    } else if ((PeekIs(0, ")") || PeekIs(0, "]")) && depth > 0) {
      --depth;
    } else if (depth == 0 && PeekIs(0, "}") && !first) {
      ++blocks;  // not dropped
      break;
    } else if (depth == 0 && PeekIs(0, ";")) {
      Drop(1);
      break;
    }
    Drop(1);
  }
  error_ = Token{};
  too_deep_ = false;
  return blocks;
}

bool Parser::ParseStatement(Tree* tree) {
  tree->Clear();
  tree_ = tree;
  depth_ = 0;
  return Statement();
}

bool Parser::Add(NodeKind kind, std::uint32_t token, std::uint32_t first,
                 std::span<const std::uint32_t> kids) {
  Node node;
  node.kind = kind;
  node.token = token;
  node.first = first;
  node.last = static_cast<std::uint32_t>(tree_->tokens.size() - 1);
  node.kids = static_cast<std::uint32_t>(tree_->kids.size());
  node.kid_count = static_cast<std::uint32_t>(kids.size());
  for (const std::uint32_t kid : kids) {
    node.height = std::max(node.height, static_cast<std::uint16_t>(tree_->nodes[kid].height + 1));
  }
  // A chain of operators is read in a loop, not by recursion, but is as
  // high as it is long, and what reads the tree recurses.
  if (node.height > kMaxDepth) return TooDeep();
  tree_->kids.insert(tree_->kids.end(), kids.begin(), kids.end());
  tree_->nodes.push_back(node);
  last_ = static_cast<std::uint32_t>(tree_->nodes.size() - 1);
  return true;
}

bool Parser::Add(NodeKind kind, std::uint32_t token, std::uint32_t first,
                 std::initializer_list<std::uint32_t> kids) {
  return Add(kind, token, first, std::span<const std::uint32_t>(kids.begin(), kids.size()));
}

// Counts the nesting while a parse function runs.
class Parser::Nesting {
 public:
  explicit Nesting(int* depth) : depth_(depth) { ++*depth_; }
  ~Nesting() { --*depth_; }
  Nesting(const Nesting&) = delete;
  Nesting& operator=(const Nesting&) = delete;

 private:
  int* depth_;
};

bool Parser::Statement() {
  const Nesting nesting(&depth_);
  if (depth_ > kMaxDepth) return TooDeep();
  if (LabelAhead()) return Fail();  // a label only stands at the top level
  const std::uint32_t first = static_cast<std::uint32_t>(tree_->tokens.size());
  if (PeekIs(0, ";")) {
    const std::uint32_t token = Take();
    return Add(NodeKind::kEmpty, token, first, {});
  }
  if (PeekIs(0, "{")) {
    const std::uint32_t token = Take();
    const std::size_t mark = scratch_.size();
    while (!PeekIs(0, "}")) {
      if (AtEnd() || !Statement()) return Fail();
      scratch_.push_back(last_);
    }
    Take();
    const bool added = Add(NodeKind::kBlock, token, first, std::span(scratch_).subspan(mark));
    scratch_.resize(mark);
    return added;
  }
  if (PeekIs(0, "if") || PeekIs(0, "while")) {
    const bool is_if = PeekIs(0, "if");
    const std::uint32_t token = Take();
    if (!Expect("(") || !Expression(kAssignLevel)) return false;
    const std::uint32_t condition = last_;
    if (!Expect(")") || !Statement()) return false;
    const std::uint32_t body = last_;
    if (is_if && PeekIs(0, "else")) {
      Take();
      if (!Statement()) return false;
      return Add(NodeKind::kIf, token, first, {condition, body, last_});
    }
    return Add(is_if ? NodeKind::kIf : NodeKind::kWhile, token, first, {condition, body});
  }
  if (PeekIs(0, "return")) {
    const std::uint32_t token = Take();
    if (PeekIs(0, ";")) {
      Take();
      return Add(NodeKind::kReturn, token, first, {});
    }
    if (!Expression(kAssignLevel)) return false;
    const std::uint32_t value = last_;
    if (!Expect(";")) return false;
    return Add(NodeKind::kReturn, token, first, {value});
  }
  if (!Expression(kAssignLevel)) return false;
  const std::uint32_t value = last_;
  if (!Expect(";")) return false;
  return Add(NodeKind::kExpression, tree_->nodes[value].token, first, {value});
}

bool Parser::IsLvalue(std::uint32_t index) const {
  const Node* node = &tree_->nodes[index];
  while (node->kind == NodeKind::kGroup) node = &tree_->Kid(*node, 0);
  if (node->kind != NodeKind::kCall) return false;
  const std::string_view name = lexer_->Text(tree_->tokens[node->token]);
  return name == "Var" || name == "Local" || name == "Global";
}

bool Parser::Expression(int min_level) {
  const Nesting nesting(&depth_);
  if (depth_ > kMaxDepth) return TooDeep();
  const std::uint32_t first = static_cast<std::uint32_t>(tree_->tokens.size());
  if (!Unary()) return false;
  for (;;) {
    const Token& next = Peek(0);
    if (next.kind != TokenKind::kPunct && next.kind != TokenKind::kWord) return true;
    const std::string_view text = lexer_->Text(next);
    const std::uint32_t left = last_;
    if (text == "?") {
      if (kTernaryLevel < min_level) return true;
      const std::uint32_t token = Take();
      if (!Expression(kAssignLevel)) return false;
      const std::uint32_t then = last_;
      if (!Expect(":") || !Expression(kTernaryLevel)) return false;
      if (!Add(NodeKind::kTernary, token, first, {left, then, last_})) return false;
      continue;
    }
    const std::optional<Level> level = BinaryLevel(text);
    if (!level || *level < min_level) return true;
    const std::uint32_t token = Take();
    if (*level == kAssignLevel && !IsLvalue(left)) return Fail();
    if (!Expression(GroupsRightToLeft(*level) ? *level : *level + 1)) return false;
    if (!Add(NodeKind::kBinary, token, first, {left, last_})) return false;
  }
}

bool Parser::Unary() {
  const Nesting nesting(&depth_);
  if (depth_ > kMaxDepth) return TooDeep();
  const std::uint32_t first = static_cast<std::uint32_t>(tree_->tokens.size());
  const Token& next = Peek(0);
  if (next.kind == TokenKind::kPunct && IsPrefixOperator(lexer_->Text(next))) {
    const bool steps = lexer_->Text(next).size() == 2;  // ++ or --
    const std::uint32_t token = Take();
    if (!Unary()) return false;
    if (steps && !IsLvalue(last_)) return Fail();
    return Add(NodeKind::kPrefix, token, first, {last_});
  }
  if (!Primary()) return false;
  while (PeekIs(0, "++") || PeekIs(0, "--")) {
    if (!IsLvalue(last_)) return Fail();
    const std::uint32_t token = Take();
    if (!Add(NodeKind::kPostfix, token, first, {last_})) return false;
  }
  return true;
}

bool Parser::Primary() {
  const std::uint32_t first = static_cast<std::uint32_t>(tree_->tokens.size());
  const Token& next = Peek(0);
  switch (next.kind) {
    case TokenKind::kNumber:
      return Add(NodeKind::kNumber, Take(), first, {});
    case TokenKind::kString:
      if (!next.closed) return Fail();
      return Add(NodeKind::kString, Take(), first, {});
    case TokenKind::kWord: {
      if (IsKeyword(lexer_->Text(next))) return Fail();
      const std::uint32_t name = Take();
      if (!PeekIs(0, "(")) {
        return Add(NodeKind::kWord, name, first, {});
      }
      Take();
      const std::size_t mark = scratch_.size();
      if (!PeekIs(0, ")")) {
        for (;;) {
          if (!Expression(kAssignLevel)) return false;
          scratch_.push_back(last_);
          if (!PeekIs(0, ",")) break;
          Take();
        }
      }
      if (!Expect(")")) return false;
      const bool added = Add(NodeKind::kCall, name, first, std::span(scratch_).subspan(mark));
      scratch_.resize(mark);
      return added;
    }
    case TokenKind::kPunct:
      if (lexer_->Text(next) == "(") {
        const std::uint32_t token = Take();
        if (!Expression(kAssignLevel) || !Expect(")")) return false;
        return Add(NodeKind::kGroup, token, first, {last_});
      }
      return Fail();
    default:
      return Fail();
  }
}

ParsedStatement ParseStatementAt(LineViews lines, Place start, Place end) {
  ParsedStatement statement;
  ParseStatementAt(lines, start, end, &statement);
  return statement;
}

void ParseStatementAt(LineViews lines, Place start, Place end, ParsedStatement* out) {
  Lexer lexer(lines, start.line, start.column, end.line, end.column, false);
  Parser parser(&lexer);
  out->ok = parser.ParseStatement(&out->tree);
}

}  // namespace q9
