#include "passes/row_hazards.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace q9 {
namespace {

// Notes the hazards of every rewrite a row keeps.
class Noter : public RewriteObserver {
 public:
  explicit Noter(const CallRow& row) : row_(row) {}
  void Rewrote(const CallRewrite& rewrite) override {
    std::vector<Hazard> found;
    NoteCallRewrite(row_, rewrite, &found);
    for (Hazard& hazard : found) noted_.emplace_back(rewrite.ordinal, std::move(hazard));
  }
  std::vector<Hazard> Kept(std::size_t runs) {
    std::vector<Hazard> kept;
    for (auto& [ordinal, hazard] : noted_) {
      if (ordinal < runs) kept.push_back(std::move(hazard));
    }
    return kept;
  }

 private:
  CallRow row_;
  std::vector<std::pair<std::size_t, Hazard>> noted_;
};

const CallRow kSum{"Sum", "", "+", false};
const CallRow kSub{"Sub", "", "-", false};
const CallRow kNot{"Not", "!", "!=", false};
const CallRow kSetVar{"SetVar", "Var(", ")=", false};

// Long texts are quoted in part, from the edge that meets the neighbour; the
// quote stands at its column of the line as the row left it.
TEST(RowHazardsTest, QuotesStandAtTheirColumn) {
  const std::string many(50, 'a');
  struct Case {
    CallRow row;
    std::string line;
    HazardKind kind;
    std::string quote;
  };
  const Case cases[] = {
      {kSum, "x=Sum(" + many + ",b)*c;", HazardKind::kPrecedence, many.substr(12) + "+b*"},
      {kSub, "y=x - Sub(" + many + ",b);", HazardKind::kPrecedence, "- " + many.substr(0, 40)},
      {kSum, "x=Sum(" + many + ");", HazardKind::kArgumentCount, many.substr(0, 40)},
      {kSum, "if(Sum(),1) f;", HazardKind::kArgumentCount, "if(,1) f;"},
      {kSum, many + "Sum(b);", HazardKind::kNameInWord, many.substr(10) + "b"},
      {kSum, "x=Summary(a));", HazardKind::kNotACall, "ary(a)"},
      {kNot, "if(Not(x)) y=a!=b;", HazardKind::kNegationDropped, "x"},
      {kSetVar, "y=x+SetVar(0,1);", HazardKind::kPrecedence, "+Var(0)=1"},
      {kSetVar, "SetVar(0,a||b);", HazardKind::kArgumentCount, ""},  // none: '=' binds least
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    LineList lines = {c.line};
    Noter noter(c.row);
    const RowOutcome outcome = RunCallRow(&lines, c.row, std::vector<std::size_t>{0}, &noter);
    const std::vector<Hazard> hazards = noter.Kept(outcome.runs);
    if (c.quote.empty()) {
      EXPECT_TRUE(hazards.empty()) << hazards.front().what;
      continue;
    }
    ASSERT_EQ(hazards.size(), 1u) << lines[0];
    EXPECT_EQ(hazards[0].kind, c.kind) << hazards[0].what;
    EXPECT_EQ(hazards[0].quote, c.quote);
    EXPECT_EQ(lines[0].substr(hazards[0].column, c.quote.size()), c.quote) << lines[0];
  }
}

}  // namespace
}  // namespace q9
