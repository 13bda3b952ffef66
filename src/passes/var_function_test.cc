#include "passes/var_function.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "pipeline/pipeline.h"

namespace q9 {
namespace {

// One run of the conversion's first row of that name, with its literal texts.
RunResult RunRow(LineList* lines, std::string_view name) {
  for (const Row& row : PipelineRows()) {
    if (row.name == name) return VarFunction(lines, row.name, row.prefix, row.text, row.unary);
  }
  ADD_FAILURE() << "no row " << name;
  return {};
}

TEST(VarFunctionTest, OneRun) {
  struct Case {
    std::string row;
    LineList input, expected;
    std::optional<std::size_t> bracket_error = {};
  };
  const std::vector<Case> cases = {
      {"SetVar", {"SetVar(0,5);"}, {"Var(0)=5;"}},
      {"AssignVar", {"AssignVar(0,1);"}, {"Var(0)=1;"}},
      {"SetGlobal", {"SetGlobal(3,x);"}, {"Global(3)=x;"}},
      {"SetLocal", {"SetLocal(1,y);"}, {"Local(1)=y;"}},
      {"DecVar", {"DecVar(2);"}, {"Var(2)--;"}},
      {"IncVar", {"IncVar(1);"}, {"Var(1)++;"}},
      {"Inc", {"Inc(i);"}, {"i++;"}},
      {"Dec", {"Dec(i);"}, {"i--;"}},
      {"Not", {"if(Not(x))"}, {"if(!x)"}},
      {"Not", {"if(Not(a,b))"}, {"if(a!=b)"}},
      {"Not", {"x=Not(y);"}, {"x=!y;"}},
      {"Not", {"if(Not(x)) y=a!=b;"}, {"if(x) y=a!=b;"}},
      {"Not", {"x!Not(=y)"}, {"x!=y"}},  // a "!=" formed by the rewrite itself
      // Operator rows run first.
      {"Equal", {"if(Not(Equal(a,b)))"}, {"if(Not(a==b))"}},
      {"Not", {"if(Not(a==b))"}, {"if(!a==b)"}},
      {"Sum", {"SetVar(0,Sum(Var(0),1));"}, {"SetVar(0,Var(0)+1);"}},
      {"SetVar", {"SetVar(0,Var(0)+1);"}, {"Var(0)=Var(0)+1;"}},
      {"SetVar", {"SetVar(0,5)"}, {"Var(0)=5"}},
      // Nested calls take one run each.
      {"SetVar", {"SetVar(0,SetVar(1,2));"}, {"Var(0)=SetVar(1,2);"}},
      {"SetVar", {"Var(0)=SetVar(1,2);"}, {"Var(0)=Var(1)=2;"}},
      {"SetVar", {"SetVar(0,f(1));\r"}, {"Var(0)=f(1);\r"}},
      {"IncVar", {"IncVar(1,2);"}, {"Var(1)++2)++;"}},
      {"IncVar", {"IncVar();"}, {"Var()++;"}},
      {"Inc", {"Inc(Var(0));"}, {"Var(0)++;"}},
      {"Inc", {"Inc();"}, {"++;"}},
      {"SetVar", {"SetVar (0,5);"}, {"SetVar (0,5);"}, 0},
      {"Inc", {"x=Incoming;"}, {"x=Incoming;"}, 0},
      // A bracket error keeps nothing of the run.
      {"Inc", {"Inc(a)", "Inc(b)", "Inc("}, {"Inc(a)", "Inc(b)", "Inc("}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.row + " on " + testing::PrintToString(c.input));
    LineList lines = c.input;
    const RunResult result = RunRow(&lines, c.row);
    EXPECT_EQ(lines, c.expected);
    EXPECT_EQ(result.changed, c.input != c.expected);
    EXPECT_EQ(result.bracket_error, c.bracket_error);
  }
}

}  // namespace
}  // namespace q9
