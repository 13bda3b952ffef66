#ifndef Q9_HAZARDS_CHECK_H_
#define Q9_HAZARDS_CHECK_H_

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <stdexcept>
#include <vector>

#include "hazards/hazard.h"
#include "syntax/labels.h"
#include "syntax/lexer.h"

namespace q9 {

// Where a converted line came from: the index of a line before, or where in
// that line its text began. 32 bits, for a conversion keeps two per line; a
// script too large for them fails as out of memory.
using Origin = std::uint32_t;
// The origin of a line that the conversion added.
inline constexpr Origin kAddedLine = std::numeric_limits<Origin>::max();

// |value| as an Origin; one too large throws std::length_error.
inline Origin ToOrigin(std::size_t value) {
  if (value >= kAddedLine) throw std::length_error("origin");
  return static_cast<Origin>(value);
}

// How the converted lines relate to the lines they came from, as the
// conversion reports it.
struct LineMap {
  std::span<const Origin> origin;              // per converted line: its line before, or kAddedLine
  std::span<const Origin> origin_column;       // ... and where in that line its text began
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
