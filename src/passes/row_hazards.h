#ifndef Q9_PASSES_ROW_HAZARDS_H_
#define Q9_PASSES_ROW_HAZARDS_H_

#include <cstddef>
#include <string_view>
#include <vector>

#include "passes/hazard.h"
#include "passes/rows.h"

namespace q9 {

// Appends the hazards of one rewrite that |row| made, at most one, with the
// rewrite's line: the name inside a word or not followed by '(', an argument
// count the row does not fit, the Not row's dropped '!', or an expression
// that now groups differently than the call did. Each quotes text of the line
// as the rewrite left it, at its column there.
void NoteCallRewrite(const CallRow& row, const CallRewrite& rewrite, std::vector<Hazard>* hazards);

// Appends a hazard, with line |index|, for every word of |line| (its text
// before the exchange row) in which the row will replace |find|, quoting the
// word at its column in |line|, before the row.
void NoteExchangeRow(std::string_view find, std::size_t index, std::string_view line,
                     std::vector<Hazard>* hazards);

}  // namespace q9

#endif  // Q9_PASSES_ROW_HAZARDS_H_
