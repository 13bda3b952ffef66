#ifndef Q9_HAZARDS_DEAD_STORES_H_
#define Q9_HAZARDS_DEAD_STORES_H_

#include <vector>

#include "syntax/labels.h"
#include "syntax/lexer.h"
#include "syntax/parser.h"

namespace q9 {

// Statements of one function that follow each other with nothing else between
// them: where each starts, and where the last one ends.
struct StatementRun {
  LineViews lines;
  std::vector<Place> starts;
  Place end;
};

// For each statement of |run|, whether all it does is store into variables
// that the statements after it in the run store into again before anything
// reads them. When that holds for a statement before and after a conversion,
// the two can only differ in values that no run of the function can see.
// Conservative: false for a statement with any other effect (an engine call,
// a return, a loop), a variable whose index is not a number, a statement that
// does not parse, or a store that a return, a condition or the run's end may
// still see. A statement that stores nothing counts when a statement follows
// it that parses and can neither return nor store into a variable it cannot
// name. Each statement is parsed once, and the run walked once from its end,
// so a long run takes time in proportion to its length.
std::vector<bool> DeadStores(const StatementRun& run);

// Whether |statement| of |lines| parses and does nothing but store into
// variables it names, if anything: the only kind of statement that DeadStores
// may find dead.
bool OnlyStores(const ParsedStatement& statement, LineViews lines);

}  // namespace q9

#endif  // Q9_HAZARDS_DEAD_STORES_H_
