#ifndef Q9_BATCH_UNIFIED_DIFF_H_
#define Q9_BATCH_UNIFIED_DIFF_H_

#include <string>
#include <string_view>

#include "linestore/line_store.h"

namespace q9 {

// The unified diff (three lines of context) that turns the script |before|
// into |after|, headed "--- a/PATH" and "+++ b/PATH", so that `patch -p1` run
// in the folder |path| is relative to applies it. |before_ends_with_lf| is false
// when the original's last line had no LF (that line is then non-empty, as Open
// reads files); it is marked "\ No newline at end of file". |after| is taken as
// saved, every line with its LF.
// Lines pass through byte for byte (CR, NUL, 0x80-0xFF). Empty when the two
// files are the same bytes.
std::string UnifiedDiff(std::string_view path, const LineList& before, bool before_ends_with_lf,
                        const LineList& after);

}  // namespace q9

#endif  // Q9_BATCH_UNIFIED_DIFF_H_
