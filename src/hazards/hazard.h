#ifndef Q9_HAZARDS_HAZARD_H_
#define Q9_HAZARDS_HAZARD_H_

#include <array>
#include <cstddef>
#include <list>
#include <string>
#include <string_view>

namespace q9 {

// Why a converted script deserves a second look at some place. The warnings
// name places where the script may now compute something else; the notes
// name places that compute the same but differ from what a modder expects.
enum class HazardKind {
  // Warnings.
  kPrecedence,       // a rewritten expression groups differently
  kShortCircuit,     // && or || may now skip an effect that And or Or always had
  kStepValue,        // an increment's value is used, and x++ gives the old one
  kNegationDropped,  // a "!" was left out
  kArgumentCount,    // a call with another number of arguments than it takes
  kString,           // text inside a string literal was rewritten
  kNameInWord,       // a name was rewritten inside a longer word
  kNotACall,         // a name followed by a blank or by no bracket was rewritten
  kGluedOperators,   // an operator ran into the sign of the next operand: x--3
  kRenamedCall,      // an engine call was renamed to one that takes other arguments
  kOddHeader,        // something that is no label became a function header
  kBroken,           // the converted function no longer reads as a script
  kChanged,          // anything else that computes differently
  kUnchecked,        // rewritten code this tool cannot read, so could not check
  // Notes.
  kUnconverted,  // calls left in the old form (they still work)
  kLineEnds,     // lines of a CR LF script that now end differently
  kKeptCall,     // --safe: a call kept in the old form on purpose
  kComment,      // the text of a comment was rewritten, or a comment moved to a line of its own
  kHarmless,     // an expression that changed, where the change cannot show
};

inline constexpr std::array<HazardKind, 19> kHazardKinds = {
    HazardKind::kPrecedence,  HazardKind::kShortCircuit, HazardKind::kStepValue,
    HazardKind::kNegationDropped, HazardKind::kArgumentCount, HazardKind::kString,
    HazardKind::kNameInWord,  HazardKind::kNotACall,     HazardKind::kGluedOperators,
    HazardKind::kRenamedCall,
    HazardKind::kOddHeader,   HazardKind::kBroken,       HazardKind::kChanged,
    HazardKind::kUnchecked,   HazardKind::kUnconverted,  HazardKind::kLineEnds,
    HazardKind::kKeptCall,    HazardKind::kComment,      HazardKind::kHarmless,
};

// The kind's short name as the messages print it, such as "precedence".
std::string_view HazardSlug(HazardKind kind);

// Whether the kind is a note rather than a warning.
inline bool IsNote(HazardKind kind) {
  return kind == HazardKind::kUnconverted || kind == HazardKind::kLineEnds ||
         kind == HazardKind::kKeptCall || kind == HazardKind::kComment ||
         kind == HazardKind::kHarmless;
}

// One place in a converted script, with what to say about it.
struct Hazard {
  HazardKind kind = HazardKind::kChanged;
  std::size_t line = 0;    // 0-based line of the converted script
  std::size_t column = 0;  // where the place starts in that line
  std::size_t width = 0;   // its bytes in that line (0: the whole line)
  std::string what;        // what was rewritten, and why it may behave differently
  std::string advice;      // what to check, or what to write instead
};

// A script's hazards, ordered by line once they are found. A list, for a
// large script can have a hundred thousand of them: a vector grows by moving
// them all, with room for up to twice as many, and joining two vectors holds
// both a second time, where lists are joined and ordered by relinking.
using Hazards = std::list<Hazard>;

// Orders |*hazards| by line, keeping the order of those on one line.
void SortByLine(Hazards* hazards);

// Moves |*more| into |*hazards|, both ordered by line, so that the whole is
// ordered by line; on a line, those of |*hazards| come first.
void MergeByLine(Hazards* hazards, Hazards* more);

}  // namespace q9

#endif  // Q9_HAZARDS_HAZARD_H_
