#include "syntax/meaning.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "syntax/parser.h"

namespace q9 {
namespace {

// The meaning of the one statement in |text|, or its constant value ("none" if it has none);
// "error" when it does not parse and SkipStatement then drops it whole.
std::string MeaningOf(const std::string& text, bool value = false) {
  const std::vector<std::string_view> lines = {text};
  Lexer lexer(lines, 0, 1);
  Parser parser(&lexer);
  Tree tree;
  if (!parser.ParseStatement(&tree)) {
    parser.SkipStatement();
    return parser.AtEnd() ? "error" : "error, not skipped whole";
  }
  if (!parser.AtEnd()) return "more than one statement";
  const Meaning meaning(tree, lines);
  if (value) {
    const std::optional<std::int32_t> folded = meaning.ConstantValue(tree.Kids(tree.root())[0]);
    return folded ? std::to_string(*folded) : "none";
  }
  std::string out;
  meaning.AppendStatement(&out);
  return out;
}

TEST(MeaningTest, OldCallsMeetTheOperatorsThatKeepTheirValue) {
  const std::tuple<const char*, const char*, bool> cases[] = {
      {"SetVar(0,Mul(Sum(a,b),c));", "Var(0) = (a + b) * c;", true},
      {"SetVar(0,Sum(a,Sub(b,c)));", "Var(0)=a+b-c;", true},
      {"SetVar(0,Sub(a,Sum(b,c)));", "Var(0)=a-b-c;", true},
      {"SetVar(0,Sub(x,-3));", "Var(0)=x- -3;", true},
      {"SetVar(0,Pow(Pow(a,b),c));", "Var(0)=a**b**c;", false},
      {"SetVar(0,Mul(a,Mul(b,c)));", "Var(0)=a*b*c;", true},
      {"if(Not(Equal(a,b))) Hurt(1);", "if(!(a==b)) Hurt(1);", true},
      {"if(Not(a)) Hurt(1); else { Say(\"x\"); }", "if(!a) { Hurt(1); } else Say(\"x\");", true},
      {"SetVar(0,And(Var(1),MakeRock()));", "Var(0)=Var(1)&&MakeRock();", false},
      {"SetVar(0,And(MakeRock(),Var(1)));", "Var(0)=MakeRock()&&Var(1);", true},
      {"SetVar(0,Or(Var(1),SetVar(2,1)));", "Var(0)=Var(1)||(Var(2)=1);", false},
      {"SetVar(1,DecVar(0));", "Var(1)=--Var(0);", true},
      {"return(Sum(1,2));", "return 1+2;", true},
      {"if(a eq b) Jump();", "if(a S= b) Jump();", true},
      {"if(IsNewgfx()) Jump();", "if(BarrelConfiguration()) Jump();", false},
      {"SetVar(0,Sum(a,b,c));", "Var(0)=a+b+c;", false},
      {"SetGlobal(3,GreaterThan(x,LessThan(y,2)));", "Global(3)=x>(y<2);", true},
      {"while(Var(0)) DecVar(0);", "while(Var(0)) Var(0)--;", true},
  };
  for (const auto& [old_text, strict_text, same] : cases) {
    const std::string old_meaning = MeaningOf(old_text), strict_meaning = MeaningOf(strict_text);
    EXPECT_EQ(old_meaning == strict_meaning, same)
        << old_text << " -> " << old_meaning << "\n" << strict_text << " -> " << strict_meaning;
    EXPECT_EQ(old_meaning.find("error"), std::string::npos) << old_text;
    EXPECT_EQ(strict_meaning.find("error"), std::string::npos) << strict_text;
  }
}

// Constant operands fold as the engine computes them: 32-bit wrap-around,
// division by 0 gives 0, shifts take the low five bits of their count.
TEST(MeaningTest, ConstantsFoldToThirtyTwoBitValues) {
  const std::pair<const char*, const char*> cases[] = {
      {"Div(7,2)+Mod(-7,2)", "2"},   {"7/0+7%0", "0"},          {"2147483647+1", "-2147483648"},
      {"-2147483647-1-1", "2147483647"},                        {"(-2147483647-1)/-1", "-2147483648"},
      {"Pow(-1,65)*Pow(2,3)", "-8"}, {"2**-1", "0"},            {"1<<33", "2"},
      {"-8>>1", "-4"},               {"LessThan(1,2)+(2<=2)*2+(3>2)*4+(2>=3)*8", "7"},
      {"(1==1)+(1!=1)*2+(6&3)*4", "9"},                         {"(6^3)+(6|3)*8", "61"},
      {"And(2,0)+Or(0,3)*2+Not(5)*4", "2"},                     {"~0+-(3)", "-4"},
      {"1?Sum(1,1):x", "2"},         {"x?1:2", "none"},         {"Sum(1,MakeRock())", "none"},
      {"2**64", "none"},             {"1**64+(-1)**64", "2"},
  };
  for (const auto& [text, value] : cases) {
    EXPECT_EQ(MeaningOf(std::string(text) + ";", true), value) << text;
  }
}

// Each refused for one reason: x-- on a constant, no variable left of "=", an open call or string,
// a label inside a statement, a ';' in brackets (which does not end it), an odd byte, "eq" alone.
TEST(MeaningTest, WhatTheModelRefusesDoesNotParse) {
  const char* const cases[] = {"Var(0)=x--3;",    "x=1;",         "3++;",
                               "Var(0)=Sum(a;",   "Say(\"open);", "if(x) Foo: y;",
                               "Var(0)=1 (2;3);", "Hurt(@);",     "return eq;"};
  for (const char* text : cases) EXPECT_EQ(MeaningOf(text), "error") << text;
}

// A chain of operators is read without recursion but is as high as it is long:
// a tree as high as the limit reads, one node higher does not, also where the
// chain stands in a call or a block.
TEST(MeaningTest, TreesHigherThanTheLimitDoNotParse) {
  const auto chain = [](int operators) {
    std::string text = "0";
    for (int i = 0; i < operators; ++i) text += "+1";
    return text;
  };
  const int most = Parser::kMaxDepth - 2;  // under the return, above the first operand
  const std::pair<std::string, std::string> around[] = {
      {"return ", ";"}, {"Hurt(", ");"}, {"{return ", ";}"}};
  for (const auto& [before, after] : around) {
    const int operators = before == "return " ? most : most - 1;
    EXPECT_NE(MeaningOf(before + chain(operators) + after), "error") << before;
    EXPECT_EQ(MeaningOf(before + chain(operators + 1) + after), "error") << before;
  }
}

}  // namespace
}  // namespace q9
