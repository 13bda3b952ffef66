#include "passes/correct.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <random>
#include <string>
#include <string_view>

#include "passes/correct_liner.h"

namespace q9 {
namespace {

struct CorrectCase {
  LineList input;
  LineList expected;
};

TEST(CorrectTest, PutsLabelsAndStatementsOnLinesOfTheirOwn) {
  const std::vector<CorrectCase> cases = {
      {{"Initialize: SetVar(0,1); return(1);"}, {"Initialize:", " SetVar(0,1);", " return(1);"}},
      {{"x=1; y=2; z=3;"}, {"x=1;", " y=2;", " z=3;"}},
      {{"for(i=0;i<10;i++) x++;"}, {"for(i=0;", "i<10;", "i++) x++;"}},
      {{"x=1; Foo: y=2;"}, {"x=1;", " Foo:", " y=2;"}},
      {{"Foo: // text"}, {"Foo:", " // text"}},
      {{"x=1; // note; more"}, {"x=1;", " // note; more"}},
      {{"// Init: here; there"}, {"// Init: here; there"}},
      {{"/* Init: here; there */"}, {"/* Init: here; there */"}},
      {{"if(x) { y=1; }"}, {"if(x) { y=1;", " }"}},
      {{"a[0]=1; b=2;"}, {"a[0]=1; b=2;"}},
      {{"x=1;;"}, {"x=1;", ";"}},
      {{"x=Foo::Bar();"}, {"x=Foo:", ":", "Bar();"}},
      {{"Message(\"a;b\"); x=1;"}, {"Message(\"a;b\"); x=1;"}},
      {{"x=1; Message(\"a;b\");"}, {"x=1;", " Message(\"a;b\");"}},
      {{"x=1; Message(\"a;b\"); y=2;"}, {"x=1;", " Message(\"a;b\"); y=2;"}},
      // Inner lines of a block comment carry no marker of their own.
      {{"/* Notes", "Usage: call this; then that", "*/"},
       {"/* Notes", "Usage:", " call this;", " then that", "*/"}},
      {{"Init:\r"}, {"Init:", "\r"}},
      {{"x=1;\r"}, {"x=1;", "\r"}},
      // A guard that stands before a colon does not stop the split at an earlier ';'.
      {{"a=1; b=\"c\": d;"}, {"a=1;", " b=\"c\": d;"}},
      {{"", "x", "Init:"}, {"", "x", "Init:"}},
      {{}, {}},
  };
  for (const CorrectCase& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.input));
    LineList lines = c.input;
    EXPECT_EQ(Correct(&lines), c.expected.size() != c.input.size());
    EXPECT_EQ(lines, c.expected);
  }
}

TEST(CorrectTest, SplitsALineOfManyStatementsWithoutDeepCalls) {
  constexpr std::size_t kStatements = 100000;
  std::string line;
  for (std::size_t i = 0; i < kStatements; ++i) line += "IncVar(0);";
  LineList lines = {"Timer:" + line};
  ASSERT_TRUE(Correct(&lines));
  ASSERT_EQ(lines.size(), kStatements + 1);
  EXPECT_EQ(lines.front(), "Timer:");
  EXPECT_EQ(lines[1], "IncVar(0);");
  EXPECT_EQ(lines.back(), "IncVar(0);");
}

// The literal definition: sweeps with ':' until one changes nothing, then ';'.
LineList RepeatedSweeps(LineList lines) {
  for (char separator : {':', ';'}) {
    for (;;) {
      LineList next = CorrectLiner(lines, separator);
      if (next == lines) break;
      lines = std::move(next);
    }
  }
  return lines;
}

std::string RandomLine(std::mt19937* random) {
  static constexpr std::string_view kAlphabet = "::;;;//**\"\"[  \rabxyz(),=";
  std::uniform_int_distribution<std::size_t> length(0, 40);
  std::uniform_int_distribution<std::size_t> pick(0, kAlphabet.size() - 1);
  std::string line(length(*random), ' ');
  for (char& c : line) c = kAlphabet[pick(*random)];
  return line;
}

TEST(CorrectTest, MatchesRepeatedSweepsOnGeneratedLines) {
  std::mt19937 random(20240611);
  std::uniform_int_distribution<std::size_t> line_count(0, 6);
  for (int round = 0; round < 3000; ++round) {
    LineList input(line_count(random));
    for (std::string& line : input) line = RandomLine(&random);
    SCOPED_TRACE(testing::PrintToString(input));

    LineList lines = input;
    const bool changed = Correct(&lines);
    EXPECT_EQ(lines, RepeatedSweeps(input));
    EXPECT_EQ(changed, lines != input);

    LineList again = lines;
    EXPECT_FALSE(Correct(&again));
    EXPECT_EQ(again, lines);
  }
}

TEST(SplitAtSeparatorsTest, PiecesJoinToTheLineAndEndInTheirSeparator) {
  std::mt19937 random(7);
  for (int round = 0; round < 5000; ++round) {
    const std::string line = RandomLine(&random);
    SCOPED_TRACE(testing::PrintToString(line));
    for (char separator : {':', ';'}) {
      LineList pieces = {"kept"};
      SplitAtSeparators(line, separator, &pieces);
      ASSERT_GE(pieces.size(), 2u);
      EXPECT_EQ(pieces.front(), "kept");
      std::string joined;
      for (std::size_t i = 1; i < pieces.size(); ++i) {
        joined += pieces[i];
        if (i + 1 < pieces.size()) {
          EXPECT_EQ(AcceptedSeparator(pieces[i], separator), pieces[i].size() - 1);
        }
      }
      EXPECT_EQ(joined, line);
      if (pieces.size() > 2) {
        EXPECT_FALSE(pieces.back().empty());
      }
    }
  }
}

}  // namespace
}  // namespace q9
