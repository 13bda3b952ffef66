#ifndef Q9_PASSES_LINEAR_CALLS_H_
#define Q9_PASSES_LINEAR_CALLS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "passes/rows.h"

namespace q9 {

// Buffers that RewriteCallsLinearly reuses from one line to the next.
struct LinearCallsScratch {
  std::vector<std::uint32_t> links;       // see BracketLinks in linear_calls.cc
  std::vector<std::uint32_t> open_stack;  // (open, chain tail) pairs while linking
  std::vector<std::uint32_t> bangs;       // "!=" counts, for the "Not" row
  std::vector<std::uint32_t> commas;
  std::vector<std::uint32_t> edits;  // commas and closing brackets still to rewrite
  std::string out;
};

struct LinearOutcome {
  std::size_t rewrites = 0;
  // The walk met a call it does not take on, the next one to rewrite: |*line|
  // holds the text after |rewrites| runs, and the next run's search starts at
  // |resume_at|, from where the line is left to the plain walk.
  bool stopped = false;
  std::size_t resume_at = 0;
};

// Applies to |*line| what up to |limit| successive runs of |row| do to it, the
// first run's search starting at byte |start| (no occurrence of the name may
// begin before it), as long as each run's call stands in the line as it was
// given: the name, an opening bracket right after it, and that bracket's match
// on the line. Each bracket pair and the commas directly inside it are found once for
// the whole line, and rewritten text is not read again, so the cost is linear
// in the line's length however deeply the calls nest. A call that does not
// qualify (a name formed across a rewrite, a blank or nothing after the name,
// an unmatched bracket) stops the walk before it (see LinearOutcome).
// Requires a non-empty name and a non-empty infix with no bracket or comma
// after its first byte; a line of 2^32 - 2 bytes or more stops at once.
LinearOutcome RewriteCallsLinearly(std::string* line, const CallRow& row, std::size_t limit,
                                   std::size_t start, LinearCallsScratch* scratch);

}  // namespace q9

#endif  // Q9_PASSES_LINEAR_CALLS_H_
