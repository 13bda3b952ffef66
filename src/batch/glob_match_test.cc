#include "batch/glob_match.h"

#include <string>
#include <tuple>

#include "gtest/gtest.h"

#ifndef _WIN32
#include <fnmatch.h>
#endif

namespace q9 {
namespace {

// Where the system has fnmatch, the function must agree with it on every case.
TEST(GlobMatchTest, CasesAgreeWithFnmatch) {
  const std::tuple<std::string, std::string, bool> cases[] = {  // pattern, name, matches
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
  for (const auto& [pattern, name, matches] : cases) {
    SCOPED_TRACE("pattern \"" + pattern + "\", name \"" + name + "\"");
    EXPECT_EQ(GlobMatch(pattern, name), matches);
#ifndef _WIN32
    EXPECT_EQ(fnmatch(pattern.c_str(), name.c_str(), 0) == 0, matches);
#endif
  }
}

}  // namespace
}  // namespace q9
