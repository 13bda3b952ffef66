#include "batch/unified_diff.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace q9 {
namespace {

constexpr std::size_t kContext = 3;

// One line of the edit script: ' ' kept, '-' removed (|line| indexes the
// lines before), '+' added (|line| indexes the lines after).
struct Edit {
  char kind;
  std::size_t line;
};

// The edit script that the origins give: a line after the conversion is kept
// when it reads as the line it came from (the first such of its lines, where
// one reads so); every other line is added, and every line before that is
// kept by none is removed. Between two kept lines the removed lines come
// before the added ones, as diff and patch users expect to read them.
std::vector<Edit> EditScript(std::span<const std::string_view> before, bool before_ends_with_lf,
                             std::span<const std::string_view> after,
                             std::span<const Origin> origin) {
  std::vector<Edit> edits;
  edits.reserve(before.size() + after.size());
  std::vector<std::size_t> added;  // lines after, since the last kept line
  std::size_t next_old = 0;        // the lines before it are kept or removed already
  auto flush = [&](std::size_t old_end) {
    for (; next_old < old_end; ++next_old) edits.push_back({'-', next_old});
    for (const std::size_t line : added) edits.push_back({'+', line});
    added.clear();
  };
  for (std::size_t j = 0; j < after.size(); ++j) {
    const std::size_t from = j < origin.size() ? origin[j] : kAddedLine;
    // A last line without its LF never reads as a line written with one.
    const bool kept = from != kAddedLine && from >= next_old && from < before.size() &&
                      (before_ends_with_lf || from + 1 < before.size()) && before[from] == after[j];
    if (!kept) {
      added.push_back(j);
      continue;
    }
    flush(from);
    edits.push_back({' ', from});
    next_old = from + 1;
  }
  flush(before.size());
  return edits;
}

// "START,COUNT" the way diff writes it: an empty range starts at the line
// before it, and a single line is just its number.
std::string Range(std::size_t lines_before, std::size_t count) {
  if (count == 0) return std::to_string(lines_before) + ",0";
  if (count == 1) return std::to_string(lines_before + 1);
  return std::to_string(lines_before + 1) + "," + std::to_string(count);
}

bool IsChange(const Edit& edit) { return edit.kind != ' '; }

class HunkWriter {
 public:
  HunkWriter(std::span<const std::string_view> before, bool before_ends_with_lf,
             std::span<const std::string_view> after, std::string* out)
      : before_(before), before_ends_with_lf_(before_ends_with_lf), after_(after), out_(*out) {}

  void Append(const std::vector<Edit>& edits, std::size_t begin, std::size_t end,
              std::size_t old_before, std::size_t new_before) {
    std::size_t old_count = 0;
    std::size_t new_count = 0;
    for (std::size_t i = begin; i < end; ++i) {
      old_count += edits[i].kind != '+' ? 1 : 0;
      new_count += edits[i].kind != '-' ? 1 : 0;
    }
    out_ += "@@ -" + Range(old_before, old_count) + " +" + Range(new_before, new_count) + " @@\n";
    for (std::size_t i = begin; i < end; ++i) {
      const Edit& edit = edits[i];
      out_ += edit.kind;
      if (edit.kind == '+') {
        out_ += after_[edit.line];
        out_ += '\n';
        continue;
      }
      out_ += before_[edit.line];
      const bool without_lf = !before_ends_with_lf_ && edit.line + 1 == before_.size();
      out_ += without_lf ? "\n\\ No newline at end of file\n" : "\n";
    }
  }

 private:
  std::span<const std::string_view> before_;
  const bool before_ends_with_lf_;
  std::span<const std::string_view> after_;
  std::string& out_;
};

}  // namespace

std::string UnifiedDiff(std::string_view path, std::span<const std::string_view> before,
                        bool before_ends_with_lf, std::span<const std::string_view> after,
                        std::span<const Origin> origin) {
  const std::vector<Edit> edits = EditScript(before, before_ends_with_lf, after, origin);
  std::string out;
  HunkWriter writer(before, before_ends_with_lf, after, &out);
  std::size_t old_line = 0;  // lines of each side before edits[next]
  std::size_t new_line = 0;
  std::size_t next = 0;
  for (;;) {
    auto first =
        std::find_if(edits.begin() + static_cast<std::ptrdiff_t>(next), edits.end(), IsChange);
    if (first == edits.end()) break;
    std::size_t change = static_cast<std::size_t>(first - edits.begin());
    std::size_t begin = change - std::min(kContext, change - next);
    // Changes closer than twice the context share one hunk.
    std::size_t last = change;
    for (std::size_t i = change + 1; i < edits.size() && i <= last + 2 * kContext + 1; ++i) {
      if (IsChange(edits[i])) last = i;
    }
    std::size_t end = std::min(edits.size(), last + 1 + kContext);
    old_line += begin - next;  // only kept lines lie between hunks
    new_line += begin - next;
    if (out.empty()) out = "--- a/" + std::string(path) + "\n+++ b/" + std::string(path) + "\n";
    writer.Append(edits, begin, end, old_line, new_line);
    for (std::size_t i = begin; i < end; ++i) {
      old_line += edits[i].kind != '+' ? 1 : 0;
      new_line += edits[i].kind != '-' ? 1 : 0;
    }
    next = end;
  }
  return out;
}

}  // namespace q9
