#ifndef Q9_SAFE_CONVERT_H_
#define Q9_SAFE_CONVERT_H_

#include "linestore/line_store.h"
#include "pipeline/pipeline.h"

namespace q9 {

// The conversion that keeps what every function computes: LayOutSafely, then
// ConvertCallsSafely, then a check of every function against the script as
// it was (CheckConversion); a function that the check finds changed gets its
// calls back as they were (a note says so), and what is still found is
// reported. Where the exact conversion reads the script right, the bytes are
// the same as its own. |*lines| is converted in place; the result carries the
// hazards (always), the line map (with ConvertOptions::track_origin) and
// whether anything changed. On a failure (out of memory) |*lines| must be
// discarded. |before|, when not empty, views the lines |*lines| holds, kept
// by the caller anyway; else a copy of them is kept for the check.
Conversion ConvertSafely(LineList* lines, const ConvertOptions& options = {},
                         LineViews before = {});

}  // namespace q9

#endif  // Q9_SAFE_CONVERT_H_
