#include "pipeline/hazard_collector.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "passes/layout_hazards.h"
#include "passes/row_hazards.h"

namespace q9 {
namespace {

std::size_t CountOccurrences(const LineList& lines, std::string_view name) {
  std::size_t count = 0;
  for (const std::string& line : lines) {
    for (std::size_t at = line.find(name); at != std::string::npos;
         at = line.find(name, at + name.size())) {
      ++count;
    }
  }
  return count;
}

std::string Lines(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " converted line" : " converted lines");
}

// A hazard about line |line| as a whole: it quotes its text.
Hazard WholeLine(HazardKind kind, std::size_t line, std::string_view text, std::string what,
                 std::string advice) {
  const std::size_t start = std::min(text.find_first_not_of(" \t"), text.size());
  std::size_t end = text.size();
  // A line end or blanks after the text are left out, unless they are all.
  while (end > start + 1 && (text[end - 1] == '\r' || text[end - 1] == ' ')) --end;
  return {.kind = kind,
          .line = line,
          .column = start,
          .quote = std::string(text.substr(start, end - start)),
          .source = "line ends",
          .what = std::move(what),
          .advice = std::move(advice)};
}

}  // namespace

HazardCollector::HazardCollector(const LineList& input) {
  if (input.empty()) return;
  last_bare_ = !input.back().ends_with('\r');
  const auto ends_in_cr = [](const std::string& line) { return line.ends_with('\r'); };
  crlf_ =
      std::all_of(input.begin(), input.end() - 1, ends_in_cr) && (!last_bare_ || input.size() > 1);
}

void HazardCollector::Keep(Hazard hazard, std::size_t ordinal) {
  const std::size_t end = hazard.column + hazard.quote.size();
  by_line_[hazard.line].push_back(tracked_.size());
  tracked_.push_back({std::move(hazard), end, ordinal});
}

void HazardCollector::Apply(const Edit& edit) {
  const auto found = by_line_.find(edit.line);
  if (found == by_line_.end()) return;
  const std::size_t edit_end = edit.at + edit.removed;
  // A bound inside the replaced bytes moves to the edge of what replaced them.
  auto move = [&](std::size_t bound, bool is_end) {
    if (bound < edit.at || (is_end && bound == edit.at)) return bound;
    if (bound >= edit_end) return bound - edit.removed + edit.inserted;
    return is_end ? edit.at + edit.inserted : edit.at;
  };
  for (const std::size_t i : found->second) {
    Tracked& tracked = tracked_[i];
    if (tracked.ordinal >= edit.ordinal) continue;
    tracked.hazard.column = move(tracked.hazard.column, false);
    tracked.end = std::max(tracked.hazard.column, move(tracked.end, true));
  }
}

void HazardCollector::BeforeCorrect(const LineList& lines) {
  splits_ = SplitHazards(lines, &covered_headers_);
}

void HazardCollector::BeforeFuncCorrect(const LineList& lines) {
  const std::vector<std::size_t> headers = HeaderLines(lines);
  layout_ = HeaderHazards(lines, headers, covered_headers_);
  layout_.insert(layout_.end(), std::make_move_iterator(splits_.begin()),
                 std::make_move_iterator(splits_.end()));
  splits_.clear();
  for (Hazard& hazard : layout_) hazard.line = LineAfterHeaders(headers, hazard.line);
}

void HazardCollector::AfterFuncCorrect(const LineList& lines) {
  // Every layout quote ends its line.
  for (Hazard& hazard : layout_) {
    const std::string& line = lines[hazard.line];
    if (!line.ends_with(hazard.quote)) hazard.quote.clear();
    hazard.column = line.size() - hazard.quote.size();
    Keep(std::move(hazard), 0);
  }
  layout_.clear();
}

void HazardCollector::BeforeRow(std::size_t row, const LineList& lines,
                                std::span<const std::size_t> holders) {
  row_ = row;
  const Row& table_row = PipelineRows()[row];
  if (table_row.pass != RowPass::kExchange) return;
  // An exchange row replaces every occurrence, left to right, and nothing else.
  const std::string_view find = table_row.name;
  for (const std::size_t i : holders) {
    std::vector<Hazard> words;
    NoteExchangeRow(find, i, lines[i], &words);
    for (Hazard& hazard : words) Keep(std::move(hazard), 0);
    if (!by_line_.contains(i)) continue;
    std::size_t shift = 0;
    for (std::size_t at = lines[i].find(find); at != std::string::npos;
         at = lines[i].find(find, at + find.size())) {
      Apply({.line = i,
             .ordinal = 1,
             .at = at + shift,
             .removed = find.size(),
             .inserted = table_row.text.size()});
      shift += table_row.text.size() - find.size();
    }
  }
}

