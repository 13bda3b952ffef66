#ifndef Q9_PASSES_NORMAL_OPERATOR_H_
#define Q9_PASSES_NORMAL_OPERATOR_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "linestore/line_store.h"

namespace q9 {

// What the argument scan found.
struct ScanResult {
  bool found = false;      // false: a bracket error, the closing bracket is not on the line
  std::size_t close = 0;   // when found: index of the call's closing bracket in the changed line
};

// The argument scan, in place. Walks |*line| from |start| counting '(' up and ')'
// down; every ',' met at depth 0 is replaced by |separator|, and the walk goes on
// at the second byte of the inserted text (its first byte is never examined).
// Stops when the depth falls below 0 (found) or at the end of the line (not
// found). Requires start <= line->size().
ScanResult ScanArguments(std::string* line, std::size_t start, std::string_view separator);

// The result of one run of a call-rewriting pass over a line list.
struct RunResult {
  bool changed = false;                     // at least one line rewritten and no bracket error
  std::optional<std::size_t> bracket_error; // 0-based line of the first bracket error
};

// One run of an operator row: in every line, the first occurrence of |name| (a
// plain substring) loses the name and the byte after it, its arguments are joined
// by |op| and its closing bracket is erased. On a bracket error the list is left
// exactly as it was before the run and the error's line is reported.
RunResult NormalOperator(LineList* lines, std::string_view name, std::string_view op);

}  // namespace q9

#endif  // Q9_PASSES_NORMAL_OPERATOR_H_
