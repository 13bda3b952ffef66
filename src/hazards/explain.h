#ifndef Q9_HAZARDS_EXPLAIN_H_
#define Q9_HAZARDS_EXPLAIN_H_

#include <vector>

#include "hazards/check.h"
#include "hazards/hazard.h"
#include "syntax/labels.h"
#include "syntax/lexer.h"
#include "syntax/parser.h"

namespace q9 {

// The warnings CheckConversion gives, each for one place where a function's
// conversion went wrong: they find out why and say it in the modder's terms.
// |before| is the script before conversion and |after| the converted one; a
// statement is read from its place up to the given end.

// The statement at |old_place| computes something else than the converted
// one at |new_place|.
void ExplainChange(LineViews before, Place old_place, Place old_end, LineViews after,
                   Place new_place, Place new_end, Hazards* hazards);
// The same for the two statements parsed already, the new one from |new_place|.
void ExplainChange(LineViews before, const ParsedStatement& old_statement, LineViews after,
                   const ParsedStatement& new_statement, Place new_place, Hazards* hazards);

// The converted function stopped reading as a script at |error|; the
// statement before conversion stands at |old_place| when |has_statement|.
// |own_header| is the converted line of the function's own header (any line
// past the end where there is none, as before the first function).
void ExplainBroken(LineViews before, bool has_statement, Place old_place, Place old_end,
                   LineViews after, Place error, std::size_t own_header, const LineMap& map,
                   Hazards* hazards);

// The functions' headers or ends no longer stand where they stood: at
// |new_place| of the converted script.
void ExplainLayout(LineViews after, Place new_place, Hazards* hazards);

// A function from |begin| to |end| of the script that stopped reading as one
// at |error|, converted into lines [after_begin, after_end): when the
// conversion rewrote anything in it but its header, a kUnchecked warning on
// |converted_line|.
void ExplainUnchecked(LineViews before, Place begin, Place end, Place error, LineViews after,
                      std::size_t after_begin, std::size_t after_end, std::size_t converted_line,
                      Hazards* hazards);

}  // namespace q9

#endif  // Q9_HAZARDS_EXPLAIN_H_
