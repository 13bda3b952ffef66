#include "hazards/hazard.h"

#include <gtest/gtest.h>

#include <string>

namespace q9 {
namespace {

// Every kind once, in the order the summaries count them, with the name the
// messages and --warn print; notes marked "*".
TEST(HazardTest, KindsTheirNamesAndWhichAreNotes) {
  std::string seen;
  for (const HazardKind kind : kHazardKinds) seen += std::string(HazardSlug(kind)) + (IsNote(kind) ? "* " : " ");
  EXPECT_EQ(seen,
            "precedence short-circuit step-value negation-dropped argument-count string name-in-word "
            "not-a-call glued-operators renamed-call odd-header broken changed unchecked unconverted* "
            "line-ends* kept-call* comment* harmless* ");
}

}  // namespace
}  // namespace q9
