#ifndef Q9_SYNTAX_OPERATORS_H_
#define Q9_SYNTAX_OPERATORS_H_

#include <optional>
#include <string_view>

namespace q9 {

// How tightly operators of the #strict syntax bind, highest first; the README
// prints this table. Binary operators group left to right unless marked.
enum Level : int {
  kAssignLevel = 1,  // = += -= *= /= %= &= |= ^= <<= >>=, right to left
  kTernaryLevel,     // ?:, right to left
  kOrLevel,          // ||
  kAndLevel,         // &&
  kBitOrLevel,       // |
  kBitXorLevel,      // ^
  kBitAndLevel,      // &
  kEqualityLevel,    // == != S= (and the old syntax's eq)
  kRelationLevel,    // < <= > >=
  kShiftLevel,       // << >>
  kAdditiveLevel,    // + -
  kMultiplyLevel,    // * / %
  kPowerLevel,       // **, right to left
  kPrefixLevel,      // ! - + ~ ++ --
  kPostfixLevel,     // ++ --
  kPrimaryLevel,     // a literal, a word, a call, a bracketed expression
};

// The level of the binary operator written |token| ("eq" included), if it is one.
std::optional<Level> BinaryLevel(std::string_view token);

// Whether operators of |level| group right to left.
inline bool GroupsRightToLeft(Level level) {
  return level == kAssignLevel || level == kTernaryLevel || level == kPowerLevel;
}

// Whether a op (b op c) == (a op b) op c for every value, with the operands
// still evaluated left to right: + * & | ^ && ||. Sums and differences also
// regroup freely among themselves; see the canonical form.
bool IsAssociative(std::string_view op);

inline bool IsPrefixOperator(std::string_view token) {
  return token == "!" || token == "-" || token == "+" || token == "~" || token == "++" ||
         token == "--";
}

}  // namespace q9

#endif  // Q9_SYNTAX_OPERATORS_H_
