#include "passes/exchange.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace q9 {
namespace {

struct ExchangeCase {
  std::string find;
  std::string replacement;
  LineList input;
  std::vector<LineList> states;  // after each run that returned true
};

TEST(ExchangeTest, ReplacesFirstOccurrencePerLineEachRun) {
  const std::vector<ExchangeCase> cases = {
      {"eq", "S=", {"if(a eq b) return(1);"}, {{"if(a S= b) return(1);"}}},
      {"eq", "S=", {"Request", "frequency"}, {{"RS=uest", "frS=uency"}}},
      {"eq", "S=", {"x eq y eq z"}, {{"x S= y eq z"}, {"x S= y S= z"}}},
      {"eq", "S=", {"a eq b", "c", "d eq e"}, {{"a S= b", "c", "d S= e"}}},
      {"eq", "S=", {"a eq b\r"}, {{"a S= b\r"}}},
      {"eq", "S=", {"EQ Eq"}, {}},
      {"eq", "S=", {}, {}},
      {"IsNewgfx", "BarrelConfiguration", {"if(IsNewgfx())"}, {{"if(BarrelConfiguration())"}}},
      {"SetSkyFade",
       "BarrelConfiguration",
       {"SetSkyFade(0,0,0);"},
       {{"BarrelConfiguration(0,0,0);"}}},
  };
  for (const ExchangeCase& c : cases) {
    SCOPED_TRACE(c.find + " on " + (c.input.empty() ? std::string("{}") : c.input[0]));
    LineList lines = c.input;
    std::vector<LineList> states;
    for (int run = 0; run < 100 && Exchange(&lines, c.find, c.replacement); ++run) {
      states.push_back(lines);
    }
    EXPECT_EQ(states, c.states);
    // The run that returned false left the list as it was.
    EXPECT_EQ(lines, c.states.empty() ? c.input : c.states.back());
  }
}

}  // namespace
}  // namespace q9
