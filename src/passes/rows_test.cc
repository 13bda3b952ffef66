#include "passes/rows.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "passes/exchange.h"
#include "passes/script_generator_test_util.h"
#include "passes/var_function.h"

namespace q9 {
namespace {

// The rows of the conversion, in their order: 13 operator rows, 10 variable
// function rows, 3 exchange rows.
struct TableRow {
  bool exchange;
  CallRow call;  // for an exchange row: name is the find text, infix the replacement
};

const std::vector<TableRow> kPipelineRows = {
    {false, {"BitAnd", "", "&", false}},
    {false, {"And", "", "&&", false}},
    {false, {"Div", "", "/", false}},
    {false, {"Mul", "", "*", false}},
    {false, {"Mod", "", "%", false}},
    {false, {"SEqual", "", "S=", false}},
    {false, {"Equal", "", "==", false}},
    {false, {"GreaterThan", "", ">", false}},
    {false, {"LessThan", "", "<", false}},
    {false, {"Pow", "", "**", false}},
    {false, {"Sub", "", "-", false}},
    {false, {"Sum", "", "+", false}},
    {false, {"Or", "", "||", false}},
    {false, {"SetVar", "Var(", ")=", false}},
    {false, {"AssignVar", "Var(", ")=", false}},
    {false, {"SetGlobal", "Global(", ")=", false}},
    {false, {"SetLocal", "Local(", ")=", false}},
    {false, {"DecVar", "Var(", ")--", true}},
    {false, {"IncVar", "Var(", ")++", true}},
    {false, {"Inc", "", "++", true}},
    {false, {"Dec", "", "--", true}},
    {false, {"Not", "!", "!=", false}},
    {false, {"SetVar", "Var(", ")=", false}},
    {true, {"eq", "", "S=", false}},
    {true, {"IsNewgfx", "", "BarrelConfiguration", false}},
    {true, {"SetSkyFade", "", "BarrelConfiguration", false}},
};

// Enough for every generated list; reaching it means a row that does not end.
constexpr std::size_t kMaxRuns = 10000;

// The row run by run, as the conversion describes it.
std::optional<RowOutcome> CallRowRunByRun(LineList* lines, const CallRow& row) {
  RowOutcome outcome;
  while (outcome.runs < kMaxRuns) {
    ++outcome.runs;
    const RunResult run = VarFunction(lines, row.name, row.prefix, row.infix, row.unary);
    outcome.bracket_error = run.bracket_error;
    if (!run.changed) return outcome;
    outcome.changed = true;
  }
  return std::nullopt;
}

std::optional<RowOutcome> ExchangeRowRunByRun(LineList* lines, std::string_view find,
                                              std::string_view replacement) {
  RowOutcome outcome;
  while (outcome.runs < kMaxRuns) {
    ++outcome.runs;
    if (!Exchange(lines, find, replacement)) return outcome;
    outcome.changed = true;
  }
  return std::nullopt;
}

// Runs |row| both ways on copies of |*lines|, compares, and leaves the result
// in |*lines|.
testing::AssertionResult SameAsRunByRun(LineList* lines, const TableRow& row, RowOutcome* outcome) {
  LineList expected_lines = *lines;
  const LineList input = *lines;
  const std::optional<RowOutcome> expected =
      row.exchange ? ExchangeRowRunByRun(&expected_lines, row.call.name, row.call.infix)
                   : CallRowRunByRun(&expected_lines, row.call);
  if (!expected) return testing::AssertionFailure() << "row " << row.call.name << " never ends";
  *outcome = row.exchange ? RunExchangeRow(lines, row.call.name, row.call.infix)
                          : RunCallRow(lines, row.call);
  if (*lines == expected_lines && outcome->runs == expected->runs &&
      outcome->changed == expected->changed && outcome->bracket_error == expected->bracket_error) {
    return testing::AssertionSuccess();
  }
  auto failure = testing::AssertionFailure();
  failure << "row " << row.call.name << " on " << testing::PrintToString(input) << "\n gave "
          << testing::PrintToString(*lines) << " runs " << outcome->runs << " error "
          << testing::PrintToString(outcome->bracket_error) << "\n want "
          << testing::PrintToString(expected_lines) << " runs " << expected->runs << " error "
          << testing::PrintToString(expected->bracket_error);
  return failure;
}

// How often the generated lists led a row into the cases that matter.
struct Coverage {
  int several_runs = 0;         // three runs or more
  int errors = 0;               // a bracket error ended the row
  int errors_after_change = 0;  // ... after runs that are kept
  void Count(const RowOutcome& outcome) {
    several_runs += outcome.runs >= 3;
    errors += outcome.bracket_error.has_value();
    errors_after_change += outcome.bracket_error.has_value() && outcome.runs >= 2;
  }
};

TEST(RowsPropertyTest, PipelineRowsMatchRunByRun) {
  ScriptGenerator generator(20240611);
  Coverage coverage;
  for (int i = 0; i < 3000; ++i) {
    LineList lines = generator.NextList();
    // Each row works on what the rows before it left, as in the conversion.
    for (const TableRow& row : kPipelineRows) {
      RowOutcome outcome;
      ASSERT_TRUE(SameAsRunByRun(&lines, row, &outcome)) << "list " << i;
      coverage.Count(outcome);
    }
  }
  EXPECT_GT(coverage.several_runs, 1000);
  EXPECT_GT(coverage.errors, 5000);
  EXPECT_GT(coverage.errors_after_change, 500);
}

TEST(RowsPropertyTest, OtherRowsMatchRunByRun) {
  const std::vector<TableRow> rows = {
      {false, {"Sum", "", "", false}},        // nothing inserted for a comma
      {false, {"Not", "!", "=", false}},      // "!=" only across the edges
      {false, {"Not", "!!", "!=", true}},     // unary Not
      {false, {"q", "", ")", true}},          // the unary infix closes brackets
      {false, {"Var", "Var(", ")=", false}},  // the prefix forms the name again
      {false, {"eq", "e", "q", true}},        // so do prefix and infix together
      {false, {"Set", "", "x(", false}},      // a bracket the scan examines
      {false, {"", "", "+", false}},          // empty name
      {true, {"ab", "", "x", false}},        {true, {"!=", "", "<>", false}},
      {true, {"(", "", "[[", false}},        {true, {"Sum", "", "+", false}},
  };
  ScriptGenerator generator(99);
  Coverage coverage;
  for (int i = 0; i < 2000; ++i) {
    const LineList input = generator.NextList();
    for (const TableRow& row : rows) {
      LineList lines = input;
      RowOutcome outcome;
      ASSERT_TRUE(SameAsRunByRun(&lines, row, &outcome)) << "list " << i;
      coverage.Count(outcome);
    }
  }
  EXPECT_GT(coverage.several_runs, 1000);
  EXPECT_GT(coverage.errors_after_change, 500);
}

TEST(RowsPropertyTest, RowsOverFewBytesMatchRunByRun) {
  const std::vector<TableRow> rows = {
      {false, {"ab", "", "b", false}},    {false, {"ab", "a", "b", true}},
      {false, {"ab", "", "", false}},     {false, {"aba", "b", "a", false}},
      {false, {"Not", "!", "!=", false}}, {false, {"Not", "t", "=", true}},
      {true, {"ab", "", "=", false}},     {true, {"Not", "", "(!", false}},
  };
  std::mt19937 rng(5);
  Coverage coverage;
  for (int i = 0; i < 3000; ++i) {
    const LineList input = RandomLines(&rng, "ababab()))),!=Not", 4, 40);
    for (const TableRow& row : rows) {
      LineList lines = input;
      RowOutcome outcome;
      ASSERT_TRUE(SameAsRunByRun(&lines, row, &outcome)) << "list " << i;
      coverage.Count(outcome);
    }
  }
  EXPECT_GT(coverage.several_runs, 1000);
  EXPECT_GT(coverage.errors_after_change, 500);
}

// Given the lines that hold the name, and any others besides, a row has all it
// needs: the rest stay as they are and the outcome is that over the whole list.
TEST(RowsPropertyTest, RowsOnTheLinesThatHoldTheNameMatchTheWholeList) {
  ScriptGenerator generator(777);
  std::mt19937 rng(3);
  for (int i = 0; i < 2000; ++i) {
    const LineList input = generator.NextList();
    for (const TableRow& row : kPipelineRows) {
      std::vector<std::size_t> holders;
      for (std::size_t k = 0; k < input.size(); ++k) {
        if (input[k].find(row.call.name) != std::string::npos || rng() % 3 == 0) {
          holders.push_back(k);
        }
      }
      LineList whole = input;
      LineList part = input;
      const RowOutcome expected = row.exchange
                                      ? RunExchangeRow(&whole, row.call.name, row.call.infix)
                                      : RunCallRow(&whole, row.call);
      const RowOutcome outcome = row.exchange
                                     ? RunExchangeRow(&part, row.call.name, row.call.infix, holders)
                                     : RunCallRow(&part, row.call, holders);
      ASSERT_EQ(part, whole) << "row " << row.call.name << " on " << testing::PrintToString(input);
      ASSERT_EQ(outcome.runs, expected.runs);
      ASSERT_EQ(outcome.changed, expected.changed);
      ASSERT_EQ(outcome.bracket_error, expected.bracket_error);
    }
  }
}

// Records every rewrite a row tells of, with copies of its texts.
class RecordingObserver : public RewriteObserver {
 public:
  struct Rewrite {
    std::size_t line, ordinal;
    std::string before, call, after, written;
  };
  void Rewrote(const CallRewrite& r) override {
    rewrites.push_back({r.line, r.ordinal, std::string(r.before), std::string(r.call),
                        std::string(r.after), std::string(r.prefix) + std::string(r.args)});
  }
  std::vector<Rewrite> rewrites;
};

// The rewrites told with an ordinal below the row's runs, replayed line by line
// from the text before the row, give every step and the final text: each is
// told once, and every rewrite the row keeps is told.
TEST(RowsPropertyTest, ObserverIsToldExactlyTheRewritesKept) {
  ScriptGenerator generator(4242);
  int kept = 0, dropped = 0;
  for (int i = 0; i < 2000; ++i) {
    LineList lines = generator.NextList();
    for (const TableRow& row : kPipelineRows) {
      if (row.exchange) continue;
      std::vector<std::size_t> all(lines.size());
      for (std::size_t k = 0; k < all.size(); ++k) all[k] = k;
      LineList replayed = lines;
      RecordingObserver observer;
      const RowOutcome outcome = RunCallRow(&lines, row.call, all, &observer);
      std::vector<std::size_t> next_ordinal(lines.size(), 1);
      for (const RecordingObserver::Rewrite& r : observer.rewrites) {
        if (r.ordinal >= outcome.runs) {
          ++dropped;
          continue;
        }
        ++kept;
        ASSERT_LT(r.line, lines.size());
        ASSERT_EQ(r.ordinal, next_ordinal[r.line]++) << "row " << row.call.name;
        ASSERT_EQ(r.before + r.call + r.after, replayed[r.line]) << "row " << row.call.name;
        replayed[r.line] = r.before + r.written + r.after;
      }
      ASSERT_EQ(replayed, lines) << "row " << row.call.name << " list " << i;
    }
  }
  EXPECT_GT(kept, 5000);
  EXPECT_GT(dropped, 50);
}

struct RowCase {
  CallRow row;
  LineList input;
  LineList expected;
  std::size_t runs;
  std::optional<std::size_t> bracket_error;
};

const CallRow kSum{"Sum", "", "+", false};
const CallRow kSetVar{"SetVar", "Var(", ")=", false};
const CallRow kNot{"Not", "!", "!=", false};

TEST(RunCallRowTest, Examples) {
  const std::vector<RowCase> cases = {
      {kSum, {"x=Sum(a,b)+Sum(c,d);"}, {"x=a+b+c+d;"}, 3, std::nullopt},
      {kSum, {"x=Sum(Sum(a,b),c);"}, {"x=a+b+c;"}, 3, std::nullopt},
      {kSum, {"x=GetSum(a);", "y=1;"}, {"x=Geta;", "y=1;"}, 2, std::nullopt},
      {kSum, {"x=1;"}, {"x=1;"}, 1, std::nullopt},
      {kSum, {}, {}, 1, std::nullopt},
      {kSum, {"x=Sum(a,b);", "y=Sum(c,", "d);"}, {"x=Sum(a,b);", "y=Sum(c,", "d);"}, 1, 1},
      // Line 1 fails in run 2, so line 0 keeps only what run 1 did to it.
      {kSum,
       {"x=Sum(a,b)+Sum(c,d)+Sum(e,f);", "y=Sum(a,b)+Sum(c"},
       {"x=a+b+Sum(c,d)+Sum(e,f);", "y=a+b+Sum(c"},
       2,
       1},
      // Line 0 would fail in run 3, but line 1 fails in run 2 first.
      {kSum, {"Sum(a,b)+Sum(c,d)+Sum(", "Sum(a,b)+Sum("}, {"a+b+Sum(c,d)+Sum(", "a+b+Sum("}, 2, 1},
      // Two lines fail in the same run: the first one is reported.
      {kSum, {"Sum(a,b)+Sum(", "Sum(a,b)+Sum("}, {"a+b+Sum(", "a+b+Sum("}, 2, 0},
      {kNot,
       {"if(Not(x)) y=a!=b;", "x=Not(Not(y));", "Not(a,b)+Not(c)"},
       {"if(x) y=a!=b;", "x=!!y;", "a!=b+c"},
       3,
       std::nullopt},
      {{"IncVar", "Var(", ")++", true}, {"IncVar(1,2);"}, {"Var(1)++2)++;"}, 2, std::nullopt},
      {{"Inc", "", "++", true}, {"Inc();Inc();"}, {"++;++;"}, 3, std::nullopt},
      {{"Inc", "", "++", true}, {"x=Incoming;"}, {"x=Incoming;"}, 1, 0},
      // A rewrite can complete a name that begins before the call.
      {kSum, {"SuSum(m,x)"}, {"Sum+x"}, 2, 0},
      {kSetVar, {"SetSetVar(0,1)"}, {"Var(0=1"}, 3, std::nullopt},
      {kSetVar, {"SetVar(0,SetVar(1,2));"}, {"Var(0)=Var(1)=2;"}, 3, std::nullopt},
      {kSetVar, {"SetVar(0,f(1));\r"}, {"Var(0)=f(1);\r"}, 2, std::nullopt},
  };
  for (const RowCase& c : cases) {
    SCOPED_TRACE(std::string(c.row.name) + " on " + testing::PrintToString(c.input));
    LineList lines = c.input;
    const RowOutcome outcome = RunCallRow(&lines, c.row);
    EXPECT_EQ(lines, c.expected);
    EXPECT_EQ(outcome.runs, c.runs);
    EXPECT_EQ(outcome.changed, c.input != c.expected);
    EXPECT_EQ(outcome.bracket_error, c.bracket_error);
  }
}

std::string Repeat(std::string_view text, std::size_t times) {
  std::string out;
  out.reserve(text.size() * times);
  for (std::size_t i = 0; i < times; ++i) out += text;
  return out;
}

// Lines far too long for a walk over the whole line per call to finish.
TEST(RunCallRowTest, LongLinesOfSideBySideCalls) {
  constexpr std::size_t kCalls = 200000;
  struct LongCase {
    CallRow row;
    std::string input;
    std::string expected;
  };
  const std::vector<LongCase> cases = {
      {kSum, Repeat("Sum(a,b)+", kCalls), Repeat("a+b+", kCalls)},
      {kSetVar, Repeat("SetVar(0,1);", kCalls), Repeat("Var(0)=1;", kCalls)},
      {kNot, Repeat("Not(x)&", kCalls), Repeat("!x&", kCalls)},
      {kNot, Repeat("Not(x)&", kCalls) + "a!=b", Repeat("x&", kCalls) + "a!=b"},
      {kNot, Repeat("Not(a,b)&", kCalls), Repeat("a!=b&", kCalls)},
  };
  for (const LongCase& c : cases) {
    SCOPED_TRACE(c.input.substr(0, 20));
    LineList lines = {c.input, "x=1;"};
    const RowOutcome outcome = RunCallRow(&lines, c.row);
    EXPECT_TRUE(lines[0] == c.expected);
    EXPECT_EQ(lines[1], "x=1;");
    EXPECT_EQ(outcome.runs, kCalls + 1);
    EXPECT_FALSE(outcome.bracket_error);
  }
}

TEST(RunCallRowTest, DeeplyNestedCalls) {
  constexpr std::size_t kDepth = 2000;
  LineList lines = {Repeat("Sum(", kDepth) + "a" + Repeat(",b)", kDepth)};
  const RowOutcome outcome = RunCallRow(&lines, kSum);
  EXPECT_EQ(lines[0], "a" + Repeat("+b", kDepth));
  EXPECT_EQ(outcome.runs, kDepth + 1);
}

TEST(RunExchangeRowTest, Examples) {
  struct ExchangeCase {
    std::string find;
    std::string replacement;
    LineList input;
    LineList expected;
    std::size_t runs;
  };
  const std::vector<ExchangeCase> cases = {
      {"eq", "S=", {"if(a eq b) return(1);"}, {"if(a S= b) return(1);"}, 2},
      {"eq", "S=", {"x eq y eq z", "Request"}, {"x S= y S= z", "RS=uest"}, 3},
      {"eq", "S=", {"eqeqeq\r"}, {"S=S=S=\r"}, 4},
      {"eq", "S=", {"EQ Eq"}, {"EQ Eq"}, 1},
      {"eq", "S=", {}, {}, 1},
      {"aa", "b", {"aaaaa"}, {"bba"}, 3},
      {"SetSkyFade",
       "BarrelConfiguration",
       {"SetSkyFade(0,0,0);"},
       {"BarrelConfiguration(0,0,0);"},
       2},
  };
  for (const ExchangeCase& c : cases) {
    SCOPED_TRACE(c.find + " on " + testing::PrintToString(c.input));
    LineList lines = c.input;
    const RowOutcome outcome = RunExchangeRow(&lines, c.find, c.replacement);
    EXPECT_EQ(lines, c.expected);
    EXPECT_EQ(outcome.runs, c.runs);
    EXPECT_EQ(outcome.changed, c.input != c.expected);
    EXPECT_FALSE(outcome.bracket_error);
  }
}

}  // namespace
}  // namespace q9
