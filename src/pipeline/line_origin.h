#ifndef Q9_PIPELINE_LINE_ORIGIN_H_
#define Q9_PIPELINE_LINE_ORIGIN_H_

#include <cstddef>
#include <vector>

#include "hazards/check.h"
#include "linestore/line_store.h"

namespace q9 {

// Where each line of a list came from: an index into an earlier list, or
// kAddedLine. Kept up to date through the stages that add lines.
using LineOrigins = std::vector<Origin>;

// The origins after the header stage put |added| lines on top of |count| lines.
LineOrigins OriginsAfterHeader(std::size_t count, std::size_t added);

// The origins after the statement layout cut lines into pieces. |sizes| are the
// byte counts of the lines before it; |after| is its result, whose pieces join
// back to those lines in order. |*columns| receives where in its line each
// piece began.
LineOrigins OriginsAfterSplits(const LineOrigins& origins, const std::vector<std::size_t>& sizes,
                               const LineList& after, std::vector<Origin>* columns);

// The origins after the function header stage. |headers| marks the lines it
// took for headers (before it ran); every header but the first gets a "}" above
// it and the list one at its end, each counted as part of the line above it.
// |*header_lines| receives the headers' indices in the new list.
// |*columns| (one per line of |origins|) is brought along, a "}" taking the
// column of the line above it.
LineOrigins OriginsAfterFunctions(const LineOrigins& origins, const std::vector<bool>& headers,
                                  std::vector<std::size_t>* header_lines,
                                  std::vector<Origin>* columns);

}  // namespace q9

#endif  // Q9_PIPELINE_LINE_ORIGIN_H_
