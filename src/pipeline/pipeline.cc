#include "pipeline/pipeline.h"

#include <array>
#include <new>
#include <stdexcept>

#include "passes/correct.h"
#include "passes/func_correct.h"
#include "passes/rows.h"
#include "passes/strict.h"

namespace q9 {
namespace {

using enum RowPass;

// Where one row's name lies inside another's, the longer name comes first
// (BitAnd before And, SEqual before Equal, DecVar before Dec, IncVar before Inc).
constexpr std::array<Row, 26> kRows = {{
    {kNormalOperator, "BitAnd", "", "&"},
    {kNormalOperator, "And", "", "&&"},
    {kNormalOperator, "Div", "", "/"},
    {kNormalOperator, "Mul", "", "*"},
    {kNormalOperator, "Mod", "", "%"},
    {kNormalOperator, "SEqual", "", "S="},
    {kNormalOperator, "Equal", "", "=="},
    {kNormalOperator, "GreaterThan", "", ">"},
    {kNormalOperator, "LessThan", "", "<"},
    {kNormalOperator, "Pow", "", "**"},
    {kNormalOperator, "Sub", "", "-"},
    {kNormalOperator, "Sum", "", "+"},
    {kNormalOperator, "Or", "", "||"},
    {kVarFunction, "SetVar", "Var(", ")=", false},
    {kVarFunction, "AssignVar", "Var(", ")=", false},
    {kVarFunction, "SetGlobal", "Global(", ")=", false},
    {kVarFunction, "SetLocal", "Local(", ")=", false},
    {kVarFunction, "DecVar", "Var(", ")--", true},
    {kVarFunction, "IncVar", "Var(", ")++", true},
    {kVarFunction, "Inc", "", "++", true},
    {kVarFunction, "Dec", "", "--", true},
    {kVarFunction, "Not", "!", "!=", false},
    // SetVar once more, as a row of its own: calls that the first SetVar row
    // left behind get a second chance after the rows in between have run.
    {kVarFunction, "SetVar", "Var(", ")=", false},
    {kExchange, "eq", "", "S="},
    {kExchange, "IsNewgfx", "", "BarrelConfiguration"},
    {kExchange, "SetSkyFade", "", "BarrelConfiguration"},
}};

RowOutcome RunRow(const Row& row, LineList* lines) {
  if (row.pass == kExchange) return RunExchangeRow(lines, row.name, row.text);
  return RunCallRow(lines, CallRow{row.name, row.prefix, row.text, row.unary});
}

// The passes can only fail by running out of memory; that is turned into a
// value here so that the caller writes nothing and reports it.
template <typename Stage>
bool RunGuarded(Stage stage) {
  try {
    stage();
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
}

void RunRows(LineList* lines, Conversion* result) {
  for (std::size_t i = 0; i < kRows.size(); ++i) {
    RowOutcome outcome = RunRow(kRows[i], lines);
    result->changed |= outcome.changed;
    if (outcome.bracket_error) result->bracket_errors.push_back({i, *outcome.bracket_error});
  }
}

}  // namespace

std::span<const Row> PipelineRows() { return kRows; }

Conversion Convert(LineList* lines) {
  Conversion result;
  bool& changed = result.changed;
  if (!RunGuarded([&] { changed |= Strict(lines); })) {
    result.failure = StageFailure::kOutOfMemory;
  } else if (!RunGuarded([&] { changed |= Correct(lines); })) {
    result.failure = StageFailure::kCorrect;
  } else if (!RunGuarded([&] { changed |= FuncCorrect(lines); })) {
    result.failure = StageFailure::kFuncCorrect;
  } else if (!RunGuarded([&] { RunRows(lines, &result); })) {
    result.failure = StageFailure::kOutOfMemory;
  }
  return result;
}

}  // namespace q9
