#include "passes/precedence.h"

#include <algorithm>
#include <cstddef>

namespace q9 {
namespace {

constexpr int kPrefixPrecedence = 14;
constexpr int kConditionalPrecedence = 2;
constexpr int kPostfixPrecedence = 15;

// The binary operators, C-like; "**" (power) binds more tightly than "*", and
// "S=" (string equality) as tightly as "==".
constexpr Operator kBinary[] = {
    {"**", 13, true}, {"*", 12},        {"/", 12},       {"%", 12},       {"+", 11},
    {"-", 11},        {"<<", 10},       {">>", 10},      {"<=", 9},       {">=", 9},
    {"<", 9},         {">", 9},         {"==", 8},       {"!=", 8},       {"S=", 8},
    {"&", 7},         {"^", 6},         {"|", 5},        {"&&", 4},       {"||", 3},
    {"?", 2, true},   {"=", 1, true},   {"+=", 1, true}, {"-=", 1, true}, {"*=", 1, true},
    {"/=", 1, true},  {"%=", 1, true},  {"&=", 1, true}, {"|=", 1, true}, {"^=", 1, true},
    {"<<=", 1, true}, {">>=", 1, true},
};

// The ":" of "a ? b : c", before the last operand.
constexpr Operator kConditionalElse{":", kConditionalPrecedence, true};

// Tokens that are no operator of an expression here but must not be read as
// one of their parts: member access, scope, comment ends and starts.
constexpr std::string_view kNonOperators[] = {"->", "::", "*/", "//", "/*"};

// Operators that group either way with the same result when the left one is
// written first: x outer (y inner z) == (x outer y) inner z.
struct SafePair {
  std::string_view outer;
  std::string_view inner;
};
constexpr SafePair kSafePairs[] = {
    {"+", "+"}, {"+", "-"}, {"*", "*"},   {"&", "&"},
    {"|", "|"}, {"^", "^"}, {"&&", "&&"}, {"||", "||"},
};

// Prefix operators that change nothing when they take the first operand of
// |outer| instead of all of it: -(a*b) == (-a)*b, as C divides towards zero.
// An empty |outer| stands for any operator.
constexpr SafePair kSafePrefixes[] = {{"", "+"}, {"*", "-"}, {"/", "-"}, {"%", "-"}};

bool IsSafePrefix(std::string_view prefix, std::string_view outer) {
  return std::any_of(std::begin(kSafePrefixes), std::end(kSafePrefixes), [&](const SafePair& pair) {
    return (pair.outer.empty() || pair.outer == outer) && pair.inner == prefix;
  });
}

bool IsSafePair(std::string_view outer, std::string_view inner) {
  return std::any_of(std::begin(kSafePairs), std::end(kSafePairs), [&](const SafePair& pair) {
    return pair.outer == outer && pair.inner == inner;
  });
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Bytes that end an operand: after them, "-" is a binary minus.
bool EndsOperand(char c) { return IsWordByte(c) || c == ')' || c == ']' || c == '"' || c == '\''; }

std::string_view TrimBlanksAtEnd(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::string_view TrimBlanksAtStart(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return text;
}

Operator Prefix(std::string_view token) { return {token, kPrefixPrecedence, true, true, false}; }
Operator Postfix(std::string_view token) { return {token, kPostfixPrecedence, false, false, true}; }

// The longest binary, unary or non-operator token at |text|'s start (or end,
// when |at_end|), if any.
std::string_view LongestToken(std::string_view text, bool at_end) {
  static constexpr std::string_view kUnary[] = {"++", "--", "!", "~", "[", ":"};
  // "S=" counts wherever it stands, as the SEqual row writes it: sS=t.
  // Most bytes start no token; only they need the walk over the tables.
  static constexpr std::string_view kTokenBytes = "*/%+-<>=!S&^|?:~[";
  if (text.empty() ||
      kTokenBytes.find(at_end ? text.back() : text.front()) == std::string_view::npos) {
    return {};
  }
  std::string_view best;
  // Tokens have three bytes at most: compared in place, not through memcmp.
  auto consider = [&](std::string_view token) {
    if (token.size() <= best.size() || token.size() > text.size()) return;
    const std::size_t at = at_end ? text.size() - token.size() : 0;
    for (std::size_t k = 0; k < token.size(); ++k) {
      if (text[at + k] != token[k]) return;
    }
    best = token;
  };
  for (const Operator& op : kBinary) consider(op.token);
  for (std::string_view token : kUnary) consider(token);
  for (std::string_view token : kNonOperators) consider(token);
  return best;
}

bool IsNonOperator(std::string_view token) {
  return std::find(std::begin(kNonOperators), std::end(kNonOperators), token) !=
         std::end(kNonOperators);
}

}  // namespace

bool IsWordByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

std::optional<Operator> BinaryOperator(std::string_view token) {
  for (const Operator& op : kBinary) {
    if (op.token == token) return op;
  }
  return std::nullopt;
}

std::optional<Operator> OperatorBefore(std::string_view text) {
  text = TrimBlanksAtEnd(text);
  const std::string_view token = LongestToken(text, true);
  if (token.empty() || token == "?" || token == "[" || IsNonOperator(token)) return std::nullopt;
  const std::string_view earlier = TrimBlanksAtEnd(text.substr(0, text.size() - token.size()));
  const bool after_operand = !earlier.empty() && EndsOperand(earlier.back());
  if (token == "!" || token == "~") return Prefix(token);
  if (token == "++" || token == "--") {
    // After an operand it is that operand's postfix, and the call stands alone.
    if (after_operand) return std::nullopt;
    return Prefix(token);
  }
  if (!after_operand && (token == "+" || token == "-" || token == "*" || token == "&")) {
    return Prefix(token);
  }
  if (token == ":") return kConditionalElse;
  return BinaryOperator(token);
}

std::optional<Operator> OperatorAfter(std::string_view text) {
  text = TrimBlanksAtStart(text);
  const std::string_view token = LongestToken(text, false);
  // A ":" ends the middle operand of "?:", or a label.
  if (token.empty() || IsNonOperator(token) || token == "!" || token == "~" || token == ":") {
    return std::nullopt;
  }
  if (token == "++" || token == "--" || token == "[") return Postfix(token);
  return BinaryOperator(token);
}

std::optional<Operator> RegroupingOperator(std::string_view operand, const Operator& outer,
                                           bool leftmost) {
  auto regroups = [&](const Operator& inner) {
    if (inner.precedence != outer.precedence) return inner.precedence < outer.precedence;
    if (leftmost) return outer.right_to_left;
    return !outer.right_to_left && !IsSafePair(outer.token, inner.token);
  };
  int depth = 0;
  bool after_operand = false;
  std::size_t i = 0;
  while (i < operand.size()) {
    const char c = operand[i];
    if (c == '"') {
      // A string literal, to its closing quote or the end.
      for (++i; i < operand.size() && operand[i] != '"'; ++i) {
        if (operand[i] == '\\') ++i;
      }
      ++i;
      after_operand = true;
      continue;
    }
    if (c == '(' || c == '[' || c == '{') {
      ++depth;
      ++i;
      after_operand = false;
      continue;
    }
    if (c == ')' || c == ']' || c == '}') {
      --depth;
      ++i;
      after_operand = true;
      continue;
    }
    if (IsBlank(c)) {
      ++i;
      continue;
    }
    const std::string_view token = LongestToken(operand.substr(i), false);
    if (token.empty()) {
      // Part of a word or number, or a byte of no operator.
      after_operand = IsWordByte(c);
      ++i;
      continue;
    }
    i += token.size();
    if (depth != 0) continue;
    const bool unary =
        token == "!" || token == "~" || token == "++" || token == "--" ||
        (!after_operand && (token == "+" || token == "-" || token == "*" || token == "&"));
    if (unary || IsNonOperator(token) || token == ":") {
      // A postfix "++" leaves an operand behind it; everything else expects one.
      after_operand = after_operand && (token == "++" || token == "--");
    } else if (const std::optional<Operator> inner = BinaryOperator(token);
               inner && regroups(*inner)) {
      return inner;
    } else {
      after_operand = false;
    }
  }
  return std::nullopt;
}

bool LeftTakesOperand(const Operator& left, const Operator& outer) {
  if (left.prefix) return !outer.postfix && !IsSafePrefix(left.token, outer.token);
  if (left.precedence != outer.precedence) return left.precedence > outer.precedence;
  return !outer.right_to_left && !IsSafePair(left.token, outer.token);
}

bool RightTakesOperand(const Operator& outer, const Operator& right) {
  if (right.postfix) return !outer.postfix;
  if (right.precedence != outer.precedence) return right.precedence > outer.precedence;
  return outer.right_to_left;
}

}  // namespace q9
