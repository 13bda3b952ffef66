#ifndef Q9_PIPELINE_HAZARD_COLLECTOR_H_
#define Q9_PIPELINE_HAZARD_COLLECTOR_H_

#include <cstddef>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

#include "linestore/line_store.h"
#include "passes/hazard.h"
#include "passes/rows.h"
#include "pipeline/pipeline.h"

namespace q9 {

// Gathers the hazards of one conversion while it runs. Convert calls each step
// with the list as it stands at that point, in this order: BeforeCorrect,
// BeforeFuncCorrect, AfterFuncCorrect, then for every row that runs BeforeRow,
// the row (with this collector as its observer) and AfterRow, and last Finish.
// A hazard's quote is followed through every later edit of its line, so that
// it ends up as the text that stands there in the converted list.
class HazardCollector : public RewriteObserver {
 public:
  // |input| is the list as the conversion received it, for its line ends.
  explicit HazardCollector(const LineList& input);

  void BeforeCorrect(const LineList& lines);
  void BeforeFuncCorrect(const LineList& lines);
  void AfterFuncCorrect(const LineList& lines);
  // |row| indexes PipelineRows(); |holders| as the row is given them.
  void BeforeRow(std::size_t row, const LineList& lines, std::span<const std::size_t> holders);
  void Rewrote(const CallRewrite& rewrite) override;
  void AfterRow(const RowOutcome& outcome, const LineList& lines);

  // All hazards for the converted |lines|, ordered by line: the ones above,
  // the line ends, and one for each bracket error.
  std::vector<Hazard> Finish(const LineList& lines);

 private:
  // A hazard whose quote is the range [hazard.column, end) of its line.
  struct Tracked {
    Hazard hazard;
    std::size_t end = 0;
    std::size_t ordinal = 0;  // the running row's rewrite that made it; 0 for earlier ones
  };
  // |removed| bytes at |at| of a line replaced by |inserted| bytes.
  struct Edit {
    std::size_t line = 0;
    std::size_t ordinal = 0;  // the rewrite's, in its row
    std::size_t at = 0;
    std::size_t removed = 0;
    std::size_t inserted = 0;
  };

  void Keep(Hazard hazard, std::size_t ordinal);
  // Moves the quotes on the edit's line that came before it.
  void Apply(const Edit& edit);

  bool crlf_ = false;           // every line of the input but maybe the last ends in CR
  bool last_bare_ = false;      // ... and the last one does not
  std::vector<Hazard> splits_;  // lines in Correct's result
  std::vector<std::size_t> covered_headers_;  // ... whose header the splits name
  std::vector<Hazard> layout_;                // lines in FuncCorrect's result
  std::vector<Tracked> tracked_;
  std::unordered_map<std::size_t, std::vector<std::size_t>> by_line_;  // into tracked_
  std::vector<std::pair<std::size_t, std::size_t>> bracket_errors_;    // tracked_, row
  // The running call row, and what its rewrites gave, with their ordinals.
  std::size_t row_ = 0;
  std::vector<std::pair<std::size_t, Hazard>> pending_;
  std::vector<Edit> edits_;
};

}  // namespace q9

#endif  // Q9_PIPELINE_HAZARD_COLLECTOR_H_
