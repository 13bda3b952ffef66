#include "syntax/printer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "syntax/parser.h"
#include "tests/model/evaluator.h"

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
      // The rows' own bytes where nothing needs brackets (more in the warning model's
      // comparison with the exact conversion).
      {"SetVar(0,Sum(a, b));", "Var(0)=a+ b;"},
      {"IncVar(0);", "Var(0)++;"},
      {"Inc(Local(1));", "Local(1)++;"},
      {"if(a eq b) Jump();", "if(a S= b) Jump();"},
      {"return(Not(Var(0)));", "return(!Var(0));"},
      // Brackets where the grouping would change (and see below).
      {"SetVar(0,Mul(a+b,c));", "Var(0)=(a+b)*c;"},
      {"SetVar(0,Sum(SetVar(1,2),3));", "Var(0)=(Var(1)=2)+3;"},
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

// Every operator row inside every other, on either side: the printed
// statement computes what the old one did, as the script model runs both.
TEST(PrinterTest, EveryNestingOfOperatorRowsKeepsItsValue) {
  const std::string calls[] = {"Sum", "Sub",    "Mul", "Div", "Mod",         "Pow",      "BitAnd",
                               "And", "Or",     "Equal", "GreaterThan", "LessThan", "SEqual"};
  const std::int32_t values[][3] = {{2, 3, 5}, {-7, 0, 3}, {6, 2, 2}, {1, 1, 0}, {-2, 5, -3}};
  for (const std::string& outer : calls) {
    for (const std::string& inner : calls) {
      for (const std::string& value : {outer + "(" + inner + "(Var(1),Var(2)),Var(3))",
                                       outer + "(Var(1)," + inner + "(Var(2),Var(3)))",
                                       "Not(" + inner + "(Var(1),Var(2)))"}) {
        const std::string old_text = "SetVar(0," + value + ");", printed = Printed(old_text);
        const model::Script before = model::ParseScript("f: " + old_text, model::Syntax::kOld);
        const model::Script after =
            model::ParseScript("func f() { " + printed + " }", model::Syntax::kStrict);
        ASSERT_TRUE(after.functions.size() == 1 && after.functions[0].parsed) << printed;
        for (const auto& [a, b, c] : values) {
          model::State input;
          input.var = {{1, {false, a, ""}}, {2, {false, b, ""}}, {3, {false, c, ""}}};
          EXPECT_EQ(model::Describe(model::Run(after.functions[0], input)),
                    model::Describe(model::Run(before.functions[0], input)))
              << old_text << " printed " << printed;
        }
      }
    }
  }
}

}  // namespace
}  // namespace q9
