#ifndef Q9_BATCH_SCRIPT_CHECKS_H_
#define Q9_BATCH_SCRIPT_CHECKS_H_

#include "linestore/line_store.h"

namespace q9 {

// True when a line holds a NUL byte. Scripts are text: such a file (an image,
// an archive) is no script and is never rewritten.
bool HoldsNulByte(const LineList& lines);

// True when the script starts with the update marker line and then the line
// "#strict" (either may end in a CR), as every converted script does: a second
// conversion would only add damage, so it is skipped.
bool IsAlreadyConverted(const LineList& lines);

}  // namespace q9

#endif  // Q9_BATCH_SCRIPT_CHECKS_H_
