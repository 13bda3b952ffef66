#include "passes/var_function.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "passes/normal_operator.h"

namespace q9 {
namespace {

struct Row {
  std::string name;
  std::string prefix;
  std::string infix;
  bool unary;
};

const Row kSetVar{"SetVar", "Var(", ")=", false};
const Row kAssignVar{"AssignVar", "Var(", ")=", false};
const Row kSetGlobal{"SetGlobal", "Global(", ")=", false};
const Row kSetLocal{"SetLocal", "Local(", ")=", false};
const Row kDecVar{"DecVar", "Var(", ")--", true};
const Row kIncVar{"IncVar", "Var(", ")++", true};
const Row kInc{"Inc", "", "++", true};
const Row kDec{"Dec", "", "--", true};
const Row kNot{"Not", "!", "!=", false};

RunResult RunRow(LineList* lines, const Row& row) {
  return VarFunction(lines, row.name, row.prefix, row.infix, row.unary);
}

struct RunCase {
  Row row;
  std::string input;
  std::string expected;  // after one run
  std::optional<std::size_t> bracket_error;
};

TEST(VarFunctionTest, OneRunOnOneLine) {
  const std::vector<RunCase> cases = {
      {kSetVar, "SetVar(0,5);", "Var(0)=5;", std::nullopt},
      {kAssignVar, "AssignVar(0,1);", "Var(0)=1;", std::nullopt},
      {kSetGlobal, "SetGlobal(3,x);", "Global(3)=x;", std::nullopt},
      {kSetLocal, "SetLocal(1,y);", "Local(1)=y;", std::nullopt},
      {kDecVar, "DecVar(2);", "Var(2)--;", std::nullopt},
      {kIncVar, "IncVar(1);", "Var(1)++;", std::nullopt},
      {kInc, "Inc(i);", "i++;", std::nullopt},
      {kDec, "Dec(i);", "i--;", std::nullopt},
      {kNot, "if(Not(x))", "if(!x)", std::nullopt},
      {kNot, "if(Not(a,b))", "if(a!=b)", std::nullopt},
      {kNot, "x=Not(y);", "x=!y;", std::nullopt},
      {kNot, "if(Not(x)) y=a!=b;", "if(x) y=a!=b;", std::nullopt},
      {kNot, "if(Not(a==b))", "if(!a==b)", std::nullopt},
      {kNot, "x!Not(=y)", "x!=y", std::nullopt},  // "!=" formed by the rewrite itself
      {kNot, "x=Not(y)!", "x=!y!", std::nullopt},
      {kSetVar, "SetVar(0,5)", "Var(0)=5", std::nullopt},
      {kSetVar, "SetVar(0,SetVar(1,2));", "Var(0)=SetVar(1,2);", std::nullopt},
      {kSetVar, "SetVar(0,f(1));", "Var(0)=f(1);", std::nullopt},
      {kSetVar, "SetVar(0,1);\r", "Var(0)=1;\r", std::nullopt},
      {kIncVar, "IncVar(1,2);", "Var(1)++2)++;", std::nullopt},
      {kIncVar, "IncVar();", "Var()++;", std::nullopt},
      {kInc, "Inc(Var(0));", "Var(0)++;", std::nullopt},
      {kInc, "Inc();", "++;", std::nullopt},
      {kSetVar, "setvar(0,1);", "setvar(0,1);", std::nullopt},
      {kSetVar, "SetVar (0,5);", "SetVar (0,5);", 0},
      {kInc, "x=Incoming;", "x=Incoming;", 0},
      {kNot, "Not", "Not", 0},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.row.name + " on " + c.input);
    LineList lines = {c.input};
    const RunResult result = RunRow(&lines, c.row);
    EXPECT_EQ(lines, LineList{c.expected});
    EXPECT_EQ(result.changed, c.input != c.expected);
    EXPECT_EQ(result.bracket_error, c.bracket_error);
  }
}

TEST(VarFunctionTest, BracketErrorKeepsNothingOfTheRun) {
  LineList lines = {"SetVar(0,1);", "x=1;", "SetVar(2,", "SetVar(3,4);"};
  const LineList before = lines;
  const RunResult result = RunRow(&lines, kSetVar);
  EXPECT_EQ(lines, before);
  EXPECT_FALSE(result.changed);
  EXPECT_EQ(result.bracket_error, 2u);
}

TEST(VarFunctionTest, NestedCallsTakeOneRunEach) {
  LineList lines = {"SetVar(0,SetVar(1,2));", "IncVar(0);"};
  EXPECT_TRUE(RunRow(&lines, kSetVar).changed);
  EXPECT_EQ(lines, (LineList{"Var(0)=SetVar(1,2);", "IncVar(0);"}));
  EXPECT_TRUE(RunRow(&lines, kSetVar).changed);
  EXPECT_EQ(lines, (LineList{"Var(0)=Var(1)=2;", "IncVar(0);"}));
  const RunResult last = RunRow(&lines, kSetVar);
  EXPECT_FALSE(last.changed);
  EXPECT_FALSE(last.bracket_error);
  EXPECT_EQ(lines, (LineList{"Var(0)=Var(1)=2;", "IncVar(0);"}));
}

TEST(VarFunctionTest, OperatorRowsRunFirst) {
  struct Chain {
    std::string input;
    std::string op_name;
    std::string op;
    Row row;
    std::string after_operator;
    std::string after_function;
  };
  const std::vector<Chain> chains = {
      {"if(Not(Equal(a,b)))", "Equal", "==", kNot, "if(Not(a==b))", "if(!a==b)"},
      {"SetVar(0,Sum(Var(0),1));", "Sum", "+", kSetVar, "SetVar(0,Var(0)+1);", "Var(0)=Var(0)+1;"},
  };
  for (const Chain& c : chains) {
    SCOPED_TRACE(c.input);
    LineList lines = {c.input};
    EXPECT_TRUE(NormalOperator(&lines, c.op_name, c.op).changed);
    EXPECT_EQ(lines, LineList{c.after_operator});
    EXPECT_TRUE(RunRow(&lines, c.row).changed);
    EXPECT_EQ(lines, LineList{c.after_function});
  }
}

}  // namespace
}  // namespace q9
