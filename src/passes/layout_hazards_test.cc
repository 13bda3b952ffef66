#include "passes/layout_hazards.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace q9 {
namespace {

constexpr std::size_t kWhole = std::string_view::npos;

TEST(LayoutHazardsTest, CommentedPrefixesFollowBlockComments) {
  struct Case {
    const char* name;
    LineList lines;
    std::vector<std::size_t> prefixes;
  };
  const Case cases[] = {
      {"closed on its line", {"/* a */ x;", "y;"}, {0, 0}},
      {"open over lines", {"x; /* a", "b: c", "d */ e;", "f;"}, {0, kWhole, 4, 0}},
      {"closed, then opened again", {"/*", "*/ x; /* y", "z */"}, {0, 2, 4}},
      {"marks in a string", {"s=\"/*\";", "t;"}, {0, 0}},
      {"marks after a line comment", {"x; // /*", "y;"}, {0, 0}},
      {"an escaped quote", {"s=\"\\\"/*\";", "t;"}, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CommentedPrefixes(c.lines), c.prefixes);
  }
}

TEST(LayoutHazardsTest, LinesMoveDownByTheClosingLinesAbove) {
  const std::vector<std::size_t> headers = {2, 5, 6};
  const std::vector<std::size_t> expected = {0, 1, 2, 3, 4, 6, 8, 9};
  for (std::size_t line = 0; line < expected.size(); ++line) {
    EXPECT_EQ(LineAfterHeaders(headers, line), expected[line]) << line;
  }
}

}  // namespace
}  // namespace q9
