#ifndef Q9_PIPELINE_PIPELINE_H_
#define Q9_PIPELINE_PIPELINE_H_

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "hazards/check.h"
#include "hazards/hazard.h"
#include "linestore/line_store.h"

namespace q9 {

enum class RowPass { kNormalOperator, kVarFunction, kExchange };

// One row of stages 4 to 6: a pass with fixed literal arguments.
struct Row {
  RowPass pass;
  std::string_view name;    // the call's name, or the exchange's find text
  std::string_view prefix;  // VarFunction only
  std::string_view text;    // operator text, infix, or replacement text
  bool unary = false;       // VarFunction only
};

// The 26 rows in pipeline order.
std::span<const Row> PipelineRows();

// A bracket error that ended a row: |row| indexes PipelineRows(), |line| is the
// 0-based index of the line in the list as that row's failing run read it.
struct BracketError {
  std::size_t row;
  std::size_t line;
};

// Memory ran out during a stage: the conversion stopped there and the list must
// not be written. Stages 2 and 3 have messages of their own; any other stage
// reports kOutOfMemory.
enum class StageFailure { kNone, kCorrect, kFuncCorrect, kOutOfMemory };

struct Conversion {
  StageFailure failure = StageFailure::kNone;
  std::vector<BracketError> bracket_errors;  // in the order the rows met them
  bool changed = false;                      // the list differs from the one given
  // With ConvertOptions::collect_hazards and no failure: every hazard the
  // conversion made, ordered by line, bracket errors included. Else empty.
  Hazards hazards;
  // With ConvertOptions::track_origin and no failure: for every converted line,
  // the 0-based index of the line it came from in the list given, or kAddedLine
  // for the header lines. A closing "}" counts as part of the line above it.
  std::vector<Origin> origin;
  // ... where in that line the converted line's text began (the statement
  // layout cuts lines into pieces; a "}" takes the column of the line above),
  std::vector<Origin> origin_column;
  // ... and the converted lines that the function header stage made headers.
  std::vector<std::size_t> headers;
};

struct ConvertOptions {
  // Also note the hazards. The converted list is the same either way; without
  // them the conversion does no work for them.
  bool collect_hazards = false;
  // Also say where each converted line came from (Conversion::origin).
  bool track_origin = false;
};

// Runs the six stages over |*lines| in memory: Strict, Correct, FuncCorrect, then
// every row in order, each repeated while a run changes something. When
// |failure| is set, |*lines| is unspecified and must be discarded.
Conversion Convert(LineList* lines, const ConvertOptions& options);
Conversion Convert(LineList* lines);  // with the default options

}  // namespace q9

#endif  // Q9_PIPELINE_PIPELINE_H_
