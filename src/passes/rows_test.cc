#include "passes/rows.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "passes/rows_test_util.h"

namespace q9 {
namespace {

using enum RowPass;

Row Call(std::string_view name, std::string_view prefix, std::string_view infix, bool unary = false) {
  return {kVarFunction, name, prefix, infix, unary};
}

RowOutcome RunRow(LineList* lines, const Row& row) {
  if (row.pass == kExchange) return RunExchangeRow(lines, row.name, row.text);
  return RunCallRow(lines, {row.name, row.prefix, row.text, row.unary});
}

const Row kSum{kNormalOperator, "Sum", "", "+"};
const Row kSetVar = Call("SetVar", "Var(", ")=");
const Row kNot = Call("Not", "!", "!=");
const Row kInc = Call("Inc", "", "++", true);
const Row kEq{kExchange, "eq", "", "S="};

// Rows run by run: each run rewrites the first call of the name on every line
// that holds it (the name's bytes are dropped up to and including the byte
// after them, commas at depth 0 up to the first unmatched ')' become the infix,
// that ')' becomes the infix in unary rows and goes otherwise, the prefix goes
// in front unless the Not row meets "!=" on the line); an exchange replaces the
// first occurrence per line. A run that meets no closing bracket keeps nothing.
TEST(RowsTest, EachRunRewritesTheFirstCallOfEveryLine) {
  struct Case {
    Row row;
    LineList input;
    std::vector<LineList> states;  // after each run that changed the list
    std::optional<std::size_t> bracket_error = {};
  };
  const std::vector<Case> cases = {
      {kSum, {"x=Sum(a,b)+Sum(c,d);", "y", "Sum(Sum(e,f),g)"},
       {{"x=a+b+Sum(c,d);", "y", "Sum(e,f)+g"}, {"x=a+b+c+d;", "y", "e+f+g"}}},
      {kSum, {"x=Sum(f(a,b),c,\"d)\");", "GetSum(a)"}, {{"x=f(a,b)+c+\"d\");", "Geta"}}},
      {kSum, {"if(Sum (a,b)) x=Sum();"}, {{"if((a,b) x=Sum();"}, {"if((a,b) x=;"}}},
      {kSum, {"x=sum(a,b);", "Sum(a,b)+Sum("}, {{"x=sum(a,b);", "a+b+Sum("}}, 1},
      {kSum, {"SuSum(m,x)"}, {{"Sum+x"}}, 0},
      {kSum, {"x=Sum"}, {}, 0},  // a rewrite completes a name begun before it
      {{kNormalOperator, "X", "", "&&"}, {"X([a,b],c)"}, {{"[a&&b]&&c"}}},
      {kSetVar, {"SetVar(0,SetVar(1,2));\r"}, {{"Var(0)=SetVar(1,2);\r"}, {"Var(0)=Var(1)=2;\r"}}},
      {kNot, {"if(Not(x)) y=a!=b;", "Not(a,b)+Not(c)"},
       {{"if(x) y=a!=b;", "a!=b+Not(c)"}, {"if(x) y=a!=b;", "a!=b+c"}}},
      {Call("IncVar", "Var(", ")++", true), {"IncVar(1,2);", "IncVar();"},
       {{"Var(1)++2)++;", "Var()++;"}}},
      {kInc, {"Inc(Var(0));Inc();"}, {{"Var(0)++;Inc();"}, {"Var(0)++;++;"}}},
      {kInc, {"Inc(a)", "Inc(b)", "Inc("}, {}, 2},
      {Call("X", "", "x)"), {"X(a,b)"}, {{"axb)"}}},  // the infix is scanned from its second byte
      {Call("X", "", "x("), {"X(a,b)"}, {}, 0},
      {Call("X", "", ""), {"X(a,)b)", "X(a,,b)"}, {{"a)b", "a,b"}}},  // the byte after a comma
      {kEq, {"x eq y eq z", "Request", "EQ Eq"}, {{"x S= y eq z", "RS=uest", "EQ Eq"},
                                                  {"x S= y S= z", "RS=uest", "EQ Eq"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.row.name) + " on " + testing::PrintToString(c.input));
    LineList lines = c.input;
    std::vector<LineList> states;
    RunResult run;
    while ((run = RunOnce(&lines, c.row)).changed && states.size() < 10) states.push_back(lines);
    EXPECT_EQ(states, c.states);
    EXPECT_EQ(run.bracket_error, c.bracket_error);
  }
}

// The pipeline's rows in their order, each with its literal texts; longer names go first (BitAnd
// before And), and a name formed by a later row meets the second SetVar row.
TEST(RowsTest, PipelineRowsInTheirOrder) {
  LineList lines = {"BitAnd(a,b)",    "And(a,b)",       "Div(a,b)",        "Mul(a,b)",
                    "Mod(a,b)",       "SEqual(a,b)",    "Equal(a,b)",      "GreaterThan(a,b)",
                    "LessThan(a,b)",  "Pow(a,b)",       "Sub(a,b)",        "Sum(a,b)",
                    "Or(a,b)",        "SetVar(0,a)",    "AssignVar(0,a)",  "SetGlobal(0,a)",
                    "SetLocal(0,a)",  "DecVar(0)",      "IncVar(0)",       "Inc(x)",
                    "Dec(x)",         "Not(x)",         "x!=y SeNot(t)Var(0,1)", "a eq b",
                    "IsNewgfx()",     "SetSkyFade(1)"};
  for (const Row& row : PipelineRows()) RunRow(&lines, row);
  EXPECT_EQ(lines, (LineList{"a&b", "a&&b", "a/b", "a*b", "a%b", "aS=b", "a==b", "a>b", "a<b",
                             "a**b", "a-b", "a+b", "a||b", "Var(0)=a", "Var(0)=a", "Global(0)=a",
                             "Local(0)=a", "Var(0)--", "Var(0)++", "x++", "x--", "!x",
                             "x!=y Var(0)=1", "a S= b", "BarrelConfiguration()",
                             "BarrelConfiguration(1)"}));
}

// Lines walked in two halves at once, or with no room (or little) to undo
// rewrites, give what one walk over all of them gives, bracket errors on either
// side included: the row run by run, as a row that cannot be walked is.
TEST(RowsTest, HalvesAndDryWalksAsOneWalk) {
  struct Walk {
    std::size_t split_lines;
    std::size_t undo_bytes;
  };
  constexpr Walk kWalks[] = {{2, kRowUndoBytes}, {2, 0}, {2, 12}, {100, 0}, {100, 12}};
  ScriptGenerator generator(20261208);
  for (int i = 0; i < 1000; ++i) {
    const LineList input = generator.NextList();
    LineBits holders(input.size());
    for (std::size_t line = 0; line < input.size(); ++line) holders.Add(line);
    std::vector<Row> rows(PipelineRows().begin(), PipelineRows().end());
    rows.push_back(Call("Sum", "", "+("));  // an infix the walk cannot skip: run by run
    rows.push_back(Call("Sum", "", ""));    // no infix: the byte after a comma goes unread
    for (const Row& row : rows) {
      if (row.pass == kExchange) continue;
      LineList expected = input;
      const RowOutcome plain = RunByRun(&expected, row).value();
      for (const auto [split_lines, undo_bytes] : kWalks) {
        if (split_lines == 2 && i % 8 != 0) continue;  // threads are slow to start
        LineList lines = input;
        const RowOutcome outcome = RunCallRow(&lines, {row.name, row.prefix, row.text, row.unary},
                                              LineSubset(holders), split_lines, undo_bytes);
        ASSERT_EQ(std::tie(lines, outcome.runs, outcome.changed, outcome.bracket_error),
                  std::tie(expected, plain.runs, plain.changed, plain.bracket_error))
            << row.name << " on " << testing::PrintToString(input) << ", split at " << split_lines
            << ", undo " << undo_bytes;
      }
    }
  }
}

// Far too many calls, nested or side by side, for a walk over the arguments
// or the line per call.
TEST(RowsTest, ManyCallsInLinearTime) {
  constexpr std::size_t kDepth = 200000;
  auto repeat = [](std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < kDepth; ++i) out += text;
    return out;
  };
  const std::string opens = repeat("Not("), closes = repeat(")");
  const std::tuple<Row, std::string, std::string> cases[] = {
      {kSum, "x=" + repeat("Sum(") + "a" + repeat(",b)") + ";", "x=a" + repeat("+b") + ";"},
      {kSum, repeat("Sum(b,") + "a" + closes, repeat("b+") + "a"},
      {kSetVar, repeat("SetVar(1,") + "2" + closes, repeat("Var(1)=") + "2"},
      {kInc, repeat("Inc(") + "i" + closes, "i" + repeat("++")},
      {kNot, "if(" + opens + "x" + closes + ")", "if(" + repeat("!") + "x)"},
      {kNot, opens + "x" + closes + "!=y", "x!=y"},  // the "!=" keeps every '!' out
      {kNot, repeat("Not(x)&") + "a!=b", repeat("x&") + "a!=b"},
  };
  for (const auto& [row, input, expected] : cases) {
    LineList lines = {input};
    EXPECT_EQ(RunRow(&lines, row).runs, kDepth + 1) << row.name;
    EXPECT_TRUE(lines == LineList{expected}) << row.name;
  }
}

}  // namespace
}  // namespace q9
