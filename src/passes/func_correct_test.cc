#include "passes/func_correct.h"

#include <gtest/gtest.h>

#include <vector>

namespace q9 {
namespace {

// " func " goes before the last blank ahead of the accepted colon (or at the
// start), the colon becomes "(){", and a "}" closes each header's lines.
TEST(FuncCorrectTest, TurnsAcceptedLabelsIntoFuncBlocks) {
  struct Case {
    LineList input, expected;
  };
  const std::vector<Case> cases = {
      {{"#strict", "", "Init:", " return(1);", "", "Timer: // t", "\tHit:"},
       {"#strict", "", " func Init(){", " return(1);", "", "}", " func Timer(){ // t", "}",
        " func \tHit(){", "}"}},
      {{"#strict", "x=1;", "// Init:", "/*", "Usage: x"},
       {"#strict", "x=1;", "// Init:", "/*", " func Usage(){ x", "}"}},
      {{"  Foo :"}, {"  Foo func  (){", "}"}},
      {{"  Init:"}, {"  func  Init(){", "}"}},
      {{":"}, {" func (){", "}"}},
      {{"a b:c d:"}, {"a func  b(){c d:", "}"}},
      {{}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.input));
    LineList lines = c.input;
    EXPECT_EQ(FuncCorrect(&lines), c.expected.size() != c.input.size());
    EXPECT_EQ(lines, c.expected);
  }
}

}  // namespace
}  // namespace q9
