#ifndef Q9_SYNTAX_MEANING_H_
#define Q9_SYNTAX_MEANING_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "linestore/line_store.h"
#include "syntax/lexer.h"
#include "syntax/tree.h"

namespace q9 {

// What a node of a parsed statement computes, in terms of the #strict
// operators: the old calls read as the operators they become (Sum(a,b) as
// a+b, Not(a) as !a, SetVar(n,v) as Var(n)=v), brackets looked through.
struct Shape {
  std::string_view op;  // the operator, or empty when the node is none
  int arity = 0;        // 1 (prefix) or 2 (binary)
  std::uint32_t a = 0;  // the operands' nodes
  std::uint32_t b = 0;
};

// Reads meanings off one parsed statement. |lines| are the lines its tokens
// were read from.
class Meaning {
 public:
  Meaning() = default;  // reads no statement until Reset
  Meaning(const Tree& tree, LineViews lines) { Reset(tree, lines); }

  // Reads |tree|, whose tokens were read from |lines|, in place of the
  // statement read before, in the room that one took.
  void Reset(const Tree& tree, LineViews lines);

  // Appends a form of the statement at the tree's root that is the same for
  // two statements exactly when they compute the same, as far as it can tell
  // (two forms that differ may still compute the same; the same forms never
  // differ in what they compute): brackets, blanks, comments and line ends
  // leave no trace; the old calls and the operators they become meet
  // (Sum(a,b) and a+b, SetVar(0,x) and Var(0)=x, IncVar(1) and ++Var(1), or
  // Var(1)++ where its value is dropped); And(a,b) meets a&&b only when b has
  // no effect; operators that regroup freely are flattened (a+(b-c) meets
  // a+b-c, a*(b*c) meets a*b*c).
  void AppendStatement(std::string* out) const;

  // The same for the expression at |node|.
  void AppendExpression(std::uint32_t node, std::string* out) const;

  // Whether the expression at |node| has no effect: no assignment, step,
  // call other than the variables and the pure old operators.
  bool Pure(std::uint32_t node) const { return pure_[node] != 0; }

  Shape ShapeOf(std::uint32_t node) const;

  // The value of the expression at |node| when it is made of numbers and the
  // operators (or the old calls that stand for them) alone, as the script
  // model computes it; nothing otherwise.
  std::optional<std::int32_t> ConstantValue(std::uint32_t node) const;
  std::string_view Text(std::uint32_t token) const { return TokenText(lines_, tree_->tokens[token]); }
  std::string_view CallName(const Node& node) const { return Text(node.token); }

 private:
  std::uint32_t Unbracket(std::uint32_t node) const;
  void AppendTerms(std::uint32_t node, bool negative, std::string* out) const;
  void AppendFlat(std::uint32_t node, std::string_view op, std::string* out) const;
  void AppendStatementAt(std::uint32_t node, std::string* out) const;

  // The old call a call node names, looked up once per node.
  const struct OldCall* OldCallAt(std::uint32_t node) const { return calls_[node]; }

  const Tree* tree_ = nullptr;
  LineViews lines_;
  std::vector<unsigned char> pure_;  // bools, read by the byte
  std::vector<const struct OldCall*> calls_;
};

}  // namespace q9

#endif  // Q9_SYNTAX_MEANING_H_
