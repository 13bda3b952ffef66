#ifndef Q9_PASSES_CORRECT_LINER_H_
#define Q9_PASSES_CORRECT_LINER_H_

#include <cstddef>
#include <string_view>

#include "linestore/line_store.h"

namespace q9 {

// The separator guard. Returns the position of the first |separator| in |line|
// when it counts, std::string_view::npos when the line has none or when one of
// the markers "//", "/*", '"' or '[' starts at a smaller position (first
// occurrences only; a separator at position 0 always counts).
std::size_t AcceptedSeparator(std::string_view line, char separator);

// One splitting sweep: every line whose first |separator| the guard accepts and
// that has text after it is cut after the separator, the text after it becoming a
// new line directly below. New lines are not examined again in the same sweep.
// The pieces of a cut line, joined, give the line back.
LineList CorrectLiner(LineList lines, char separator);

}  // namespace q9

#endif  // Q9_PASSES_CORRECT_LINER_H_
