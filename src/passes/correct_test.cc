#include "passes/correct.h"

#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "passes/correct_liner.h"
#include "passes/func_correct.h"
#include "passes/rows_test_util.h"
#include "passes/strict.h"

namespace q9 {
namespace {

constexpr std::size_t kNo = std::string_view::npos;

// The first separator counts unless "//", "/*", a quote or '[' starts before it.
TEST(CorrectLinerTest, AcceptsTheFirstSeparatorUnlessAMarkerGuardsIt) {
  const std::pair<std::string, std::size_t> semicolons[] = {
      {"x=1", kNo},   {";//\"[", 0}, {"f(a;b)", 3},  {"x='a';", 5}, {"x=\\\";", kNo},
      {"x[0];", kNo}, {"/*;", kNo},  {"a/;", 2},      {"Init: x;", 7}};
  for (const auto& [line, at] : semicolons) EXPECT_EQ(AcceptedSeparator(line, ';'), at) << line;
  const std::pair<std::string, std::size_t> colons[] = {
      {"ab//:", kNo}, {"a/b*c*/:", 7}, {"\":", kNo}, {"a:/*\"[", 1}, {"*:", 1}};
  for (const auto& [line, at] : colons) EXPECT_EQ(AcceptedSeparator(line, ':'), at) << line;
  // One sweep cuts each accepted line once, after its separator, if anything follows.
  EXPECT_EQ(CorrectLiner({"a;b;c", "x;", "", ";;", "y; // z", "q\"a;\";"}, ';'),
            (LineList{"a;", "b;c", "x;", "", ";", ";", "y;", " // z", "q\"a;\";"}));
}

// The literal definition: sweeps until one changes nothing.
LineList Sweeps(LineList lines, char separator) {
  for (LineList next; (next = CorrectLiner(lines, separator)) != lines;) lines = std::move(next);
  return lines;
}

// Correct gives the sweeps with ':' and then those with ';', and a second pass
// changes nothing; the pieces made of one line join to it.
TEST(CorrectTest, MatchesRepeatedSweepsOnGeneratedLines) {
  ScriptGenerator generator(20240611);
  for (int round = 0; round < 3000; ++round) {
    const LineList input = generator.NextList("::;;;//**\"\"[  \rabxyz(),=", 7);
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
  // A line of many statements, in time linear in its length.
  std::string line = "Timer:";
  for (int i = 0; i < 100000; ++i) line += "IncVar(0);";
  LineList lines = {line};
  Correct(&lines);
  EXPECT_EQ(lines.size(), 100001u);
  EXPECT_EQ(lines.back(), "IncVar(0);");
}

// The passes run once over the whole script. Strict puts "#strict" on top unless a line holds it,
// then the marker (which holds it) unless a line holds the whole marker. FuncCorrect puts " func "
// before the last blank ahead of the accepted colon (or at the start), the colon becomes "(){",
// and a "}" closes each header's lines.
TEST(LinePassesTest, StrictAndFuncCorrectAddWhatIsMissing) {
  const std::string marker(kUpdateMarker);
  const std::string damaged = "/*+++Automatisiertes Syntax Update zu #strict - Quellor+++";
  const std::vector<std::tuple<bool (*)(LineList*), LineList, LineList>> cases = {
      {Strict, {}, {marker, "#strict"}},
      {Strict, {"x\r", "y"}, {marker, "#strict", "x\r", "y"}},
      {Strict, {"a", "#strict 2"}, {marker, "a", "#strict 2"}},
      {Strict, {"#STRICT", "# strict"}, {marker, "#strict", "#STRICT", "# strict"}},
      {Strict, {damaged}, {marker, damaged}},
      {Strict, {"x", "  " + marker + " tail"}, {"x", "  " + marker + " tail"}},
      {FuncCorrect,
       {"#strict", "", "Init:", " return(1);", "", "Timer: // t", "\tHit:"},
       {"#strict", "", " func Init(){", " return(1);", "", "}", " func Timer(){ // t", "}",
        " func \tHit(){", "}"}},
      {FuncCorrect,
       {"#strict", "x=1;", "// Init:", "/*", "Usage: x"},
       {"#strict", "x=1;", "// Init:", "/*", " func Usage(){ x", "}"}},
      {FuncCorrect, {"  Foo :"}, {"  Foo func  (){", "}"}},
      {FuncCorrect, {"  Init:"}, {"  func  Init(){", "}"}},
      {FuncCorrect, {":"}, {" func (){", "}"}},
      {FuncCorrect, {"a b:c d:"}, {"a func  b(){c d:", "}"}},
      {FuncCorrect, {}, {}},
  };
  for (const auto& [pass, input, expected] : cases) {
    SCOPED_TRACE(testing::PrintToString(input));
    LineList lines = input;
    const bool changed = pass(&lines);
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(changed, lines != input);
  }
}

}  // namespace
}  // namespace q9
