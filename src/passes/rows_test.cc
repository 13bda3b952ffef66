#include "passes/rows.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
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

CallRow CallOf(const Row& row) { return {row.name, row.prefix, row.text, row.unary}; }

RowOutcome RunRow(LineList* lines, const Row& row) {
  return row.pass == kExchange ? RunExchangeRow(lines, row.name, row.text) : RunCallRow(lines, CallOf(row));
}

std::string Describe(const LineList& lines, const RowOutcome& outcome) {
  return testing::PrintToString(lines) + " runs " + std::to_string(outcome.runs) +
         (outcome.changed ? " changed" : "") + " error " +
         testing::PrintToString(outcome.bracket_error);
}

// Keeps each rewrite told: its line, its ordinal, the line's text before and after.
class Recorder : public RewriteObserver {
 public:
  void Rewrote(const CallRewrite& r) override {
    const std::string before(r.before), after(r.after);
    told.emplace_back(r.line, r.ordinal, before + std::string(r.call) + after,
                      before + std::string(r.prefix) + std::string(r.args) + after);
  }
  std::vector<std::tuple<std::size_t, std::size_t, std::string, std::string>> told;
};

struct Coverage {
  int several_runs = 0, errors_after_change = 0, dropped = 0;
};

// Runs |row| on |*lines| given the lines that hold its name and random others,
// with and without an observer (which takes a call row off its linear walk),
// and checks both against the plain way. With |replay|, also checks that the
// rewrites told with an ordinal below the row's runs, replayed from the text
// before the row, give its result.
void CheckRow(LineList* lines, const Row& row, bool replay, std::mt19937* rng, Coverage* coverage) {
  const LineList input = *lines;
  auto where = [&] { return "row " + std::string(row.name) + " on " + testing::PrintToString(input); };
  std::vector<std::size_t> holders;
  for (std::size_t k = 0; k < lines->size(); ++k) {
    if ((*lines)[k].find(row.name) != std::string::npos || (*rng)() % 3 == 0) holders.push_back(k);
  }
  LineList expected = input, replayed = input, unobserved = input;
  const std::optional<RowOutcome> want = RunByRun(&expected, row);
  ASSERT_TRUE(want) << where() << " never ends";
  Recorder recorder;
  const bool exchange = row.pass == kExchange;
  const RowOutcome got = exchange ? RunExchangeRow(lines, row.name, row.text, holders)
                                  : RunCallRow(lines, CallOf(row), holders, &recorder);
  const RowOutcome fast = exchange ? got : RunCallRow(&unobserved, CallOf(row), holders);
  if (exchange) unobserved = *lines;
  for (const auto& [result, list] : {std::pair(got, *lines), std::pair(fast, unobserved)}) {
    ASSERT_TRUE(result.runs == want->runs && result.changed == want->changed &&
                result.bracket_error == want->bracket_error && list == expected)
        << where() << "\n gave " << Describe(list, result) << "\n want " << Describe(expected, *want);
  }
  coverage->several_runs += got.runs >= 3;
  coverage->errors_after_change += got.bracket_error && got.runs >= 2;
  if (!replay || exchange) return;
  std::vector<std::size_t> next_ordinal(lines->size(), 1);
  for (const auto& [line, ordinal, from, to] : recorder.told) {
    if (ordinal >= got.runs && ++coverage->dropped) continue;
    ASSERT_EQ(ordinal, next_ordinal.at(line)++) << where();
    ASSERT_EQ(from, replayed[line]) << where();
    replayed[line] = to;
  }
  ASSERT_EQ(replayed, *lines) << where();
}

// The pipeline's rows, each on what the rows before it left as in the
// conversion; then rows unlike them, on lists of few distinct bytes too: nothing
// put for a comma, "!=" formed only across a rewrite's edges, a unary Not,
// infixes with brackets (run the plain way), prefix or infix forming the name
// again, an empty name, exchanges of odd texts; first a Not whose '!' meets the
// '=' that an outer call's comma becomes.
TEST(RowsPropertyTest, RowsMatchRunByRun) {
  const std::vector<Row> others = {
      Call("Sum", "", ""),         Call("Not", "!", "="),       Call("Not", "!!", "!=", true),
      Call("Not", "t", "=", true), Call("Not", "!", "!="),      Call("q", "", ")", true),
      Call("Set", "", "x("),       Call("Var", "Var(", ")="),   Call("eq", "e", "q", true),
      Call("", "", "+"),           Call("ab", "", "b"),         Call("ab", "a", "b", true),
      Call("ab", "", ""),          Call("aba", "b", "a"),       Call("ab", "b", "a"),
      {kExchange, "aba", "", "x"}, {kExchange, "!=", "", "<>"}, {kExchange, "Sum", "", "+"}};
  ScriptGenerator generator(20240611);
  std::mt19937 rng(3);
  Coverage coverage;
  for (int i = 0; i < 4000; ++i) {
    LineList lines = generator.NextList();
    for (const Row& row : PipelineRows()) {
      ASSERT_NO_FATAL_FAILURE(CheckRow(&lines, row, true, &rng, &coverage));
    }
    const LineList input = i == 0       ? LineList{"Not(Not(Not(a!),b),c)"}
                           : i % 2 == 0 ? generator.NextList()
                                        : generator.NextList("ababab()))),!=Not");
    for (const Row& row : others) {
      lines = input;
      ASSERT_NO_FATAL_FAILURE(CheckRow(&lines, row, false, &rng, &coverage));
    }
  }
  EXPECT_GT(coverage.several_runs, 3000);
  EXPECT_GT(coverage.errors_after_change, 2000);
  EXPECT_GT(coverage.dropped, 2000);
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

// The pipeline's rows in their order, each with its literal texts; longer
// names go first (BitAnd before And), and a name formed by a later row meets
// the second SetVar row.
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

// Far too many calls, nested or side by side, for a walk over the arguments
// or the line per call.
TEST(RowsTest, ManyCallsInLinearTime) {
  constexpr std::size_t kDepth = 100000;
  auto repeat = [](std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < kDepth; ++i) out += text;
    return out;
  };
  const std::string opens = repeat("Not("), closes = repeat(")");
  struct Case {
    Row row;
    std::string input, expected;
  };
  const Case cases[] = {
      {kSum, "x=" + repeat("Sum(") + "a" + repeat(",b)") + ";", "x=a" + repeat("+b") + ";"},
      {kSum, repeat("Sum(b,") + "a" + closes, repeat("b+") + "a"},
      {kSetVar, repeat("SetVar(1,") + "2" + closes, repeat("Var(1)=") + "2"},
      {kInc, repeat("Inc(") + "i" + closes, "i" + repeat("++")},
      {kNot, "if(" + opens + "x" + closes + ")", "if(" + repeat("!") + "x)"},
      {kNot, opens + "x" + closes + "!=y", "x!=y"},  // the "!=" keeps every '!' out
      {kNot, repeat("Not(x)&") + "a!=b", repeat("x&") + "a!=b"},
  };
  for (const Case& c : cases) {
    LineList lines = {c.input};
    EXPECT_EQ(RunRow(&lines, c.row).runs, kDepth + 1) << c.row.name;
    EXPECT_TRUE(lines == LineList{c.expected}) << c.row.name;
  }
}

}  // namespace
}  // namespace q9
