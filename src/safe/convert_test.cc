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
      {{"Init: Fire: Hurt(1);"}, {kMarker, "#strict", " func Init(){", "}", " func  Fire(){", " Hurt(1);", "}"}, ""},
      // "/*/" opens a comment and does not close it.
      {{"Init: Hurt(1); /*/", "*/ Hurt(2);"}, {kMarker, "#strict", " func Init(){", " Hurt(1);", " /*/", "*/ Hurt(2);", "}"}, ""},
      {{"("}, {kMarker, "#strict", "("}, "2:0 unchecked "},  // an unfinished statement stays
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

}  // namespace
}  // namespace q9
