#include "passes/strict.h"

#include <gtest/gtest.h>

#include <string>

namespace q9 {
namespace {

const std::string kMarker(kUpdateMarker);

struct StrictCase {
  LineList input;
  LineList expected;
  bool added;
};

TEST(StrictTest, AddsWhatIsMissingAtTheTop) {
  const std::vector<StrictCase> cases = {
      {{}, {kMarker, "#strict"}, true},
      {{"Initialize:", "return(1);"}, {kMarker, "#strict", "Initialize:", "return(1);"}, true},
      {{"#strict", "x"}, {kMarker, "#strict", "x"}, true},
      {{"a", "b", "#strict 2"}, {kMarker, "a", "b", "#strict 2"}, true},
      {{"// converted to #strict later"}, {kMarker, "// converted to #strict later"}, true},
      {{"#STRICT"}, {kMarker, "#strict", "#STRICT"}, true},
      {{"# strict"}, {kMarker, "#strict", "# strict"}, true},
      // Only the whole marker counts; a damaged one still holds the directive.
      {{"/*+++Automatisiertes Syntax Update zu #strict - Quellor+++"},
       {kMarker, "/*+++Automatisiertes Syntax Update zu #strict - Quellor+++"},
       true},
      {{"/*+++automatisiertes syntax update zu #strict - quellor+++*/"},
       {kMarker, "/*+++automatisiertes syntax update zu #strict - quellor+++*/"},
       true},
      // The marker holds the directive, so a marker anywhere is enough.
      {{"x", kMarker, "y"}, {"x", kMarker, "y"}, false},
      {{"x", "  " + kMarker + " tail"}, {"x", "  " + kMarker + " tail"}, false},
      // Lines read from CR LF files keep their CR; inserted lines have none.
      {{"x\r", "y\r"}, {kMarker, "#strict", "x\r", "y\r"}, true},
      {{"#strict\r"}, {kMarker, "#strict\r"}, true},
  };
  for (const StrictCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.input));
    LineList lines = c.input;
    EXPECT_EQ(Strict(&lines), c.added);
    EXPECT_EQ(lines, c.expected);
    // A second run over its own output changes nothing.
    EXPECT_FALSE(Strict(&lines));
    EXPECT_EQ(lines, c.expected);
  }
}

}  // namespace
}  // namespace q9
