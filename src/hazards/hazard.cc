#include "hazards/hazard.h"

#include <algorithm>

namespace q9 {

std::string_view HazardSlug(HazardKind kind) {
  switch (kind) {
    case HazardKind::kPrecedence:
      return "precedence";
    case HazardKind::kShortCircuit:
      return "short-circuit";
    case HazardKind::kStepValue:
      return "step-value";
    case HazardKind::kNegationDropped:
      return "negation-dropped";
    case HazardKind::kArgumentCount:
      return "argument-count";
    case HazardKind::kString:
      return "string";
    case HazardKind::kNameInWord:
      return "name-in-word";
    case HazardKind::kNotACall:
      return "not-a-call";
    case HazardKind::kGluedOperators:
      return "glued-operators";
    case HazardKind::kRenamedCall:
      return "renamed-call";
    case HazardKind::kOddHeader:
      return "odd-header";
    case HazardKind::kBroken:
      return "broken";
    case HazardKind::kChanged:
      return "changed";
    case HazardKind::kUnchecked:
      return "unchecked";
    case HazardKind::kUnconverted:
      return "unconverted";
    case HazardKind::kLineEnds:
      return "line-ends";
    case HazardKind::kKeptCall:
      return "kept-call";
    case HazardKind::kComment:
      return "comment";
    case HazardKind::kHarmless:
      return "harmless";
  }
  return "";
}

namespace {

bool ByLine(const Hazard& a, const Hazard& b) { return a.line < b.line; }

}  // namespace

void SortByLine(Hazards* hazards) {
  // They mostly come in order already.
  if (!std::is_sorted(hazards->begin(), hazards->end(), ByLine)) hazards->sort(ByLine);
}

void MergeByLine(Hazards* hazards, Hazards* more) { hazards->merge(*more, ByLine); }

}  // namespace q9
