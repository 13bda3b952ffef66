#ifndef Q9_PASSES_CORRECT_H_
#define Q9_PASSES_CORRECT_H_

#include <string_view>

#include "linestore/line_store.h"

namespace q9 {

// Appends to |*pieces| what repeated sweeps of CorrectLiner with |separator| make
// of the single line |line|, in order: each piece up to and including an accepted
// separator, then the rest, which the guard judges again by its own text.
// Costs time linear in the length of |line|.
void SplitAtSeparators(std::string_view line, char separator, LineList* pieces);

// Puts labels and statements on lines of their own: the list that CorrectLiner
// sweeps with ':' repeated until one changes nothing, then sweeps with ';' the
// same way, would give; reached in one walk per separator.
// Returns true when the list changed. Its room is reserved for about one more
// line per function header (a line with an accepted ':'), which is what
// FuncCorrect adds after it: a large list is moved once, not twice.
bool Correct(LineList* lines);

}  // namespace q9

#endif  // Q9_PASSES_CORRECT_H_
