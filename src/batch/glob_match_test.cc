#include "batch/glob_match.h"

#include <string>

#include "gtest/gtest.h"

#ifndef _WIN32
#include <fnmatch.h>
#endif

namespace q9 {
namespace {

// Where the system has fnmatch, the function must agree with it on every case.
TEST(GlobMatchTest, CasesAgreeWithFnmatch) {
  struct Case {
    std::string pattern, name;
    bool matches;
  };
  const Case cases[] = {
      {"*.c", "Script.c", true},
      {"*.c", "Script.cc", false},
      {"*", "", true},
      {"", "a", false},
      {"Script.?", "Script.c", true},
      {"Script.?", "Script.", false},
      {"a*b*c", "abcbc", true},
      {"*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
      {"[a-c]x", "bx", true},
      {"[!a-c]x", "ax", false},
      {"[^a-c]x", "ax", false},
      {"[]]", "]", true},
      {"[!]]", "a", true},
      {"[a-]", "-", true},
      {"[\\]]", "]", true},
      {"[\xE0-\xFF]", "\xF6", true},
      {"[ab", "[ab", true},
      {"\\?x", "?x", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("pattern \"" + c.pattern + "\", name \"" + c.name + "\"");
    EXPECT_EQ(GlobMatch(c.pattern, c.name), c.matches);
#ifndef _WIN32
    EXPECT_EQ(fnmatch(c.pattern.c_str(), c.name.c_str(), 0) == 0, c.matches);
#endif
  }
}

}  // namespace
}  // namespace q9
