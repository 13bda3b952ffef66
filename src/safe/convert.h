#ifndef Q9_SAFE_CONVERT_H_
#define Q9_SAFE_CONVERT_H_

#include <cstddef>
#include <vector>

#include "hazards/hazard.h"
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

// The second try of ConvertSafely: after |first_try| warned, |kept| is the
// script converted again with the functions that hold a line in |frozen| left
// as they were. Adds to |*hazards| a kKeptCall note on each line in |frozen|
// whose function reads otherwise in the two, for there calls were put back;
// a function the first try had left alone too (it could not read it) gets
// none. Functions start at line 0 and at each of |headers|, ascending.
void NoteKeptCalls(const LineList& first_try, const LineList& kept,
                   const std::vector<std::size_t>& headers, const std::vector<bool>& frozen,
                   Hazards* hazards);

}  // namespace q9

#endif  // Q9_SAFE_CONVERT_H_
