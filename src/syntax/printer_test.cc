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
  std::vector<Hazard> hazards;
  PrintSafely(tree, lines, &edits, &hazards);
  LineList out = {text};
  ApplyEdits(&edits, &out);
  for (const Hazard& hazard : hazards) out[0] += " [" + std::string(HazardSlug(hazard.kind)) + "]";
  return out[0];
}

TEST(PrinterTest, OperatorsWithBracketsOnlyWherePrecedenceNeedsThem) {
  const std::pair<const char*, const char*> cases[] = {
      // The rows' own bytes where nothing needs brackets.
      {"SetVar(0,Sum(a, b));", "Var(0)=a+ b;"},
      {"if(Equal(Var(0),10)) SetVar(0,0);", "if(Var(0)==10) Var(0)=0;"},
      {"IncVar(0);", "Var(0)++;"},
      {"Inc(Local(1));", "Local(1)++;"},
      {"DecVar(2);", "Var(2)--;"},
      {"SetLocal(1,Div(Mod(a,b),c));", "Local(1)=a%b/c;"},
      {"SetVar(0,Sum(a,Sum(b,c)));", "Var(0)=a+b+c;"},
      {"SetVar(0,Sum(a,Sub(b,c)));", "Var(0)=a+b-c;"},
      {"SetVar(0,Sub(a,Mul(b,c)));", "Var(0)=a-b*c;"},
      {"if(a eq b) Jump();", "if(a S= b) Jump();"},
      {"return(Not(Var(0)));", "return(!Var(0));"},
      // Brackets where the grouping would change.
      {"SetVar(0,Mul(Sum(a,b),c));", "Var(0)=(a+b)*c;"},
      {"SetVar(0,Sub(a,Sub(b,c)));", "Var(0)=a-(b-c);"},
      {"SetVar(0,Sub(a,Sum(b,c)));", "Var(0)=a-(b+c);"},
      {"SetVar(0,Pow(Pow(a,b),c));", "Var(0)=(a**b)**c;"},
      {"SetVar(0,Div(a,Div(b,c)));", "Var(0)=a/(b/c);"},
      {"if(Not(Equal(a,b))) Hurt(1);", "if(!(a==b)) Hurt(1);"},
      {"SetVar(0,Mul(a+b,c));", "Var(0)=(a+b)*c;"},
      {"SetVar(0,Sum(SetVar(1,2),3));", "Var(0)=(Var(1)=2)+3;"},
      {"SetVar(0,Equal(BitAnd(a,b),c));", "Var(0)=(a&b)==c;"},
      {"SetVar(0,Sum(a,b)*c);", "Var(0)=(a+b)*c;"},
      {"SetVar(0,-Sum(a,b));", "Var(0)=-(a+b);"},
      // Values of steps, glued signs, calls over lines of their own.
      {"SetVar(1,IncVar(0));", "Var(1)=++Var(0);"},
      {"SetVar(1,Dec(Var(0)));", "Var(1)=--Var(0);"},
      {"SetVar(0,Sub(Var(1),-3));", "Var(0)=Var(1)- -3;"},
      {"SetVar(0,Sub(Var(1), -3));", "Var(0)=Var(1)- -3;"},
      {"SetVar(0,Sum(a,IncVar(1)));", "Var(0)=a+ ++Var(1);"},
      {"SetVar(0,Sum (a,b));", "Var(0)= a+b;"},
      // Left alone, and said so.
      {"SetVar(0,And(Var(1),MakeRock()));", "Var(0)=And(Var(1),MakeRock()); [kept-call]"},
      {"SetVar(0,And(MakeRock(),Var(1)));", "Var(0)=MakeRock()&&Var(1);"},
      {"IncVar(1,2);", "IncVar(1,2); [argument-count]"},
      {"SetVar(0,Sum(a));", "Var(0)=Sum(a); [argument-count]"},
      {"if(IsNewgfx()) Hurt(1);", "if(IsNewgfx()) Hurt(1); [renamed-call]"},
      {"Inc(3);", "Inc(3); [kept-call]"},
      {"Say(\"Sum(a,b)\"); // Sum(c,d)", "Say(\"Sum(a,b)\"); // Sum(c,d)"},
      {"SetVar(0,GetSum(2));", "Var(0)=GetSum(2);"},
  };
  for (const auto& [old_text, expected] : cases) {
    EXPECT_EQ(Printed(old_text), expected) << old_text;
  }
}

}  // namespace
}  // namespace q9
