#ifndef Q9_PASSES_ROWS_H_
#define Q9_PASSES_ROWS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "linestore/line_store.h"
#include "passes/line_subset.h"

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
  std::size_t runs = 0;                      // runs the row took, its last one included
  bool changed = false;                      // the list differs from before the row
  std::optional<std::size_t> bracket_error;  // 0-based line of the error that ended the row
};

// Runs a call row until a run changes nothing or meets a bracket error, with
// exactly the result of calling VarFunction again while it returns true (and so
// the list as the last run without a bracket error left it). Later runs visit
// only the lines that earlier runs rewrote, and a line is edited in time linear
// in its length, not per call, also when its calls nest (but for calls whose
// name a rewrite formed, or with a blank or nothing after the name, or left
// unclosed: from the first of those on, each costs a walk over its arguments).
// Like that loop, it ends only when the row's runs do; each rewrite of a row of
// the pipeline shortens the line or uses up a comma, so those rows end. A row with an
// empty name, or whose infix holds '(', ')' or ',' after its first byte (no row
// of the pipeline does), is run the plain way, one VarFunction run after another.
RowOutcome RunCallRow(LineList* lines, const CallRow& row);

// A line's place in a list, in half the room of a size_t: a row over a large
// script keeps one for each line it rewrote.
using LineIndex = std::uint32_t;

// The same row run on only the lines of |*lines| in |holders|, which
// must take in every line that holds |row.name|; the others are left alone, and
// the outcome, bracket_error's line included, is that of the call above. At
// |split_lines| holders or more, their two halves are walked at once. An error
// in the row's first run is looked for before any line is rewritten; after
// that, a walk keeps the texts of the lines it rewrote more than once, to undo
// them after a later bracket error, up to about |undo_bytes|. The lines after
// those are walked on a copy first and rewritten once the row's end is known,
// which costs a second walk over them. The outcome is the same either way.
inline constexpr std::size_t kRowSplitLines = 20000;
inline constexpr std::size_t kRowUndoBytes = std::size_t{1} << 18;
RowOutcome RunCallRow(LineList* lines, const CallRow& row, const LineSubset& holders,
                      std::size_t split_lines = kRowSplitLines,
                      std::size_t undo_bytes = kRowUndoBytes);

// Runs an exchange row until a run changes nothing, with exactly the result of
// calling Exchange again while it returns true. Requires a row that cannot form
// a new occurrence of |find| (|find| non-empty, not inside |replacement|, none
// across its edges, which holds when |replacement| is non-empty and shares no
// byte with |find|); then every occurrence is replaced, left to right, in one
// walk. An empty |find| changes nothing and counts one run (the loop of
// Exchange runs would never end on a non-empty list).
RowOutcome RunExchangeRow(LineList* lines, std::string_view find, std::string_view replacement);

// The same row run on only the lines in |holders|, which must take in every
// line that holds |find|; the outcome is that of the call above.
RowOutcome RunExchangeRow(LineList* lines, std::string_view find, std::string_view replacement,
                          const LineSubset& holders);

}  // namespace q9

#endif  // Q9_PASSES_ROWS_H_
