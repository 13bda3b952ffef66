#include "passes/correct_liner.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace q9 {
namespace {

constexpr std::size_t kNo = std::string_view::npos;

// Cases beyond those of the sweeps below.
TEST(AcceptedSeparatorTest, JudgesFirstSeparatorAgainstFirstMarkers) {
  struct Case {
    std::string line;
    char separator;
    std::size_t expected;
  };
  const std::vector<Case> cases = {
      {"x=1", ';', kNo},    {";//\"[", ';', 0},
      {"ab//:", ':', kNo},  {"a/b*c*/:", ':', 7},  // '/' and '*' alone, or "*/", guard nothing
      {"\":", ':', kNo},    {"[:", ':', kNo},
      {"a:/*\"[", ':', 1},  {"f(a;b)", ';', 3},
      {"x='a';", ';', 5},   {"x=\\\";", ';', kNo},  // an escaped quote still guards
      {"Init: x;", ';', 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line + " with " + c.separator);
    EXPECT_EQ(AcceptedSeparator(c.line, c.separator), c.expected);
  }
}

TEST(CorrectLinerTest, OneSweepCutsEachAcceptedLineOnce) {
  struct Case {
    char separator;
    LineList input, expected;
  };
  const std::vector<Case> cases = {
      {';', {"x=1; y=2; z=3;"}, {"x=1;", " y=2; z=3;"}},
      {':', {"Initialize: SetVar(0,1);"}, {"Initialize:", " SetVar(0,1);"}},
      {';', {"x=1;"}, {"x=1;"}},
      {';', {"x=1"}, {"x=1"}},
      {';', {"x=1; "}, {"x=1;", " "}},
      {';', {"x=1;\r"}, {"x=1;", "\r"}},
      {';', {"x=a[1]; y=2;"}, {"x=a[1]; y=2;"}},
      {';', {"/* a; b */ x=1;"}, {"/* a; b */ x=1;"}},
      {';', {"x=1; // a; b"}, {"x=1;", " // a; b"}},
      {':', {"// Init: here"}, {"// Init: here"}},
      {':', {":x"}, {":", "x"}},
      {';', {"a;b", "c", "d;e;f"}, {"a;", "b", "c", "d;", "e;f"}},
      {';', {}, {}},
      {';', {"", ";;", ""}, {"", ";", ";", ""}},
      {';', {"Say(\"a\"); x=1;"}, {"Say(\"a\"); x=1;"}},
      {';', {"x=1; Say(\"a;b\");"}, {"x=1;", " Say(\"a;b\");"}},
      {';', {" Say(\"a;b\");"}, {" Say(\"a;b\");"}},
      {':', {"/*", "Usage: call this", "*/"}, {"/*", "Usage:", " call this", "*/"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.input) + " with " + c.separator);
    EXPECT_EQ(CorrectLiner(c.input, c.separator), c.expected);
  }
}

}  // namespace
}  // namespace q9
