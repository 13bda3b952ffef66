#include "syntax/printer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "syntax/parser.h"

namespace q9 {
namespace {

// The statement in |text| as the safe printer writes it, with the slugs of
// what it left alone.
std::string Printed(const std::string& text) {
  const std::vector<std::string_view> lines = {text};
  Lexer lexer(lines, 0, 1);
  Parser parser(&lexer);
  Tree tree;
  if (!parser.ParseStatement(&tree)) return "error";
  std::vector<Edit> edits;
  Hazards hazards;
  PrintSafely(tree, lines, &edits, &hazards);
  LineList out = {text};
  ApplyEdits(&edits, &out);
  for (const Hazard& hazard : hazards) out[0] += " [" + std::string(HazardSlug(hazard.kind)) + "]";
  return out[0];
}

// The rows' own bytes where nothing needs brackets (the warning model holds the two conversions
// to that on generated scripts), brackets where the grouping would change, values of steps, glued
// signs; what it leaves alone it says.
TEST(PrinterTest, OperatorsWithBracketsOnlyWherePrecedenceNeedsThem) {
  const std::pair<const char*, const char*> cases[] = {
      {"SetVar(0,Sum(a, b));", "Var(0)=a+ b;"},
      {"Inc(Local(1));", "Local(1)++;"},
      {"if(a eq b) Jump();", "if(a S= b) Jump();"},
      {"SetVar(0,Mul(a+b,c));", "Var(0)=(a+b)*c;"},
      {"SetVar(0,Sum(SetVar(1,2),3));", "Var(0)=(Var(1)=2)+3;"},
      {"SetVar(0,-Sum(a,b));", "Var(0)=-(a+b);"},
      {"SetVar(0,Sub(a,Sub(b,c)));", "Var(0)=a-(b-c);"},
      {"SetVar(0,Pow(Pow(a,b),c));", "Var(0)=(a**b)**c;"},
      {"SetVar(0,SetVar(1,Pow(a,Pow(b,c))));", "Var(0)=Var(1)=a**b**c;"},
      {"SetVar(IncVar(2),IncVar(0));", "Var(++Var(2))=++Var(0);"},
      {"SetVar(1,Dec(Var(0)));", "Var(1)=--Var(0);"},
      {"return(Not(IncVar(0)));", "return(!++Var(0));"},
      {"Var(Sum(a,b))++;", "Var(a+b)++;"},
      {"SetVar(0,x?Sum(a,b):Mul(c,d));", "Var(0)=x?a+b:c*d;"},
      {"SetVar(0,Sub(Var(1), -3));", "Var(0)=Var(1)- -3;"},
      {"SetVar(0,Sum(a,IncVar(1)));", "Var(0)=a+ ++Var(1);"},
      {"SetVar(0,Sum (a,b));", "Var(0)= a+b;"},
      {"SetVar(0,And(Var(1),MakeRock()));", "Var(0)=And(Var(1),MakeRock()); [kept-call]"},
      {"SetVar(0,And(MakeRock(),Var(1)));", "Var(0)=MakeRock()&&Var(1);"},
      {"IncVar(1,2);", "IncVar(1,2); [argument-count]"},
      {"SetVar(0,Sum(a));", "Var(0)=Sum(a); [argument-count]"},
      {"if(IsNewgfx()) Hurt(1);", "if(IsNewgfx()) Hurt(1); [renamed-call]"},
      {"Say(\"Sum(a,b)\"); // Sum(c,d)", "Say(\"Sum(a,b)\"); // Sum(c,d)"},
      {"Inc(3);", "Inc(3); [kept-call]"},
      {"SetVar(0,GetSum(2));", "Var(0)=GetSum(2);"},
  };
  for (const auto& [old_text, expected] : cases) {
    EXPECT_EQ(Printed(old_text), expected) << old_text;
  }
}

}  // namespace
}  // namespace q9
