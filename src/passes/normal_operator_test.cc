#include "passes/normal_operator.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace q9 {
namespace {

TEST(ScanArgumentsTest, CountsRoundBracketsAndReplacesCommasAtDepthZero) {
  struct Case {
    std::string line;
    std::size_t start;
    std::string separator, expected;
    std::optional<std::size_t> close;  // nothing: a bracket error
  };
  const std::vector<Case> cases = {
      {"a,(b,c)),d)", 2, "+", "a,(b,c)),d)", 7},  // from |start| to the first unmatched ')'
      {"\"a,b)\",c)", 0, "+", "\"a+b)\",c)", 4},  // quotes are ordinary bytes
      {"[a,b],c)", 0, "&&", "[a&&b]&&c)", 9},
      {"a,b", 0, "+", "a+b", std::nullopt},  // replaced even though the call stays open
      {"(a)", 0, "+", "(a)", std::nullopt},
      {"a,b)", 0, "x)", "ax)b)", 2},  // the inserted text is examined from its second byte
      {"a,b)", 0, "x(", "ax(b)", std::nullopt},
      {"a,)b)", 0, "", "a)b)", 3},  // nothing inserted: the byte after the comma is skipped
      {"a,,b)", 0, "", "a,b)", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line + " with " + c.separator);
    std::string line = c.line;
    const ScanResult result = ScanArguments(&line, c.start, c.separator);
    EXPECT_EQ(line, c.expected);
    EXPECT_EQ(result.found ? std::optional<std::size_t>(result.close) : std::nullopt, c.close);
  }
}

TEST(NormalOperatorTest, OneRun) {
  struct Case {
    std::string name, op;
    LineList input, expected;
    std::optional<std::size_t> bracket_error = {};
  };
  const std::vector<Case> cases = {
      {"Sum", "+", {"x=Sum(a,b);"}, {"x=a+b;"}},
      {"Sum", "+", {"x=Sum(a,b,c);"}, {"x=a+b+c;"}},
      {"Sum", "+", {"x=Sum(f(a,b),c);"}, {"x=f(a,b)+c;"}},
      {"Sum", "+", {"x=Sum(a,b)"}, {"x=a+b"}},
      {"Sum", "+", {"x=Sum();"}, {"x=;"}},
      // One call per line and run, the outer one first; every line in the run.
      {"Sum", "+", {"x=Sum(a,b)+Sum(c,d);", "y", "Sum(e,f)"}, {"x=a+b+Sum(c,d);", "y", "e+f"}},
      {"Sum", "+", {"x=Sum(Sum(a,b),c);"}, {"x=Sum(a,b)+c;"}},
      {"And", "&&", {"if(And(a,b))"}, {"if(a&&b)"}},
      {"SEqual", "S=", {"if(SEqual(s,t))"}, {"if(sS=t)"}},
      {"Equal", "==", {"if(SEqual(s,t))"}, {"if(Ss==t)"}},
      {"And", "&&", {"x=BitAnd(a,b);"}, {"x=Bita&&b;"}},
      {"Pow", "**", {"x=Pow(a,2);"}, {"x=a**2;"}},
      {"GreaterThan", ">", {"if(GreaterThan(a,b))"}, {"if(a>b)"}},
      {"Sum", "+", {"x=GetSum(a);"}, {"x=Geta;"}},
      {"Sum", "+", {"if(Sum (a,b)) x=1;"}, {"if((a,b) x=1;"}},
      {"Sum", "+", {"x=Sum(a,\"b)\");"}, {"x=a+\"b\");"}},
      {"Sum", "+", {"x=sum(a,b);"}, {"x=sum(a,b);"}},
      // Bracket errors leave the list as it was.
      {"Or", "||", {"x=Order;"}, {"x=Order;"}, 0},
      {"Sum", "+", {"x=Sum (a,b);"}, {"x=Sum (a,b);"}, 0},
      {"Sum", "+", {"x=Sum"}, {"x=Sum"}, 0},
      {"Sum", "+", {"x=Sum(a,b);", "y=Sum(c,", "d);"}, {"x=Sum(a,b);", "y=Sum(c,", "d);"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + " on " + testing::PrintToString(c.input));
    LineList lines = c.input;
    const RunResult result = NormalOperator(&lines, c.name, c.op);
    EXPECT_EQ(lines, c.expected);
    EXPECT_EQ(result.changed, c.input != c.expected);
    EXPECT_EQ(result.bracket_error, c.bracket_error);
  }
}

}  // namespace
}  // namespace q9
