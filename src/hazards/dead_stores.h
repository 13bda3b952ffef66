#ifndef Q9_HAZARDS_DEAD_STORES_H_
#define Q9_HAZARDS_DEAD_STORES_H_

#include <vector>

#include "syntax/labels.h"
#include "syntax/lexer.h"

namespace q9 {

// The statements of one function from one that a conversion changed to the
// function's end: where each starts, and where the last one ends.
struct StatementRun {
  LineViews lines;
  std::vector<Place> starts;
  Place end;
};

// Whether the first statement of |before| and of |after| can only differ in
// values that they store into variables that the statements after them store
// into again before anything reads them: then no run of the function can tell
// the two apart. Conservative: false for a statement with any other effect
// (an engine call, a return, a loop), a variable whose index is not a number,
// or a store that a return, a condition or the function's end may still see.
bool OnlyDeadStoresDiffer(const StatementRun& before, const StatementRun& after);

}  // namespace q9

#endif  // Q9_HAZARDS_DEAD_STORES_H_
