#include "passes/hazard.h"

namespace q9 {

std::string_view HazardSlug(HazardKind kind) {
  switch (kind) {
    case HazardKind::kNameInWord:
      return "name-in-word";
    case HazardKind::kNotACall:
      return "not-a-call";
    case HazardKind::kPrecedence:
      return "precedence";
    case HazardKind::kNegationDropped:
      return "negation-dropped";
    case HazardKind::kArgumentCount:
      return "argument-count";
    case HazardKind::kOddHeader:
      return "odd-header";
    case HazardKind::kOddSplit:
      return "odd-split";
    case HazardKind::kLineEnds:
      return "line-ends";
    case HazardKind::kBracketError:
      return "bracket-error";
  }
  return "";
}

}  // namespace q9
