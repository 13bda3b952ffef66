#include "passes/correct_liner.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace q9 {
namespace {

constexpr std::size_t kNo = std::string_view::npos;

struct GuardCase {
  std::string line;
  char separator;
  std::size_t expected;
};

TEST(AcceptedSeparatorTest, JudgesFirstSeparatorAgainstFirstMarkers) {
  const std::vector<GuardCase> cases = {
      {"", ';', kNo},
      {"x=1", ';', kNo},
      {"x=1; y=2;", ';', 3},
      {"x=1;\r", ';', 3},
      {";x", ';', 0},
      {";//\"[", ';', 0},
      {":", ':', 0},
      {"x=a[1]; y=2;", ';', kNo},
      {"/* a; b */ x=1;", ';', kNo},
      {"x=1; // a; b", ';', 3},
      {"// Init: here", ':', kNo},
      {"ab//:", ':', kNo},
      {"a/b*c:", ':', 5},  // '/' and '*' alone guard nothing
      {"a*/b:", ':', 4},
      {"\":", ':', kNo},
      {"[:", ':', kNo},
      {"a:[", ':', 1},
      {"a:\"", ':', 1},
      {"a:/*", ':', 1},
      {"Message(\"a;b\"); x=1;", ';', kNo},
      {"x=1; Message(\"a;b\");", ';', 3},
      {"Message(\"a\"); x=1;", ';', kNo},  // the first ';' lies outside the string
      {"f(a;b)", ';', 3},
      {"x='a';", ';', 5},
      {"x=\\\";", ';', kNo},  // an escaped quote still guards
      {"Init: x;", ';', 7},   // only the given separator is looked for
      {"Init: x;", ':', 4},
      {"x=Foo::Bar();", ':', 5},
  };
  for (const GuardCase& c : cases) {
    SCOPED_TRACE("line: " + c.line + " separator: " + c.separator);
    EXPECT_EQ(AcceptedSeparator(c.line, c.separator), c.expected);
  }
}

struct SweepCase {
  char separator;
  LineList input;
  LineList expected;
};

TEST(CorrectLinerTest, OneSweepCutsEachAcceptedLineOnce) {
  const std::vector<SweepCase> cases = {
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
      {';', {"Message(\"a\"); x=1;"}, {"Message(\"a\"); x=1;"}},
      {';', {"x=1; Message(\"a;b\");"}, {"x=1;", " Message(\"a;b\");"}},
      {';', {" Message(\"a;b\");"}, {" Message(\"a;b\");"}},
      {':', {"/*", "Usage: call this", "*/"}, {"/*", "Usage:", " call this", "*/"}},
  };
  for (const SweepCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.input) + " with " + c.separator);
    EXPECT_EQ(CorrectLiner(c.input, c.separator), c.expected);
  }
}

}  // namespace
}  // namespace q9
