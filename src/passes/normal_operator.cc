#include "passes/normal_operator.h"

#include "passes/var_function.h"

namespace q9 {

ScanResult ScanArguments(std::string* line, std::size_t start, std::string_view separator) {
  long depth = 0;
  std::size_t k = 0;
  // The length is read on every step: a replacement may lengthen the line.
  while (depth >= 0 && start + k < line->size()) {
    const char c = (*line)[start + k];
    if (c == '(') {
      ++depth;
    } else if (c == ')') {
      --depth;
    } else if (c == ',' && depth == 0) {
      line->replace(start + k, 1, separator);
    }
    // One step whatever happened above: after a replacement the walk resumes at
    // the second byte of the inserted text.
    ++k;
  }
  if (depth < 0) return {.found = true, .close = start + k - 1};
  return {};
}

RunResult NormalOperator(LineList* lines, std::string_view name, std::string_view op) {
  // An operator row is a variable function row with no prefix and no unary infix.
  return VarFunction(lines, name, "", op, false);
}

}  // namespace q9
