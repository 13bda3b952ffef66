#ifndef Q9_SYNTAX_LABELS_H_
#define Q9_SYNTAX_LABELS_H_

#include <cstddef>
#include <vector>

#include "syntax/lexer.h"

namespace q9 {

// A byte of a script: 0-based line and column.
struct Place {
  std::size_t line = 0;
  std::size_t column = 0;
};

// A label of an old-syntax script: where its first word and its name start,
// and where its colon stands.
struct Label {
  Place start;
  Place name;
  Place colon;
};

// Where the functions of an old-syntax script begin: every label that stands
// at the top level, at the start of a statement (a name after any modifiers,
// then ":", not inside brackets or braces), in order. A label that starts its
// line counts even after a bracket left open above it, unless a "?" of the
// statement still waits for its ":".
std::vector<Label> TopLevelLabels(LineViews lines);

}  // namespace q9

#endif  // Q9_SYNTAX_LABELS_H_