void HazardCollector::Rewrote(const CallRewrite& rewrite) {
  const Row& row = PipelineRows()[row_];
  std::vector<Hazard> found;
  NoteCallRewrite({row.name, row.prefix, row.text, row.unary}, rewrite, &found);
  for (Hazard& hazard : found) pending_.emplace_back(rewrite.ordinal, std::move(hazard));
  // Only a quote on this line needs the edit: one from before the row, or
  // one the row made earlier on it (the row goes through the lines in order).
  const bool quoted = by_line_.contains(rewrite.line) ||
                      (!pending_.empty() && pending_.back().second.line == rewrite.line);
  if (!quoted) return;
  // The arguments stay where they are; what changes around them is the name
  // and the byte after it, each comma at depth 0 and the closing bracket.
  // Recorded from the right, so that each position holds when it is applied.
  const std::string_view call = rewrite.call;
  const std::size_t at = rewrite.before.size();
  const std::size_t head = row.name.size() + 1;
  edits_.push_back({.line = rewrite.line,
                    .ordinal = rewrite.ordinal,
                    .at = at + call.size() - 1,
                    .removed = 1,
                    .inserted = row.unary ? row.text.size() : 0});
  std::vector<std::size_t> commas;
  long depth = 0;
  for (std::size_t k = head; k + 1 < call.size(); ++k) {
    depth += call[k] == '(' ? 1 : call[k] == ')' ? -1 : 0;
    if (call[k] == ',' && depth == 0) commas.push_back(k);
  }
  for (auto k = commas.rbegin(); k != commas.rend(); ++k) {
    edits_.push_back({.line = rewrite.line,
                      .ordinal = rewrite.ordinal,
                      .at = at + *k,
                      .removed = 1,
                      .inserted = row.text.size()});
  }
  edits_.push_back({.line = rewrite.line,
                    .ordinal = rewrite.ordinal,
                    .at = at,
                    .removed = head,
                    .inserted = rewrite.prefix.size()});
}

void HazardCollector::AfterRow(const RowOutcome& outcome, const LineList& lines) {
  // Rewrites from the row's last run on were undone.
  const std::size_t first_new = tracked_.size();
  for (auto& [ordinal, hazard] : pending_) {
    if (ordinal < outcome.runs) Keep(std::move(hazard), ordinal);
  }
  for (const Edit& edit : edits_) {
    if (edit.ordinal < outcome.runs) Apply(edit);
  }
  for (std::size_t i = first_new; i < tracked_.size(); ++i) tracked_[i].ordinal = 0;
  pending_.clear();
  edits_.clear();
  if (!outcome.bracket_error) return;
  // The failing call is the line's first of the row's name, as the row left it.
  const std::size_t line = *outcome.bracket_error;
  const std::string_view name = PipelineRows()[row_].name;
  const std::size_t at = lines[line].find(name);
  bracket_errors_.emplace_back(tracked_.size(), row_);
  Keep({.kind = HazardKind::kBracketError,
        .line = line,
        .column = at == std::string::npos ? 0 : at,
        .quote = at == std::string::npos ? "" : std::string(name),
        .source = std::string(name),
        .what = {},
        .advice = "convert this line's " + std::string(name) + " call by hand, then the others"},
       0);
}

std::vector<Hazard> HazardCollector::Finish(const LineList& lines) {
  const std::span<const Row> rows = PipelineRows();
  for (const auto& [index, row] : bracket_errors_) {
    const std::string_view name = rows[row].name;
    const std::size_t left = CountOccurrences(lines, name);
    // SetVar has a second row late in the pipeline; say which one stopped.
    const bool again = std::any_of(rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(row),
                                   [&](const Row& earlier) { return earlier.name == name; });
    tracked_[index].hazard.what = std::string(again ? "the second " : "the ") + std::string(name) +
                                  " row stopped at a bracket error; " + std::to_string(left) +
                                  (left == 1 ? " occurrence" : " occurrences") + " of \"" +
                                  std::string(name) + (left == 1 ? "\" stays" : "\" stay") +
                                  " unconverted in the file";
  }
  if (crlf_) {
    std::size_t bare = 0, cr_only = 0, first_bare = 0, first_cr_only = 0;
    const std::size_t judged = last_bare_ ? lines.size() - 1 : lines.size();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i < judged && !lines[i].ends_with('\r') && bare++ == 0) first_bare = i;
      if (lines[i] == "\r" && cr_only++ == 0) first_cr_only = i;
    }
    if (bare > 0) {
      Keep(WholeLine(HazardKind::kLineEnds, first_bare, lines[first_bare],
                     "the script has CR LF line ends, but " + Lines(bare) +
                         (bare == 1 ? " ends in LF alone" : " end in LF alone, the first here"),
                     "convert the file's line ends if your tools need them alike"),
           0);
    }
    if (cr_only > 0) {
      Keep(WholeLine(HazardKind::kLineEnds, first_cr_only, lines[first_cr_only],
                     Lines(cr_only) +
                         (cr_only == 1 ? " holds only a CR" : " hold only a CR, the first here"),
                     "remove them or keep them as empty lines"),
           0);
    }
  }
  std::vector<Hazard> hazards;
  hazards.reserve(tracked_.size());
  for (Tracked& tracked : tracked_) {
    Hazard& hazard = tracked.hazard;
    const std::string& line = lines[hazard.line];
    hazard.column = std::min(hazard.column, line.size());
    std::size_t end = std::clamp(tracked.end, hazard.column, line.size());
    if (end == hazard.column) {
      // A later row erased the quoted text: the bytes around show where it was.
      hazard.column -= std::min<std::size_t>(hazard.column, 8);
      end = std::min(line.size(), end + 8);
    }
    hazard.quote = line.substr(hazard.column, end - hazard.column);
    hazards.push_back(std::move(hazard));
  }
  std::stable_sort(hazards.begin(), hazards.end(),
                   [](const Hazard& a, const Hazard& b) { return a.line < b.line; });
  return hazards;
}

}  // namespace q9
