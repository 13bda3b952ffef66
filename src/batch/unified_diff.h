#ifndef Q9_BATCH_UNIFIED_DIFF_H_
#define Q9_BATCH_UNIFIED_DIFF_H_

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "linestore/line_store.h"
#include "pipeline/pipeline.h"

namespace q9 {

// The unified diff (three lines of context) that turns the script |before|
// into |after|, headed "--- a/PATH" and "+++ b/PATH", so that `patch -p1` run
// in the folder |path| is relative to applies it. |before_ends_with_lf| is false
// when the original's last line had no LF (that line is then non-empty, as Open
// reads files); it is marked "\ No newline at end of file". |after| is taken as
// saved, every line with its LF.
// |origin| says for each line of |after| which line of |before| it came from,
// or kAddedLine, as Conversion::origin does; its indices rise (a line whose
// index is out of order or range, or that |origin| is too short to cover,
// counts as added). Lines are paired by it alone, with no search: the first
// line to read as the line it came from keeps it; every other line of |before|
// is removed and every other line of |after| added. That is the shortest diff
// unless a line of |after| reads as a line of |before| other than its own.
// Lines pass through byte for byte (CR, NUL, 0x80-0xFF). Empty when the two
// files are the same bytes.
std::string UnifiedDiff(std::string_view path, std::span<const std::string_view> before,
                        bool before_ends_with_lf, std::span<const std::string_view> after,
                        std::span<const Origin> origin);

}  // namespace q9

#endif  // Q9_BATCH_UNIFIED_DIFF_H_
