#ifndef Q9_PASSES_PRECEDENCE_H_
#define Q9_PASSES_PRECEDENCE_H_

#include <optional>
#include <string_view>

namespace q9 {

// An operator of the strict syntax, ranked as in C: the rewritten calls turn
// into these, and whether a rewrite keeps its meaning depends on how they group.
struct Operator {
  std::string_view token;
  int precedence = 0;          // higher binds more tightly
  bool right_to_left = false;  // a op b op c groups as a op (b op c)
  bool prefix = false;         // unary, written before its operand
  bool postfix = false;        // unary, written after its operand (and "[")
};

// Whether |c| can be part of a name or a number.
bool IsWordByte(char c);

// The binary operator written |token|, such as "+" or "S=".
std::optional<Operator> BinaryOperator(std::string_view token);

// The operator that |text| ends with, blanks after it skipped: a binary
// operator, or a prefix operator when nothing that ends an operand stands
// before it. Nothing for a word, a bracket, "?" (what follows it is delimited
// by ":"), "->", "::" or the end of a comment.
std::optional<Operator> OperatorBefore(std::string_view text);

// The operator that |text| starts with, blanks before it skipped: a binary
// operator or a postfix one ("++", "--", "["). Nothing for ":", "->", a
// comment or anything else.
std::optional<Operator> OperatorAfter(std::string_view text);

// The first binary operator at bracket depth 0 of |operand| (string literals
// skipped) that would take part of it away if |operand| were written without
// brackets as an operand of |outer|: the left one when |leftmost|, else a later
// one. Nothing when |operand| keeps its meaning.
std::optional<Operator> RegroupingOperator(std::string_view operand, const Operator& outer,
                                           bool leftmost);

// Whether an expression ending in |left| (binary or prefix) before |outer|'s
// first operand takes that operand away from |outer|.
bool LeftTakesOperand(const Operator& left, const Operator& outer);

// Whether |right| after |outer|'s last operand takes that operand away.
bool RightTakesOperand(const Operator& outer, const Operator& right);

}  // namespace q9

#endif  // Q9_PASSES_PRECEDENCE_H_
