#include "hazards/dead_stores.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace q9 {
namespace {

// One statement per line; "1" for each statement whose stores are dead.
std::string Dead(const std::vector<std::string_view>& statements) {
  StatementRun run{statements, {}, {statements.size(), 0}};
  for (std::size_t k = 0; k < statements.size(); ++k) run.starts.push_back({k, 0});
  std::string flags;
  for (const bool dead : DeadStores(run)) flags += dead ? '1' : '0';
  return flags;
}

TEST(DeadStoresTest, AStoreIsDeadWhenStoredOverBeforeAnythingSeesIt) {
  const std::vector<std::pair<std::vector<std::string_view>, std::string>> cases = {
      {{"Var(0)=1;", "SetVar(0,2);"}, "10"},                    // the run's end may see the last
      {{"Var(0)=1;", "Var(1)=Var(0);", "Var(0)=2;"}, "000"},    // read first
      {{"Var(0)=1;", "Var(0)=Var(0)+1;", "Var(0)=2;"}, "010"},  // a read before its own store
      {{"Var(0)=1;", "Hurt(Var(2));", "Var(0)=2;"}, "100"},     // other effects after it count not
      {{"Var(0)=1;", "Hurt(Var(Var(1)));", "Var(0)=2;"}, "000"},  // Var * may be Var 0
      {{"Var(0)=1;", "Hurt(Local(Var(1)));", "Var(0)=2;"}, "100"},
      {{"Var(0)=1;", "Inc(Var);", "Var(0)=2;"}, "110"},  // a word, no variable
      {{"Var(0)=1;", "return(1);", "Var(0)=2;"}, "000"},
      {{"Var(0)=1;", "Var(0)=(;", "Var(0)=2;"}, "000"},  // does not parse
      {{"Var(Var(1))=1;", "Var(0)=2;"}, "00"},
      {{"Var(0)=1;", "Var(Var(2))=3;", "Var(0)=2;"}, "100"},  // no plain store of Var 0
      // A store in a branch may not run.
      {{"Var(0)=1;", "if(Var(1)) Var(0)=2;", "Var(0)=3;"}, "110"},
      {{"Var(0)=1;", "Local(0)=2;", "Var(0)=2;", "Local(0)=3;"}, "1100"},
      {{"1;", "Hurt(1);"}, "10"},
      {{"1;", "return(2);"}, "00"},
      {{"1;"}, "0"},
  };
  for (const auto& [statements, flags] : cases) {
    EXPECT_EQ(Dead(statements), flags) << testing::PrintToString(statements);
  }
}

}  // namespace
}  // namespace q9
