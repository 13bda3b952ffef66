#ifndef Q9_SYNTAX_TREE_H_
#define Q9_SYNTAX_TREE_H_

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "syntax/lexer.h"

namespace q9 {

enum class NodeKind : unsigned char {
  // Expressions. |token| is the literal, the word, the call's name, the
  // operator, the "?" of a ternary, or the "(" of a bracketed expression.
  kNumber,
  kString,
  kWord,
  kCall,     // kids: the arguments
  kGroup,    // "(" expression ")"; kid: the expression
  kPrefix,   // kid: the operand
  kPostfix,  // kid: the operand
  kBinary,   // kids: left, right (assignments included)
  kTernary,  // kids: condition, then, else
  // Statements. |token| is the keyword, "{" or ";".
  kExpression,  // kid: the expression
  kReturn,      // kid: the value, if any
  kIf,          // kids: condition, then, else if any
  kWhile,       // kids: condition, body
  kBlock,       // kids: the statements
  kEmpty,       // ";"
};

// One node of a parsed statement; tokens and kids are indices into its Tree.
struct Node {
  NodeKind kind = NodeKind::kEmpty;
  std::uint16_t height = 1;  // the nodes on the longest way down from it, itself included
  std::uint32_t token = 0;
  std::uint32_t first = 0;  // the node's first and last token
  std::uint32_t last = 0;
  std::uint32_t kids = 0;  // where its kids start in Tree::kids
  std::uint32_t kid_count = 0;
};

// A statement as parsed: the tokens it was read from and its nodes, the root
// last. Reused from statement to statement to save allocations.
struct Tree {
  std::vector<Token> tokens;
  std::vector<Node> nodes;
  std::vector<std::uint32_t> kids;

  void Clear() {
    tokens.clear();
    nodes.clear();
    kids.clear();
  }
  const Node& root() const { return nodes.back(); }
  std::uint32_t root_index() const { return static_cast<std::uint32_t>(nodes.size() - 1); }
  std::span<const std::uint32_t> Kids(const Node& node) const {
    return std::span<const std::uint32_t>(kids).subspan(node.kids, node.kid_count);
  }
  const Node& Kid(const Node& node, std::size_t i) const { return nodes[kids[node.kids + i]]; }
};

}  // namespace q9

#endif  // Q9_SYNTAX_TREE_H_
