#ifndef Q9_SYNTAX_PRINTER_H_
#define Q9_SYNTAX_PRINTER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "hazards/hazard.h"
#include "linestore/line_store.h"
#include "syntax/lexer.h"
#include "syntax/tree.h"

namespace q9 {

// A change to one line: |remove| bytes at |column| replaced by |insert|.
// Changes at the same column apply in the order they were made.
struct Edit {
  std::size_t line;
  std::size_t column;
  std::size_t remove;
  std::string insert;
  std::size_t order;
};

// The edits that turn the statement at the root of |tree| (read from |lines|
// by a ParseStatement that succeeded, so the tree has a root) into #strict
// form while keeping what it computes: every old call that stands for an
// operator, a variable setter or a step becomes it, with brackets exactly
// where the precedence needs them (Mul(Sum(a,b),c) becomes (a+b)*c), a step
// whose value is used becomes ++Var(n), and "eq" becomes
// "S=". Where the operators compute the same without brackets, the bytes are
// those the conversion's rows give. Left as they are, each with a hazard in
// |*hazards|: calls with another number of arguments than they take, And/Or
// whose right side has an effect (a note), IsNewgfx and SetSkyFade, and
// Inc/Dec of something that is no variable. Strings and comments are never
// touched; the edits only ever change bytes of the statement's own tokens or
// insert text beside them.
void PrintSafely(const Tree& tree, LineViews lines, std::vector<Edit>* edits, Hazards* hazards);

// Applies |*edits| (sorted here) to |*lines|.
void ApplyEdits(std::vector<Edit>* edits, LineList* lines);

// The statement or expression at |node| of |tree| as PrintSafely makes it,
// on one line (its line ends become blanks).
std::string PrintedNode(const Tree& tree, LineViews lines, std::uint32_t node);

}  // namespace q9

#endif  // Q9_SYNTAX_PRINTER_H_
