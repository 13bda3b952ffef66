#include "passes/normal_operator.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace q9 {
namespace {

struct ScanCase {
  std::string line;
  std::size_t start;
  std::string separator;
  std::string expected_line;
  std::optional<std::size_t> close;  // nothing: a bracket error
};

void CheckScans(const std::vector<ScanCase>& cases) {
  for (const ScanCase& c : cases) {
    SCOPED_TRACE("line: " + c.line + " separator: " + c.separator);
    std::string line = c.line;
    const ScanResult result = ScanArguments(&line, c.start, c.separator);
    EXPECT_EQ(line, c.expected_line);
    const std::optional<std::size_t> close =
        result.found ? std::optional<std::size_t>(result.close) : std::nullopt;
    EXPECT_EQ(close, c.close);
  }
}

TEST(ScanArgumentsTest, CountsBracketsAndReplacesCommasAtDepthZero) {
  const std::vector<ScanCase> cases = {
      {"a,b)", 0, "+", "a+b)", 3},
      {"a,b,c);", 0, "+", "a+b+c);", 5},
      {"f(a,b),c);", 0, "+", "f(a,b)+c);", 8},
      {"a,(b,c)),d)", 0, "+", "a+(b,c)),d)", 7},  // stops at the first unmatched ')'
      {"x=a,b);", 2, "+", "x=a+b);", 5},
      {")", 0, "+", ")", 0},
      {"a)", 0, "", "a)", 1},
      {"\"a,b)\",c)", 0, "+", "\"a+b)\",c)", 4},  // quotes are ordinary bytes
      {"[a,b],c)", 0, "&&", "[a&&b]&&c)", 9},
      {"a,b", 0, "+", "a+b", std::nullopt},  // replaced even though the call is open
      {"(a)", 0, "+", "(a)", std::nullopt},
      {"", 0, "+", "", std::nullopt},
      {"x)", 2, "+", "x)", std::nullopt},  // start at the end of the line
  };
  CheckScans(cases);
}

TEST(ScanArgumentsTest, ExaminesSeparatorFromItsSecondByte) {
  const std::vector<ScanCase> cases = {
      // The ')' that heads ")=" is skipped, so the call's own bracket closes it.
      {"0,5);", 0, ")=", "0)=5);", 4},
      {"0,f(1));", 0, ")=", "0)=f(1));", 7},
      {"a,b)", 0, "(", "a(b)", 3},
      // A bracket after the first byte counts like argument text.
      {"a,b)", 0, "x)", "ax)b)", 2},
      {"a,b)", 0, "x(", "ax(b)", std::nullopt},
      // Nothing inserted: the byte after the comma is skipped unexamined.
      {"a,)b)", 0, "", "a)b)", 3},
      {"a,,b)", 0, "", "a,b)", 3},
  };
  CheckScans(cases);
}

struct RunCase {
  std::string name;
  std::string op;
  LineList input;
  LineList expected;  // after one run
  bool changed;
  std::optional<std::size_t> bracket_error;
};

TEST(NormalOperatorTest, OneRun) {
  const std::vector<RunCase> cases = {
      {"Sum", "+", {"x=Sum(a,b);"}, {"x=a+b;"}, true, std::nullopt},
      {"Sum", "+", {"x=Sum(a,b,c);"}, {"x=a+b+c;"}, true, std::nullopt},
      {"Sum", "+", {"x=Sum(f(a,b),c);"}, {"x=f(a,b)+c;"}, true, std::nullopt},
      {"Sum", "+", {"x=Sum(a,b)"}, {"x=a+b"}, true, std::nullopt},
      {"Sum", "+", {"x=Sum();"}, {"x=;"}, true, std::nullopt},
      {"Sum", "+", {"x=Sum(a,b)+Sum(c,d);"}, {"x=a+b+Sum(c,d);"}, true, std::nullopt},
      {"Sum", "+", {"x=Sum(Sum(a,b),c);"}, {"x=Sum(a,b)+c;"}, true, std::nullopt},
      {"And", "&&", {"if(And(a,b))"}, {"if(a&&b)"}, true, std::nullopt},
      {"SEqual", "S=", {"if(SEqual(s,t))"}, {"if(sS=t)"}, true, std::nullopt},
      {"Equal", "==", {"if(SEqual(s,t))"}, {"if(Ss==t)"}, true, std::nullopt},
      {"And", "&&", {"x=BitAnd(a,b);"}, {"x=Bita&&b;"}, true, std::nullopt},
      {"Pow", "**", {"x=Pow(a,2);"}, {"x=a**2;"}, true, std::nullopt},
      {"GreaterThan", ">", {"if(GreaterThan(a,b))"}, {"if(a>b)"}, true, std::nullopt},
      {"Sum", "+", {"x=GetSum(a);"}, {"x=Geta;"}, true, std::nullopt},
      {"Sum", "+", {"if(Sum (a,b)) x=1;"}, {"if((a,b) x=1;"}, true, std::nullopt},
      {"Sum", "+", {"x=Sum(a,\"b)\");"}, {"x=a+\"b\");"}, true, std::nullopt},
      {"Sum", "+", {"x=Sum(a,b);\r"}, {"x=a+b;\r"}, true, std::nullopt},
      {"Sum", "+", {"Sum(a,b)", "y", "Sum(c,d)"}, {"a+b", "y", "c+d"}, true, std::nullopt},
      {"Sum", "+", {"x=sum(a,b);"}, {"x=sum(a,b);"}, false, std::nullopt},
      {"Sum", "+", {}, {}, false, std::nullopt},
      // Bracket errors leave the list as it was.
      {"Or", "||", {"x=Order;"}, {"x=Order;"}, false, 0},
      {"Sum", "+", {"x=Sum (a,b);"}, {"x=Sum (a,b);"}, false, 0},
      {"Sum", "+", {"x=Sum"}, {"x=Sum"}, false, 0},
      {"Sum",
       "+",
       {"x=Sum(a,b);", "y=Sum(c,", "d);"},
       {"x=Sum(a,b);", "y=Sum(c,", "d);"},
       false,
       1},
      {"Sum", "+", {"Sum(a)", "Sum(", "Sum("}, {"Sum(a)", "Sum(", "Sum("}, false, 1},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.name + " on " + (c.input.empty() ? std::string("{}") : c.input[0]));
    LineList lines = c.input;
    const RunResult result = NormalOperator(&lines, c.name, c.op);
    EXPECT_EQ(lines, c.expected);
    EXPECT_EQ(result.changed, c.changed);
    EXPECT_EQ(result.bracket_error, c.bracket_error);
  }
}

