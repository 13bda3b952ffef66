#ifndef Q9_SAFE_LAYOUT_H_
#define Q9_SAFE_LAYOUT_H_

#include <cstddef>
#include <vector>

#include "hazards/check.h"
#include "linestore/line_store.h"

namespace q9 {

// What the safe layout did, in the terms of the conversion's line map.
struct SafeLayout {
  std::vector<Origin> origin;              // per line: its line before, or kAddedLine
  std::vector<Origin> origin_column;       // ... and where in that line its text began
  std::vector<std::size_t> headers;        // the lines that are function headers now
};

// The header, statement layout and function header stages of the
// conversion, done on tokens: the same bytes as those stages give where they
// read the script right, and otherwise what they meant.
// - The update marker and "#strict" go on top as the header stage puts them.
// - A line is cut after every label's colon (a label as the script model has
//   it; no other colon), and then, piece by piece, after its first ";" as long
//   as the guard of the statement layout accepts it - except where only
//   blanks, a comment or the line's CR would follow. A label never shares its
//   line with a statement before it.
// - Every label becomes " func Name(){" as the function header stage writes
//   it (blanks between the name and its colon dropped), with a "}" above every
//   header but the first and one at the end.
// - In a script whose lines end in CR LF, every line it cuts or adds ends in
//   CR LF too.
SafeLayout LayOutSafely(LineList* lines);

}  // namespace q9

#endif  // Q9_SAFE_LAYOUT_H_
