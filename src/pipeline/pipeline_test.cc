#include "pipeline/pipeline.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "passes/correct.h"
#include "passes/func_correct.h"
#include "passes/rows_test_util.h"
#include "passes/strict.h"

namespace q9 {
namespace {

// Each row runs only on the lines that held a row's name when the rows began or that an earlier
// row has had; the generated lines form later rows' names, bracket errors and all, through earlier
// rows' rewrites. The plain way: every pass over every line, each row run by run.
TEST(ConvertTest, GeneratedScriptsMatchThePlainWay) {
  ScriptGenerator generator(4242);
  for (int i = 0; i < 3000; ++i) {
    const LineList input = generator.NextList();
    LineList lines = input, expected = input;
    const Conversion conversion = Convert(&lines);
    bool changed = Strict(&expected);
    changed |= Correct(&expected);
    changed |= FuncCorrect(&expected);
    std::vector<std::pair<std::size_t, std::size_t>> errors, expected_errors;
    for (std::size_t r = 0; r < PipelineRows().size(); ++r) {
      const RowOutcome outcome = RunByRun(&expected, PipelineRows()[r]).value();
      changed |= outcome.changed;
      if (outcome.bracket_error) expected_errors.emplace_back(r, *outcome.bracket_error);
    }
    for (const BracketError& e : conversion.bracket_errors) errors.emplace_back(e.row, e.line);
    ASSERT_EQ(std::tie(lines, errors, conversion.changed, conversion.failure),
              std::forward_as_tuple(expected, expected_errors, changed, StageFailure::kNone))
        << "list " << i << ": " << testing::PrintToString(input);
  }
}

// With the directive and the marker already in the script, nothing goes on top,
// and its first line is converted like any other.
TEST(ConvertTest, FirstLineConvertedWhenNothingGoesOnTop) {
  const std::string directive(kStrictDirective), marker(kUpdateMarker);
  LineList lines = {"SetVar(0,Sum(1,2));", directive, marker};
  const Conversion conversion = Convert(&lines);
  EXPECT_TRUE(conversion.changed);
  EXPECT_EQ(lines, (LineList{"Var(0)=1+2;", directive, marker}));
}

// A large script's list of lines is as large as its text: it keeps no room for
// lines it does not have (a list grown by inserts would keep up to twice).
TEST(ConvertTest, TheListKeepsRoomForItsLinesOnly) {
  const std::vector<std::pair<LineList, std::size_t>> cases = {
      // script, lines after
      {{"Init: SetVar(0,1); Hurt(1);", "Timer: Hurt(2);"}, 9},  // split, and with headers
      {LineList(100, "Hurt(1);"), 102},                         // only the two lines on top
  };
  for (const auto& [script, size] : cases) {
    LineList lines = script;
    Convert(&lines);
    EXPECT_EQ(lines.size(), size);
    EXPECT_EQ(lines.capacity(), lines.size());
  }
}

// While armed (> 0), the allocation that counts this down to 0 fails, once.
thread_local long allocations_left = 0;

// Whichever allocation of a conversion fails, the failure is reported and
// nothing else changes: the result is the full conversion or a failure.
TEST(ConvertTest, AnyFailedAllocationIsReported) {
  const LineList input = {"Init: SetVar(0,Sum(1,Mul(2,3)));", "Timer: if(Not(Var(0))) Hurt(1);"};
  LineList expected = input;
  const Conversion plain = Convert(&expected);
  ASSERT_EQ(plain.failure, StageFailure::kNone);
  bool fired = true;
  for (long n = 1; fired; ++n) {
    LineList lines = input;
    allocations_left = n;
    const Conversion conversion = Convert(&lines, {.collect_hazards = true, .track_origin = true});
    fired = allocations_left == 0;
    allocations_left = 0;
    ASSERT_EQ(conversion.failure != StageFailure::kNone, fired) << "allocation " << n;
    EXPECT_TRUE(fired ? conversion.hazards.empty() && conversion.origin.empty() : lines == expected);
  }
}

}  // namespace
}  // namespace q9

// The replaceable global allocation functions, on malloc and free (which the
// compiler would take for a mismatch); the array forms call these.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  if (q9::allocations_left > 0 && --q9::allocations_left == 0) throw std::bad_alloc();
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return ::operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
