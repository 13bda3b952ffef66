#ifndef Q9_PASSES_VAR_FUNCTION_H_
#define Q9_PASSES_VAR_FUNCTION_H_

#include <string_view>

#include "linestore/line_store.h"
#include "passes/normal_operator.h"

namespace q9 {

// One run of a variable function row. Like NormalOperator with |infix| as the
// separator; then, in unary rows, |infix| also takes the closing bracket's place,
// and |prefix| goes where the name stood, except for the name "Not" when the line
// (after the infix) holds "!=" anywhere. On a bracket error the list is left
// exactly as it was before the run.
RunResult VarFunction(LineList* lines, std::string_view name, std::string_view prefix,
                      std::string_view infix, bool unary);

}  // namespace q9

#endif  // Q9_PASSES_VAR_FUNCTION_H_
