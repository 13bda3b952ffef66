#include "passes/func_correct.h"

#include <gtest/gtest.h>

#include <vector>

#include "passes/correct.h"

namespace q9 {
namespace {

TEST(FuncCorrectTest, TurnsAcceptedLabelsIntoFuncBlocks) {
  struct Case {
    LineList input, expected;
  };
  const std::vector<Case> cases = {
      {{"protected Initialize:", " SetVar(0,1);"},
       {"protected func  Initialize(){", " SetVar(0,1);", "}"}},
      {{"Initialize:", " return(1);"}, {" func Initialize(){", " return(1);", "}"}},
      {{"#strict", "", "Initialize:", " return(1);", "", "Timer:", " return(0);"},
       {"#strict", "", " func Initialize(){", " return(1);", "", "}", " func Timer(){",
        " return(0);", "}"}},
      {{"#strict", "x=1;"}, {"#strict", "x=1;"}},
      {{"  Initialize:"}, {"  func  Initialize(){", "}"}},
      {{"Foo :"}, {"Foo func  (){", "}"}},
      {{":"}, {" func (){", "}"}},
      {{"\tInit:"}, {" func \tInit(){", "}"}},
      {{"// Init:", "Init:"}, {"// Init:", " func Init(){", "}"}},
      {{"x=a?b:"}, {" func x=a?b(){", "}"}},
      {{"Foo: // text"}, {" func Foo(){ // text", "}"}},
      {{" Init:"}, {" func  Init(){", "}"}},
      {{"/*", "Usage:", " call this", "*/"}, {"/*", " func Usage(){", " call this", "*/", "}"}},
      // Only the colon the guard accepts is rewritten, and only blanks before it count.
      {{"a b:c d:"}, {"a func  b(){c d:", "}"}},
      {{"A:", "B:", "C:"}, {" func A(){", "}", " func B(){", "}", " func C(){", "}"}},
      {{}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.input));
    LineList lines = c.input;
    EXPECT_EQ(FuncCorrect(&lines), c.expected.size() != c.input.size());
    EXPECT_EQ(lines, c.expected);
  }
}

TEST(FuncCorrectTest, FollowsStatementLayout) {
  LineList lines = {"#strict", "Initialize: SetVar(0,1); return(1);",
                    "Timer: if(Var(0)) Foo(); return(0);"};
  ASSERT_TRUE(Correct(&lines));
  ASSERT_TRUE(FuncCorrect(&lines));
  const LineList expected = {"#strict", " func Initialize(){", " SetVar(0,1);",      " return(1);",
                             "}",       " func Timer(){",      " if(Var(0)) Foo();", " return(0);",
                             "}"};
  EXPECT_EQ(lines, expected);
}

}  // namespace
}  // namespace q9
