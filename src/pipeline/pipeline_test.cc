#include "pipeline/pipeline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "passes/correct.h"
#include "passes/exchange.h"
#include "passes/func_correct.h"
#include "passes/script_generator_test_util.h"
#include "passes/strict.h"
#include "passes/var_function.h"
#include "pipeline/convert_file.h"

namespace q9 {
namespace {

// The stages the plain way: every pass over every line, each row's single runs
// repeated while they change something.
Conversion PlainConversion(LineList* lines) {
  Conversion result;
  result.changed |= Strict(lines);
  result.changed |= Correct(lines);
  result.changed |= FuncCorrect(lines);
  const std::span<const Row> rows = PipelineRows();
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const Row& row = rows[r];
    if (row.pass == RowPass::kExchange) {
      while (Exchange(lines, row.name, row.text)) result.changed = true;
      continue;
    }
    for (;;) {
      const RunResult run = VarFunction(lines, row.name, row.prefix, row.text, row.unary);
      if (run.bracket_error) result.bracket_errors.push_back({r, *run.bracket_error});
      if (!run.changed) break;
      result.changed = true;
    }
  }
  return result;
}

testing::AssertionResult SameAsPlain(const LineList& input) {
  LineList lines = input;
  const Conversion conversion = Convert(&lines);
  LineList expected_lines = input;
  const Conversion expected = PlainConversion(&expected_lines);
  bool same = lines == expected_lines && conversion.changed == expected.changed &&
              conversion.failure == StageFailure::kNone &&
              conversion.bracket_errors.size() == expected.bracket_errors.size();
  for (std::size_t k = 0; same && k < expected.bracket_errors.size(); ++k) {
    same = conversion.bracket_errors[k].row == expected.bracket_errors[k].row &&
           conversion.bracket_errors[k].line == expected.bracket_errors[k].line;
  }
  if (same) return testing::AssertionSuccess();
  return testing::AssertionFailure()
         << "on " << testing::PrintToString(input) << "\n gave " << testing::PrintToString(lines)
         << "\n want " << testing::PrintToString(expected_lines);
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

// A script that cannot be read is neither converted nor saved.
TEST(ConvertFileTest, NothingReadNothingWritten) {
  const FileConversion result = ConvertFile("/");  // a folder
  EXPECT_FALSE(result.read.ok());
  EXPECT_FALSE(result.written);
}

TEST(ConvertTest, ReportsBracketErrorsByRowAndLine) {
  LineList lines = {"#strict", "x=Sum(a,b", "y=Not(c"};
  const Conversion conversion = Convert(&lines);
  ASSERT_EQ(conversion.bracket_errors.size(), 2u);
  EXPECT_TRUE(conversion.origin.empty() && conversion.hazards.empty());  // not asked for
  EXPECT_EQ(PipelineRows()[conversion.bracket_errors[0].row].name, "Sum");
  EXPECT_EQ(conversion.bracket_errors[0].line, 2u);  // below the marker Strict added
  EXPECT_EQ(PipelineRows()[conversion.bracket_errors[1].row].name, "Not");
  EXPECT_EQ(conversion.bracket_errors[1].line, 3u);
}

}  // namespace
}  // namespace q9

namespace q9 {
namespace {

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
