#ifndef Q9_PASSES_ROWS_H_
#define Q9_PASSES_ROWS_H_

#include <cstddef>
#include <optional>
#include <string_view>

#include "linestore/line_store.h"

namespace q9 {

// A call-rewriting row. An operator row is the row {name, "", op, false}:
// NormalOperator(name, op) and VarFunction(name, "", op, false) are the same run.
struct CallRow {
  std::string_view name;
  std::string_view prefix;
  std::string_view infix;
  bool unary = false;
};

// What running a row to its end did.
struct RowOutcome {
  std::size_t runs = 0;                     // runs the row took, its last one included
  bool changed = false;                     // the list differs from before the row
  std::optional<std::size_t> bracket_error; // 0-based line of the error that ended the row
};

// Runs a call row until a run changes nothing or meets a bracket error, with
// exactly the result of calling VarFunction again while it returns true (and so
// the list as the last run without a bracket error left it). Later runs visit
// only the lines that earlier runs rewrote, and a line with many calls is edited
// in time linear in its length, not per call.
RowOutcome RunCallRow(LineList* lines, const CallRow& row);

// Runs an exchange row until a run changes nothing, with exactly the result of
// calling Exchange again while it returns true. Requires a row that cannot form
// a new occurrence of |find| (|find| non-empty, not inside |replacement|, none
// across its edges); then every occurrence is replaced, left to right, in one walk.
RowOutcome RunExchangeRow(LineList* lines, std::string_view find, std::string_view replacement);

}  // namespace q9

#endif  // Q9_PASSES_ROWS_H_
