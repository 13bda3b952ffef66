#include "pipeline/pipeline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "passes/correct.h"
#include "passes/func_correct.h"
#include "passes/rows_test_util.h"
#include "passes/strict.h"

namespace q9 {
namespace {

// Convert against the stages the plain way: every pass over every line, each
// row's single runs repeated while they change something.
testing::AssertionResult SameAsPlain(const LineList& input) {
  LineList lines = input, expected = input;
  const Conversion conversion = Convert(&lines);
  bool changed = Strict(&expected);
  changed |= Correct(&expected);
  changed |= FuncCorrect(&expected);
  std::string errors, expected_errors;
  for (std::size_t r = 0; r < PipelineRows().size(); ++r) {
    const RowOutcome outcome = RunByRun(&expected, PipelineRows()[r]).value();
    changed |= outcome.changed;
    if (outcome.bracket_error) expected_errors += std::to_string(r) + ":" + std::to_string(*outcome.bracket_error) + " ";
  }
  for (const BracketError& e : conversion.bracket_errors) errors += std::to_string(e.row) + ":" + std::to_string(e.line) + " ";
  if (lines == expected && conversion.changed == changed && conversion.failure == StageFailure::kNone &&
      errors == expected_errors) {
    return testing::AssertionSuccess();
  }
  return testing::AssertionFailure() << "on " << testing::PrintToString(input) << "\n gave "
                                     << testing::PrintToString(lines) << " " << errors << "\n want "
                                     << testing::PrintToString(expected) << " " << expected_errors;
}

// Each row runs only on the lines that held a row's name when the rows began or
// that an earlier row has had; a rewrite can form a later row's name, and such
// lines must still reach that row.
TEST(ConvertTest, NamesFormedByEarlierRowsAreStillRewritten) {
  const std::vector<LineList> cases = {
      {"x=Se", "y=Sum(1,Se)tVar(0,1);"},       // Sum leaves "SetVar(0,1)"
      {"N Mul(a,o)t(x)", "if(Sub(N,ot)(y))"},  // "Not(x)" and "Not(y)" appear
      {"Equal(e,q)", "Sum(I,sNewgfx)"},        // an exchange's find text appears
      {"Sum(Sum(a,S),um(b,c))"},               // the row's own name, formed again
      {"SetVar(0,Inc(Var(1)))", "x=Sum(Sum(1,2),Sum(3,4",
       "Initialize: SetVar(0,1); return(1);"},  // a bracket error beside good calls
      {std::string(kUpdateMarker) + " Sum(a,b)"},  // nothing added above the first line
  };
  for (const LineList& input : cases) {
    SCOPED_TRACE(testing::PrintToString(input));
    EXPECT_TRUE(SameAsPlain(input));
  }
}

TEST(ConvertTest, GeneratedScriptsMatchThePlainWay) {
  ScriptGenerator generator(4242);
  for (int i = 0; i < 3000; ++i) {
    ASSERT_TRUE(SameAsPlain(generator.NextList())) << "list " << i;
  }
}

TEST(ConvertTest, ReportsBracketErrorsByRowAndLine) {
  LineList lines = {"#strict", "x=Sum(a,b", "y=Not(c"};
  const Conversion conversion = Convert(&lines);
  EXPECT_TRUE(conversion.origin.empty() && conversion.hazards.empty());  // not asked for
  std::string seen;
  for (const BracketError& e : conversion.bracket_errors) seen += std::string(PipelineRows()[e.row].name) + std::to_string(e.line);
  EXPECT_EQ(seen, "Sum2Not3");  // below the marker Strict added
}

TEST(LineOriginTest, EachConvertedLineNamesTheLineItCameFrom) {
  LineList lines = {"// top", "Init: SetVar(0,1); return(1);", "", "Timer: IncVar(0);"};
  const Conversion conversion = Convert(&lines, {.track_origin = true});
  const std::vector<std::size_t> expected = {
      kAddedLine, kAddedLine, 0,  // marker, #strict, comment
      1, 1, 1, 2, 2,              // header, two statements, the empty line and "}"
      3, 3, 3};                   // header, statement, the closing "}"
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[7], "}");
  EXPECT_EQ(conversion.origin, expected);
  EXPECT_EQ(conversion.headers, (std::vector<std::size_t>{3, 8}));
  EXPECT_EQ(conversion.origin_column,
            (std::vector<std::size_t>{0, 0, 0, 0, 5, 18, 0, 0, 0, 6, 6}));
}

}  // namespace
}  // namespace q9
