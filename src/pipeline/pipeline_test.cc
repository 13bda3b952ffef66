#include "pipeline/pipeline.h"

#include <gtest/gtest.h>

#include <string>

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
// that an earlier row has had; the generated lines form later rows' names,
// bracket errors and all, through earlier rows' rewrites.
TEST(ConvertTest, GeneratedScriptsMatchThePlainWay) {
  ScriptGenerator generator(4242);
  for (int i = 0; i < 3000; ++i) {
    ASSERT_TRUE(SameAsPlain(generator.NextList())) << "list " << i;
  }
}

}  // namespace
}  // namespace q9
