#include "passes/strict.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace q9 {
namespace {

const std::string kMarker(kUpdateMarker);

// "#strict" goes on top unless a line holds it, then the marker (which holds
// it) on top of that unless a line holds the whole marker; a second run adds
// nothing.
TEST(StrictTest, AddsWhatIsMissingAtTheTop) {
  const std::string damaged = "/*+++Automatisiertes Syntax Update zu #strict - Quellor+++";
  const std::vector<std::pair<LineList, LineList>> cases = {
      {{}, {kMarker, "#strict"}},
      {{"x\r", "y"}, {kMarker, "#strict", "x\r", "y"}},
      {{"a", "#strict 2"}, {kMarker, "a", "#strict 2"}},
      {{"#STRICT", "# strict"}, {kMarker, "#strict", "#STRICT", "# strict"}},
      {{damaged}, {kMarker, damaged}},
      {{"x", "  " + kMarker + " tail"}, {"x", "  " + kMarker + " tail"}},
  };
  for (const auto& [input, expected] : cases) {
    SCOPED_TRACE(testing::PrintToString(input));
    LineList lines = input;
    EXPECT_EQ(Strict(&lines), input != expected);
    EXPECT_EQ(lines, expected);
    EXPECT_FALSE(Strict(&lines));
    EXPECT_EQ(lines, expected);
  }
}

}  // namespace
}  // namespace q9
