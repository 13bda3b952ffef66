#ifndef Q9_PASSES_FUNC_CORRECT_H_
#define Q9_PASSES_FUNC_CORRECT_H_

#include "linestore/line_store.h"

namespace q9 {

// Turns label-style function headers into func headers. Every line whose first
// ':' the separator guard accepts is a header: the colon becomes "(){", " func "
// goes in front of the last blank before the colon (or at the line's start), a
// line "}" goes directly above every header but the first, and one more "}" is
// appended at the end when any header was converted. Lines are added in one walk.
// Returns true when at least one header was converted.
bool FuncCorrect(LineList* lines);

}  // namespace q9

#endif  // Q9_PASSES_FUNC_CORRECT_H_
