#ifndef Q9_PASSES_STRICT_H_
#define Q9_PASSES_STRICT_H_

#include <string_view>

#include "linestore/line_store.h"

namespace q9 {

inline constexpr std::string_view kStrictDirective = "#strict";
inline constexpr std::string_view kUpdateMarker =
    "/*+++Automatisiertes Syntax Update zu #strict - Quellor+++*/";

// Makes the script declare the strict syntax and carry the update marker.
// When no line contains "#strict" (anywhere, case-sensitive), the line "#strict"
// goes to the top; then, when no line contains the whole marker, the marker line
// goes to the top above it. Idempotent. Returns true when it added a line.
bool Strict(LineList* lines);

}  // namespace q9

#endif  // Q9_PASSES_STRICT_H_
