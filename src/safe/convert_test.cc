#include "safe/convert.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "passes/strict.h"

namespace q9 {
namespace {

const std::string kMarker(kUpdateMarker);

// The bytes --safe writes, and what it says: the exact conversion's layout,
// CR LF kept on every line of a CR LF script (added ones too), brackets where
// precedence needs them, and the calls it cannot convert without a change of
// meaning kept as they were, each said where it stands after the conversion.
TEST(ConvertSafelyTest, KeepsWhatTheScriptComputes) {
  const std::vector<std::tuple<LineList, LineList, std::string>> cases = {
      {{"Init: SetVar(0,Mul(Sum(1,2),3)); // x\r", "Timer: IncVar(0);\r"},
       {kMarker + "\r", "#strict\r", " func Init(){\r", " Var(0)=(1+2)*3; // x\r", "}\r",
        " func Timer(){\r", " Var(0)++;\r", "}\r"},
       ""},
      {{"protected Hit: SetVar(0,Sum(1)); return(And(Var(1),MakeRock()));"},
       {kMarker, "#strict", "protected func  Hit(){", " Var(0)=Sum(1);",
        " return(And(Var(1),MakeRock()));", "}"},
       "3:8 argument-count 4:8 kept-call "},
      {{"Init: Fire: Hurt(1);"},
       {kMarker, "#strict", " func Init(){", "}", " func  Fire(){", " Hurt(1);", "}"},
       ""},
      // "/*/" opens a comment and does not close it.
      {{"Init: Hurt(1); /*/", "*/ Hurt(2);"},
       {kMarker, "#strict", " func Init(){", " Hurt(1);", " /*/", "*/ Hurt(2);", "}"},
       ""},
      // A colon that starts a line after a "?" is its other half, not a label's.
      {{"F: return(GreaterThan(Var(0),2) ? Sum(Var(1),", "  Tree) : 3);", "G: return(Var(0) ? 1 +",
        "  Tree : 3);"},
       {kMarker, "#strict", " func F(){", " return(Var(0)>2 ? Var(1)+", "  Tree : 3);", "}",
        " func G(){", " return(Var(0) ? 1 +", "  Tree : 3);", "}"},
       ""},
      // Once the "?" has its ":", a label that starts its line is one again.
      {{"A: Hurt(Var(0) ? 1 : 2,", "B: Hurt(Sum(1,2));"},
       {kMarker, "#strict", " func A(){", " Hurt(Var(0) ? 1 : 2,", "}", " func B(){", " Hurt(1+2);",
        "}"},
       "4:0 unchecked "},
      {{"("}, {kMarker, "#strict", "("}, "2:0 unchecked "},  // an unfinished statement stays
      // The "}" lands in a comment left open: the check warns, but no call was converted.
      {{"Init: [", "/*c(1);"},
       {kMarker, "#strict", " func Init(){", " [", "/*c(1);", "}"},
       "2:0 unchecked 3:1 unchecked 4:0 comment "},
  };
  for (const auto& [input, expected, expected_hazards] : cases) {
    LineList lines = input;
    const Conversion conversion = ConvertSafely(&lines);
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(conversion.changed);
    std::string hazards;
    for (const Hazard& h : conversion.hazards) {
      hazards += std::to_string(h.line) + ":" + std::to_string(h.column) + " " + std::string(HazardSlug(h.kind)) + " ";
    }
    EXPECT_EQ(hazards, expected_hazards);
    EXPECT_FALSE(ConvertSafely(&lines).changed);  // a second run changes nothing
    EXPECT_EQ(lines, expected);
  }
}

// Where the second try kept calls back: the functions (from line 0, 2 and 5 on) whose lines differ
// from the first try's get a note on each of their lines that the check warned on.
TEST(ConvertSafelyTest, NotesKeptCallsOnlyWhereTheSecondTryDiffers) {
  const LineList first_try = {"a", "b", " func F(){", "x=1+2;", "}", " func G(){", "y=1+2;", "}"};
  const std::vector<std::tuple<LineList, std::vector<bool>, std::string>> cases = {
      {first_try, {true, false, true, false, false, true, true}, ""},
      {{"a", "b", " func F(){", "x=Sum(1,2);", "}", " func G(){", "y=1+2;", "}"},
       {true, true, false, true, false, true, false, true},
       "3 "},
      {{"a", "b", " func F(){", "x=1+2;", "}", " func G(){", "y=Sum(1,2);", "}"},
       {false, true, true, false, true, true, false, true},
       "5 7 "},
      {{"A", "b", " func F(){", "x=1+2;", "}", " func G(){", "y=1+2;", "}"}, {false, true}, "1 "},
      {{"a", "b"}, {false, false, false, false, false, false, true}, "6 "},  // shorter: differs
  };
  for (const auto& [kept, frozen, expected] : cases) {
    Hazards notes;
    NoteKeptCalls(first_try, kept, {2, 5}, frozen, &notes);
    std::string lines;
    for (const Hazard& note : notes) {
      EXPECT_EQ(note.kind, HazardKind::kKeptCall);
      lines += std::to_string(note.line) + " ";
    }
    EXPECT_EQ(lines, expected) << testing::PrintToString(kept);
  }
}

}  // namespace
}  // namespace q9
