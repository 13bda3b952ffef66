#ifndef Q9_PASSES_LAYOUT_HAZARDS_H_
#define Q9_PASSES_LAYOUT_HAZARDS_H_

#include <cstddef>
#include <span>
#include <vector>

#include "linestore/line_store.h"
#include "passes/hazard.h"

namespace q9 {

// For each line of |lines|, how much of its start lies inside a block comment
// begun on an earlier line: 0 when none does, std::string_view::npos when the
// whole line does, else the position just after the "*/" that ends it.
// String literals and line comments are read as the script's own syntax does.
std::vector<std::size_t> CommentedPrefixes(const LineList& lines);

// The hazards that Correct will make of |lines| (the list it reads): a split
// inside "::", at the colon of "?:", or inside a block comment that began on an
// earlier line (one warning for each such line). Each hazard's line is its
// index in Correct's result; it quotes what FuncCorrect will leave of the
// piece there, which ends that line: a header's name and "(){", or the piece
// (its column is left at 0). |*covered_headers| receives, in
// rising order, the lines of that result that end in a colon the warnings
// already name, and that FuncCorrect will make headers of.
std::vector<Hazard> SplitHazards(const LineList& lines, std::vector<std::size_t>* covered_headers);

// The lines of |lines| that FuncCorrect makes headers of, in rising order.
std::vector<std::size_t> HeaderLines(const LineList& lines);

// The hazards of the headers FuncCorrect will make of |lines| (the list it
// reads, with |headers| = HeaderLines(lines)) whose text before the colon is
// no plain name, or that stand inside a block comment; those at |covered|
// (rising) are left out. Lines are indices in |lines|; each quotes the
// header's name and "(){" as FuncCorrect will write them at the end of the
// line (its column is left at 0).
std::vector<Hazard> HeaderHazards(const LineList& lines, std::span<const std::size_t> headers,
                                  std::span<const std::size_t> covered);

// Where line |line| of the list FuncCorrect reads stands in its result, given
// that list's |headers|: a "}" goes in above every header but the first.
std::size_t LineAfterHeaders(std::span<const std::size_t> headers, std::size_t line);

}  // namespace q9

#endif  // Q9_PASSES_LAYOUT_HAZARDS_H_
