#ifndef Q9_PASSES_EXCHANGE_H_
#define Q9_PASSES_EXCHANGE_H_

#include <string_view>

#include "linestore/line_store.h"

namespace q9 {

// One run: in every line the first occurrence of |find| (plain, case-sensitive,
// no context) becomes |replacement|. Returns true when a line changed.
bool Exchange(LineList* lines, std::string_view find, std::string_view replacement);

}  // namespace q9

#endif  // Q9_PASSES_EXCHANGE_H_
