#include "passes/correct.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <numeric>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "passes/correct_liner.h"

namespace q9 {
namespace {

TEST(CorrectTest, PutsLabelsAndStatementsOnLinesOfTheirOwn) {
  struct Case {
    LineList input, expected;
  };
  const std::vector<Case> cases = {
      {{"Initialize: SetVar(0,1); return(1);"}, {"Initialize:", " SetVar(0,1);", " return(1);"}},
      {{"x=1; y=2; z=3;"}, {"x=1;", " y=2;", " z=3;"}},
      {{"for(i=0;i<10;i++) x++;"}, {"for(i=0;", "i<10;", "i++) x++;"}},
      {{"x=1; Foo: y=2;"}, {"x=1;", " Foo:", " y=2;"}},
      {{"Foo: // text"}, {"Foo:", " // text"}},
      {{"x=1; // note; more"}, {"x=1;", " // note; more"}},
      {{"// Init: here; there"}, {"// Init: here; there"}},
      {{"if(x) { y=1; }"}, {"if(x) { y=1;", " }"}},
      {{"a[0]=1; b=2;"}, {"a[0]=1; b=2;"}},
      {{"x=1;;"}, {"x=1;", ";"}},
      {{"x=Foo::Bar();"}, {"x=Foo:", ":", "Bar();"}},
      {{"Say(\"a;b\"); x=1;"}, {"Say(\"a;b\"); x=1;"}},
      {{"x=1; Say(\"a;b\");"}, {"x=1;", " Say(\"a;b\");"}},
      // Inner lines of a block comment carry no marker of their own.
      {{"/*", "Usage: call this; x=1;", "*/"}, {"/*", "Usage:", " call this;", " x=1;", "*/"}},
      {{}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.input));
    LineList lines = c.input;
    EXPECT_EQ(Correct(&lines), c.expected.size() != c.input.size());
    EXPECT_EQ(lines, c.expected);
  }
}

TEST(CorrectTest, SplitsALineOfManyStatements) {
  std::string line = "Timer:";
  for (int i = 0; i < 100000; ++i) line += "IncVar(0);";
  LineList lines = {line};
  ASSERT_TRUE(Correct(&lines));
  EXPECT_EQ(lines.size(), 100001u);
  EXPECT_EQ(lines.back(), "IncVar(0);");
}

// The literal definition: sweeps until one changes nothing.
LineList Sweeps(LineList lines, char separator) {
  for (LineList next; (next = CorrectLiner(lines, separator)) != lines;) lines = std::move(next);
  return lines;
}

// Correct gives the sweeps with ':' and then those with ';', and a second pass
// changes nothing; the pieces made of one line join to it.
TEST(CorrectTest, MatchesRepeatedSweepsOnGeneratedLines) {
  std::mt19937 random(20240611);
  auto pick = [&random](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n)(random);
  };
  constexpr std::string_view kAlphabet = "::;;;//**\"\"[  \rabxyz(),=";
  for (int round = 0; round < 3000; ++round) {
    LineList input(pick(6));
    for (std::string& line : input) {
      for (std::size_t i = pick(40); i > 0; --i) line += kAlphabet[pick(kAlphabet.size() - 1)];
    }
    SCOPED_TRACE(testing::PrintToString(input));
    LineList lines = input;
    const bool changed = Correct(&lines);
    ASSERT_EQ(lines, Sweeps(Sweeps(input, ':'), ';'));
    EXPECT_EQ(changed, lines != input);
    EXPECT_FALSE(Correct(&lines));
    for (const std::string& line : input) {
      LineList pieces = {line};
      Correct(&pieces);
      EXPECT_EQ(std::accumulate(pieces.begin(), pieces.end(), std::string()), line);
      pieces = {"kept"};
      SplitAtSeparators(line, ';', &pieces);
      LineList expected = Sweeps({line}, ';');
      expected.insert(expected.begin(), "kept");
      EXPECT_EQ(pieces, expected);
    }
  }
}

}  // namespace
}  // namespace q9
