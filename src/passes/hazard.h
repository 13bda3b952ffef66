#ifndef Q9_PASSES_HAZARD_H_
#define Q9_PASSES_HAZARD_H_

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace q9 {

// A way in which a rewrite can compile and yet mean something else than the
// old script did, or damage it.
enum class HazardKind {
  kNameInWord,       // a row's name or find text matched inside a longer word
  kNotACall,         // a row's name not followed directly by '('
  kPrecedence,       // a rewritten expression now groups differently
  kNegationDropped,  // the Not row left out the '!' of a one-argument call
  kArgumentCount,    // a call with an argument count its row does not fit
  kOddHeader,        // a function header made of something that is no label
  kOddSplit,         // a line split inside "::", "?:" or a block comment
  kLineEnds,         // a CR LF script whose converted lines mix line ends
  kBracketError,     // a bracket error ended a row
};

inline constexpr std::array<HazardKind, 9> kHazardKinds = {
    HazardKind::kNameInWord,      HazardKind::kNotACall,      HazardKind::kPrecedence,
    HazardKind::kNegationDropped, HazardKind::kArgumentCount, HazardKind::kOddHeader,
    HazardKind::kOddSplit,        HazardKind::kLineEnds,      HazardKind::kBracketError,
};

// The kind's short name as the warnings print it, such as "name-in-word".
std::string_view HazardSlug(HazardKind kind);

// One place where the converted script deserves a second look.
struct Hazard {
  HazardKind kind = HazardKind::kNameInWord;
  std::size_t line = 0;    // 0-based line of the converted list
  std::size_t column = 0;  // 0-based byte position of |quote| in that line
  std::string quote;       // the text of that line the warning is about
  std::string source;      // the row's name, or the stage or step that made it
  std::string what;        // what happened
  std::string advice;      // what to do about the quoted text
};

}  // namespace q9

#endif  // Q9_PASSES_HAZARD_H_
