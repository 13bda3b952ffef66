#ifndef Q9_SAFE_CALLS_H_
#define Q9_SAFE_CALLS_H_

#include <cstddef>
#include <vector>

#include "hazards/hazard.h"
#include "linestore/line_store.h"

namespace q9 {

struct SafeCalls {
  Hazards hazards;  // calls and functions left as they were, and why
};

// The rewriting rows of the conversion, done on parsed statements of a script
// already in #strict layout (func headers): every old call that stands for an
// operator, a variable setter or a step becomes it, with brackets exactly
// where the precedence needs them (Mul(Sum(a,b),c) becomes (a+b)*c), a step
// whose value is used becomes ++Var(n), and "eq" becomes "S=". Where the
// operators would compute the same without brackets, the bytes are those the
// rows give. Left as they are, with a hazard: calls with another number of
// arguments than they take, And/Or whose right side has an effect (note),
// IsNewgfx and SetSkyFade, Inc/Dec of something that is no variable, and
// every function with a statement that does not parse (nothing in it is
// rewritten). |headers| are the lines that start functions, ascending. The
// functions that hold a line in |frozen| (by index; it may be shorter than the
// list) are left as they are too. Strings and comments are never touched.
SafeCalls ConvertCallsSafely(LineList* lines, const std::vector<std::size_t>& headers,
                             const std::vector<bool>& frozen);

}  // namespace q9

#endif  // Q9_SAFE_CALLS_H_
