#include "passes/precedence.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace q9 {
namespace {

Operator Binary(std::string_view token) { return BinaryOperator(token).value(); }

// Whether |before| + (a OP b) + |after| groups a OP b apart.
bool SplitsApart(std::string_view before, std::string_view op, std::string_view after) {
  const Operator outer = Binary(op);
  const std::optional<Operator> left = OperatorBefore(before);
  const std::optional<Operator> right = OperatorAfter(after);
  return (left && LeftTakesOperand(*left, outer)) || (right && RightTakesOperand(outer, *right));
}

TEST(PrecedenceTest, NeighboursThatTakeAnOperand) {
  struct Case {
    std::string before, op, after;
    bool splits;
  };
  const Case cases[] = {
      {"x=", "+", ";", false},      {"x*", "+", "", true},       {"x - ", "+", "", true},
      {"x+", "+", "", false},       {"x+", "-", "", false},      {"x-", "*", "", false},
      {"x=-", "*", "", false},      {"x=-", "+", "", true},      {"x=!", "*", "", true},
      {"+", "==", "", false},       {"if(!", "==", ")", true},   {"i++*", "+", "", true},
      {"return ", "+", ";", false}, {"c?", "=", ":d", false},    {"c?x:", "=", "", true},
      {"x=", "=", ";", false},      {"/* c */", "+", "", false}, {"obj->", "+", "", false},
      {"a**", "**", "", false},     {"", "+", "*c", true},       {"", "+", " -c", false},
      {"", "**", "**c", true},      {"", "+", "++", true},       {"", "+", "[0]", true},
      {"", "+", " // x*y", false},  {"", "+", ":y", false},      {"", "=", "+1", true},
      {"", "||", "&&b", true},      {"", "&&", "||b", false},    {"", "==", "S=b", false},
      {"", "S=", "==b", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.before + "(a" + c.op + "b)" + c.after);
    EXPECT_EQ(SplitsApart(c.before, c.op, c.after), c.splits);
  }
}

TEST(PrecedenceTest, OperandsThatLoseAPart) {
  const Operator bang{"!", 14, true, true, false};
  struct Case {
    std::string operand;
    Operator outer;
    bool leftmost;
    std::string token;  // empty: the operand keeps its meaning
  };
  const Case cases[] = {
      {"a&&b", Binary("=="), true, "&&"},
      {"a&&b", Binary("=="), false, "&&"},
      {"a-b", Binary("+"), true, ""},
      {"a-b", Binary("+"), false, ""},
      {"a-b", Binary("-"), false, "-"},
      {"a+b", Binary("-"), false, "+"},
      {"a/b", Binary("*"), false, "/"},
      {"a*b", Binary("+"), false, ""},
      {"f(a||b)", Binary("&&"), false, ""},
      {"a[i+1]", Binary("*"), false, ""},
      {"\"x||y\"", Binary("&&"), false, ""},
      {"-a", Binary("*"), false, ""},
      {"a**b", Binary("**"), true, "**"},
      {"a**b", Binary("**"), false, ""},
      {"c?a:b", Binary("+"), false, "?"},
      {"sS=t", Binary("&&"), false, ""},
      {"sS=t", Binary("=="), false, "S="},
      {"a==b", bang, true, "=="},
      {"!a", bang, true, ""},
      {"x++", bang, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.operand + " under " + std::string(c.outer.token));
    const std::optional<Operator> found = RegroupingOperator(c.operand, c.outer, c.leftmost);
    EXPECT_EQ(found ? std::string(found->token) : "", c.token);
  }
}

}  // namespace
}  // namespace q9
