#include "pipeline/conversion_hazards.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "hazards/check.h"
#include "pipeline/pipeline.h"

namespace q9 {
namespace {

// What the conversion says of small scripts, as "LINE:COLUMN+WIDTH slug: what / advice" on the
// converted lines; a note stands on every line of a CR LF script that lost its CR or is only a CR.
TEST(ConversionHazardsTest, SaysWhatChangedWhereAndWhatToDo) {
  // A chain that the checker reads before, but that grows past its limit.
  std::string chain;
  for (int i = 0; i < 600; ++i) chain += "+Mul(Sum(1,2),3)";
  const std::vector<std::pair<LineList, std::vector<std::string>>> cases = {
      {{"Init: SetVar(0,0" + chain + ");"},
       {"3:0+0 unchecked: the converted function holds a statement nested or chained deeper than the checker reads, so its conversion was not checked / check the converted function by hand"}},
      {{"Init: SetVar(Sum(0,1),1,2);"},
       {"3:11+0 argument-count: `SetVar(Sum(0,1),1,2)` has 3 argument(s) where SetVar takes 2, and its rewrite no longer reads as a script / write by hand what the call was meant to do"}},
      {{"Init: SetVar(0,Sum(1)); IncVar(1,2);"},
       {"3:8+1 argument-count: `Sum(1)` has 1 argument(s) where Sum takes 2; `Sum(1)` became `1` / write by hand what the call was meant to do",
        "4:9+0 argument-count: `IncVar(1,2)` has 2 argument(s) where IncVar takes 1, and its rewrite no longer reads as a script / write by hand what the call was meant to do"}},
      {{"Init:\r", " Say(\"a\");\r", "\r"},
       {"0:0+0 line-ends: the script has CR LF line ends, but this line now ends in LF alone / convert the file's line ends if your tools need them alike",
        "1:0+0 line-ends: the script has CR LF line ends, but this line now ends in LF alone / convert the file's line ends if your tools need them alike",
        "2:0+0 line-ends: the script has CR LF line ends, but this line now ends in LF alone / convert the file's line ends if your tools need them alike",
        "3:0+0 line-ends: the script has CR LF line ends, and this line now holds only a CR / remove it or keep it as an empty line",
        "5:0+0 line-ends: the script has CR LF line ends, and this line now holds only a CR / remove it or keep it as an empty line",
        "6:0+0 line-ends: the script has CR LF line ends, but this line now ends in LF alone / convert the file's line ends if your tools need them alike"}},
      {{"/* Sum(a,b) */ Init: Hurt(1); // Not(x)"},
       {"2:0+0 comment: the text of a comment in this function was rewritten / nothing needs doing; compare it with the original if the text matters",
        "2:10+0 broken: the converted function no longer reads as a script here / compare it with the original and mend it by hand"}},
      {{"Init: Say(\"Sum(1,2)\");"},
       {"3:5+5 string: the text of a string was rewritten: `\"Sum(1,2)\"` became `\"1+2\"` / put the original text back"}},
      {{"Init: SetVar(0,Mul(Sum(1,2),3));", "if(Not(Equal(Var(0),1))) Hurt(1);"},
       {"3:8+5 precedence: `Mul(Sum(1,2),3)` became `1+2*3`, which groups its operands differently / write `(1+2)*3`",
        "4:3+10 precedence: `Not(Equal(Var(0),1))` became `!Var(0)==1`, which groups its operands differently / write `!(Var(0)==1)`"}},
      {{"Init: SetVar(0,And(Var(1),MakeRock()));", "SetVar(1,IncVar(0));"},
       {"3:8+18 short-circuit: `And(Var(1),MakeRock())` became `Var(1)&&MakeRock()`: And always evaluated `MakeRock()`, but && skips it when the left side already decides / keep `And(Var(1),MakeRock())` as it was",
        "4:7+8 step-value: `IncVar(0)` became `Var(0)++`: IncVar gave the new value, ++ after a variable gives the old one / write `++Var(0)`"}},
      {{"Init: SetVar(0,GetSum(1)); SetVar(0,Sub(1,-3));"},
       {"3:8+4 name-in-word: `GetSum(1)` became `Get1`: the name `GetSum` holds `Sum`, which was rewritten as if it were a call / restore `GetSum`",
        "4:9+0 glued-operators: in `Sub(1,-3)` the operator `-` ran into the `-` of the next operand and formed `--` / put a blank or brackets between them: `- -`"}},
      {{"Init: SetVar(0,Sum (1,2));"},
       {"3:12+0 not-a-call: `Sum` is not directly followed by its bracket, so the rewrite took the wrong text / write the call without a blank before its bracket, then convert again",
        "3:1+6 unconverted: this SetVar call has no closing bracket, so the conversion of SetVar stopped here; its calls stay in the old form / add the missing bracket, then convert again"}},
      {{"Init: SetVar(0,Sum(1,", "2; /* ) */ // )"},
       {"3:10+3 unconverted: this Sum call has no closing bracket, so the conversion of Sum stopped here; its calls stay in the old form / add the missing bracket, then convert again",
        "3:1+6 unconverted: this SetVar call has no closing bracket, so the conversion of SetVar stopped here; its calls stay in the old form / add the missing bracket, then convert again"}},
      {{"Init: SetVar(0,Sum(1,", "Say(\")\")); Hurt(1);"},
       {"3:10+3 unconverted: this Sum call's closing bracket is on another line, so the conversion of Sum stopped here; its calls stay in the old form (they still work) / to have them converted, put this call on one line and convert again",
        "3:1+6 unconverted: this SetVar call has no closing bracket, so the conversion of SetVar stopped here; its calls stay in the old form / add the missing bracket, then convert again"}},
      {{"Init: if(Or (Var(1),2)) Hurt(1);", "SetVar(0,Mul(Sum(1,2),3)); Hurt(2); SetVar(1,Sub(1,-3));"},
       {"3:11+0 not-a-call: `Or` is not directly followed by its bracket, so the rewrite took the wrong text / write the call without a blank before its bracket, then convert again",
        "4:7+5 precedence: `Mul(Sum(1,2),3)` became `1+2*3`, which groups its operands differently / write `(1+2)*3`",
        "6:9+0 glued-operators: in `Sub(1,-3)` the operator `-` ran into the `-` of the next operand and formed `--` / put a blank or brackets between them: `- -`"}},
      {{"Init: SetVar(1,Mul(Sum(1,2),3)); DecVar(); SetVar(1,3);"},
       {"3:8+5 precedence: `Mul(Sum(1,2),3)` became `1+2*3`, which groups its operands differently / write `(1+2)*3`",
        "4:1+7 argument-count: `DecVar()` has 0 argument(s) where DecVar takes 1; `DecVar()` became `Var()--` / write by hand what the call was meant to do"}},
      {{"Init: if(Var(2)) { SetVar(0,1,2); } SetVar(1,Mul(Sum(1,2),3));"},
       {"3:22+0 argument-count: `SetVar(0,1,2)` has 3 argument(s) where SetVar takes 2, and its rewrite no longer reads as a script / write by hand what the call was meant to do",
        "4:10+5 precedence: `Mul(Sum(1,2),3)` became `1+2*3`, which groups its operands differently / write `(1+2)*3`"}},
      {{"Init: if(SetVar(0,1,2)) { } SetVar(1,Mul(Sum(1,2),3));"},  // the skip stops at "}"
       {"3:13+0 argument-count: `SetVar(0,1,2)` has 3 argument(s) where SetVar takes 2, and its rewrite no longer reads as a script / write by hand what the call was meant to do",
        "3:28+5 precedence: `Mul(Sum(1,2),3)` became `1+2*3`, which groups its operands differently / write `(1+2)*3`"}},
      {{"Init: if(Equal(1,Mul(Sum(1,2),3))) Hurt(1);"},  // the culprit is the second operand
       {"3:7+5 precedence: `Mul(Sum(1,2),3)` became `1+2*3`, which groups its operands differently / write `(1+2)*3`"}},
      {{"Init: Hurt(1);", "SetVar(0,Var(1) ? 2 : 3);"},  // the colon of ?: taken for a header
       {"5:20+0 odd-header: a colon that belongs to no label was taken for a function header / join the lines again and restore the colon",
        "5:0+6 unconverted: this SetVar call's closing bracket is on another line, so the conversion of SetVar stopped here; its calls stay in the old form (they still work) / to have them converted, put this call on one line and convert again"}},
      {{"Init: Hurt(1); Fire: Boom: Hurt(2);"}, {}},
      {{"Init: Hurt(2*", "Sum(1,2));"},  // a quote over two lines
       {"3:6+2 precedence: `2* Sum(1,2)` became `2* 1+2`, which groups its operands differently / write `2* (1+2)`"}},
      {{"Init: Hurt(Mul(Sum(FindTheNearestRockThatTheMinerCouldBreakOpen(),2),3));"},  // 60 bytes, not cut
       {"3:6+50 precedence: `Mul(Sum(FindTheNearestRockThatTheMinerCouldBreakOpen(),2),3)` became `FindTheNearestRockThatTheMinerCouldBreakOpen()+2*3`, which groups its operands differently / write `(FindTheNearestRockThatTheMinerCouldBreakOpen()+2)*3`"}},
      {{"Init: Var(Mul(Sum(1,2),3))++;"},
       {"3:5+5 precedence: `Mul(Sum(1,2),3)` became `1+2*3`, which groups its operands differently / write `(1+2)*3`"}},
      {{"Init: Hurt(1); /* c */;"}, {}},
      {{"Init: SetVar(0,Mul(Sum(1,2),3)); Inc(Var(0)", "); SetVar(0,5);"},  // Inc reads Var(0) first
       {"3:8+5 precedence: `Mul(Sum(1,2),3)` became `1+2*3`, which groups its operands differently / write `(1+2)*3`",
        "4:1+3 unconverted: this Inc call's closing bracket is on another line, so the conversion of Inc stopped here; its calls stay in the old form (they still work) / to have them converted, put this call on one line and convert again"}},
      {{"Init: if(Var(1)!=2) SetVar(0,Not(Var(3)));"},
       {"3:22+6 negation-dropped: `Not(Var(3))` became `Var(3)`: the negation was left out, because the line holds \"!=\" / write `!Var(3)`"}},
      // Var(0) is stored over before it is read: "!1" neither reads nor stores a variable.
      {{"Init: SetVar(0,Mul(Sum(1,2),3)); Hurt(!1); SetVar(0,5);", "Fire: SetVar(1,Mul(Sum(1,2),3)); SetVar(1,Var(1,2));"},
       {"3:0+0 harmless: this statement was rewritten into one that computes something else, but what it stores is stored over before anything reads it / nothing needs doing, unless you change the lines after it",
        "8:8+5 precedence: `Mul(Sum(1,2),3)` became `1+2*3`, which groups its operands differently / write `(1+2)*3`"}},
      {{"Init: if(IsNewgfx(Mul(Sum(1,2),3))) Hurt(1);"},
       {"3:4+26 renamed-call: `IsNewgfx` was renamed to `BarrelConfiguration`, which takes other arguments / write the call that this place needs now"}},
      {{"Init: Hurt(1);", "foo Bar: Hurt(2);"},  // no label: only modifiers may stand before the name
       {"5:0+0 unchecked: this function holds code the checker cannot read (line 2 before: `Bar: Hurt(2);`), so its conversion was not checked / check the converted function by hand"}},
      {{"Init: if(Var(0)) { Hurt(1); y: Hurt(2); }"},  // no label inside a block
       {"2:0+0 unchecked: this function holds code the checker cannot read (line 1 before: `y: Hurt(2); }`), so its conversion was not checked / check the converted function by hand"}},
      {{"Init: SetVar(0,Sum(1,2) Hurt(1234567890123456789);"},
       {"2:0+0 unchecked: this function holds code the checker cannot read (line 1 before: `Hurt(123456789012345`), so its conversion was not checked / check the converted function by hand",
        "3:1+6 unconverted: this SetVar call has no closing bracket, so the conversion of SetVar stopped here; its calls stay in the old form / add the missing bracket, then convert again"}},
      // A header spoilt by a rewrite inside its name, and labels that stay labels: said once a line.
      {{"Request:", "  SetVar(3,\"a\"); Ejection: SetVar(0, 3); SetVar(3,\"b\"); Landing: Hurt(1);"},
       {"2:1+0 broken: the function's header no longer reads as a script / compare it with the label it was made from and mend it by hand",
        "3:14+8 broken: the label `Ejection` did not become a function header, so its function is now part of the one above and no longer reads as a script / write its function header by hand, and end the function above before it"}},
      {{"Init: SetVar(0,Mul(Sum(1,2),3)); Fire: Hurt( Boom:"},  // Fire ends up empty, yet is a function
       {"3:8+5 precedence: `Mul(Sum(1,2),3)` became `1+2*3`, which groups its operands differently / write `(1+2)*3`",
        "5:0+0 unchecked: this function holds code the checker cannot read (line 1 before: `:`), so its conversion was not checked / check the converted function by hand"}},
  };
  for (const auto& [input, hazards] : cases) {
    LineList lines = input;
    const Conversion conversion = Convert(&lines, {.collect_hazards = true});
    EXPECT_TRUE(conversion.origin.empty());  // the origins were only needed inside
    std::vector<std::string> seen;
    for (const Hazard& h : conversion.hazards) {
      seen.push_back(std::to_string(h.line) + ":" + std::to_string(h.column) + "+" + std::to_string(h.width) +
                     " " + std::string(HazardSlug(h.kind)) + ": " + h.what + " / " + h.advice);
    }
    EXPECT_EQ(seen, hazards) << testing::PrintToString(input);
  }
}

// A long script is checked in two halves at once, the second on the guess that the first ends
// outside comments; a comment the conversion opens (`1/*2`) makes the guess wrong, to no effect.
// Each half's warnings are put in line order before the two are joined.
TEST(ConversionHazardsTest, HalvesCheckedAtOnceWarnAsOneRunDoes) {
  for (const bool open_comment : {false, true}) {
    LineList lines;
    for (int i = 0; i < 7; ++i) {
      lines.push_back("F" + std::to_string(i) + ": SetVar(0,Mul(Sum(1,2),3));");
      if (open_comment && i == 1) lines.push_back("SetVar(1,Div(1,*2));");
      // A comment's note is found before the warning on the line above it.
      if (i == 5) lines.push_back("// Sum(1,2)");
    }
    const LineList before = lines;
    const Conversion conversion = Convert(&lines, {.track_origin = true});
    const std::vector<std::string_view> old_views(before.begin(), before.end());
    const std::vector<std::string_view> new_views(lines.begin(), lines.end());
    const LineMap map{conversion.origin, conversion.origin_column, conversion.headers};
    const auto summary = [&](std::size_t split_lines) {
      std::string seen;
      for (const Hazard& h : CheckConversion(old_views, new_views, map, split_lines)) {
        seen += std::to_string(h.line) + std::string(HazardSlug(h.kind)) + " ";
      }
      return seen;
    };
    const std::string whole = summary(lines.size() + 1);
    EXPECT_EQ(summary(0), whole);
    if (!open_comment) {
      EXPECT_EQ(whole, "3precedence 6precedence 9precedence 12precedence 15precedence 18precedence 19comment 22precedence ");
    }
  }
}

}  // namespace
}  // namespace q9
