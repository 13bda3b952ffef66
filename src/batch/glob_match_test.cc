#include "batch/glob_match.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"

#ifndef _WIN32
#include <fnmatch.h>
#endif

namespace q9 {
namespace {

struct GlobCase {
  std::string pattern;
  std::string name;
  bool matches;
};

const std::vector<GlobCase>& GlobCases() {
  static const std::vector<GlobCase> cases = {
      {"*.c", "Script.c", true},
      {"*.c", "Script.C", false},
      {"*.c", "Script.cc", false},
      {"*.c", ".c", true},
      {"*.c", "c", false},
      {"*", "", true},
      {"", "", true},
      {"", "a", false},
      {"Script.?", "Script.c", true},
      {"Script.?", "Script.", false},
      {"Script.?", "Script.cc", false},
      {"?", "\xF6", true},
      {"a*b*c", "aXbYc", true},
      {"a*b*c", "abcbc", true},
      {"a*b*c", "aXbYd", false},
      {"*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
      {"**.c", "x.c", true},
      {"[abc].c", "b.c", true},
      {"[abc].c", "d.c", false},
      {"[a-c]x", "bx", true},
      {"[a-c]x", "dx", false},
      {"[!a-c]x", "dx", true},
      {"[!a-c]x", "ax", false},
      {"[^a-c]x", "ax", false},
      {"[]]", "]", true},
      {"[!]]", "]", false},
      {"[!]]", "a", true},
      {"[a-]", "-", true},
      {"[\\]]", "]", true},
      {"[\xE0-\xFF]", "\xF6", true},
      {"[\xE0-\xFF]", "a", false},
      {"[ab", "[ab", true},
      {"[ab", "a", false},
      {"\\*", "*", true},
      {"\\*", "x", false},
      {"\\?x", "?x", true},
      {"a\\[b]", "a[b]", true},
      {"*/x.c", "dir/x.c", true},
  };
  return cases;
}

TEST(GlobMatchTest, Cases) {
  for (const GlobCase& c : GlobCases()) {
    SCOPED_TRACE("pattern \"" + c.pattern + "\", name \"" + c.name + "\"");
    EXPECT_EQ(GlobMatch(c.pattern, c.name), c.matches);
  }
}

#ifndef _WIN32
// The function stands in for fnmatch where there is none: both must agree.
TEST(GlobMatchTest, AgreesWithFnmatch) {
  for (const GlobCase& c : GlobCases()) {
    SCOPED_TRACE("pattern \"" + c.pattern + "\", name \"" + c.name + "\"");
    EXPECT_EQ(fnmatch(c.pattern.c_str(), c.name.c_str(), 0) == 0, c.matches);
  }
}
#endif

}  // namespace
}  // namespace q9
