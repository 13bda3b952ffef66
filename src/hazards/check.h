#ifndef Q9_HAZARDS_CHECK_H_
#define Q9_HAZARDS_CHECK_H_

#include <cstddef>
#include <span>
#include <vector>

#include "hazards/hazard.h"
#include "syntax/labels.h"
#include "syntax/lexer.h"

namespace q9 {

// How the converted lines relate to the lines they came from, as the
// conversion reports it.
struct LineMap {
  std::span<const std::size_t> origin;         // per converted line: its line before, or -1
  std::span<const std::size_t> origin_column;  // ... and where in that line its text began
  std::span<const std::size_t> headers;        // converted lines made function headers
};

// Compares an old-syntax script with its conversion, function by function, by
// what each statement computes (see Meaning), and returns a warning for the
// first statement of a function that computes something else or no longer
// reads as a script, ordered by line; a function this tool cannot read gets a
// kUnchecked warning when its conversion rewrote anything but its header.
// Statements outside every function are never run: they are only checked to
// still read as a script. A conversion of at least |split_lines| lines is
// checked in two halves at once; the warnings are the same either way.
inline constexpr std::size_t kCheckSplitLines = 20000;
Hazards CheckConversion(LineViews before, LineViews after, const LineMap& map,
                        std::size_t split_lines = kCheckSplitLines);
// The same, with TopLevelLabels(before) found already; they are let go of as
// soon as the functions are found, for a large script has many.
Hazards CheckConversion(LineViews before, LineViews after, const LineMap& map,
                        std::vector<Label> labels, std::size_t split_lines = kCheckSplitLines);

}  // namespace q9

#endif  // Q9_HAZARDS_CHECK_H_