// The states a row leaves after each run that returned true.
std::vector<LineList> RunUntilFalse(LineList lines, std::string_view name, std::string_view op) {
  std::vector<LineList> states;
  for (int run = 0; run < 100 && NormalOperator(&lines, name, op).changed; ++run) {
    states.push_back(lines);
  }
  return states;
}

TEST(NormalOperatorTest, EachRunTakesOneCallPerLine) {
  struct RowCase {
    LineList input;
    std::vector<LineList> states;
  };
  const std::vector<RowCase> cases = {
      {{"x=Sum(a,b)+Sum(c,d);"}, {{"x=a+b+Sum(c,d);"}, {"x=a+b+c+d;"}}},
      {{"x=Sum(Sum(a,b),c);"}, {{"x=Sum(a,b)+c;"}, {"x=a+b+c;"}}},
      {{"Sum(a,b)+Sum(c,d)", "Sum(e,f)"}, {{"a+b+Sum(c,d)", "e+f"}, {"a+b+c+d", "e+f"}}},
      {{"x=1;"}, {}},
  };
  for (const RowCase& c : cases) {
    SCOPED_TRACE(c.input[0]);
    EXPECT_EQ(RunUntilFalse(c.input, "Sum", "+"), c.states);
  }
}

}  // namespace
}  // namespace q9
