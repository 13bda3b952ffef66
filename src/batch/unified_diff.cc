#include "batch/unified_diff.h"

#include <algorithm>
#include <cstddef>
#include <dtl/dtl.hpp>
#include <vector>

namespace q9 {
namespace {

constexpr std::size_t kContext = 3;

// One line of the edit script: ' ' kept, '-' removed, '+' added. |text| holds
// the line with its LF, or without one when the file ended there without it.
struct Edit {
  char kind;
  std::string text;
};

// Lines with their terminators, so that a last line without LF differs from
// the same text with one and shows up as changed.
std::vector<std::string> Terminated(const LineList& lines, bool ends_with_lf) {
  std::vector<std::string> terminated;
  terminated.reserve(lines.size());
  for (const std::string& line : lines) terminated.push_back(line + '\n');
  if (!ends_with_lf && !terminated.empty()) terminated.back().pop_back();
  return terminated;
}

std::vector<Edit> EditScript(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  // Removed lines before added ones, as diff and patch users expect to read them.
  dtl::Diff<std::string, std::vector<std::string>> diff(a, b, true);
  diff.compose();
  std::vector<Edit> edits;
  for (const auto& [text, info] : diff.getSes().getSequence()) {
    char kind = info.type == dtl::SES_ADD ? '+' : info.type == dtl::SES_DELETE ? '-' : ' ';
    edits.push_back({kind, text});
  }
  return edits;
}

// "START,COUNT" the way diff writes it: an empty range starts at the line
// before it, and a single line is just its number.
std::string Range(std::size_t lines_before, std::size_t count) {
  if (count == 0) return std::to_string(lines_before) + ",0";
  if (count == 1) return std::to_string(lines_before + 1);
  return std::to_string(lines_before + 1) + "," + std::to_string(count);
}

void AppendHunk(const std::vector<Edit>& edits, std::size_t begin, std::size_t end,
                std::size_t old_before, std::size_t new_before, std::string* out) {
  std::size_t old_count = 0;
  std::size_t new_count = 0;
  for (std::size_t i = begin; i < end; ++i) {
    old_count += edits[i].kind != '+' ? 1 : 0;
    new_count += edits[i].kind != '-' ? 1 : 0;
  }
  *out += "@@ -" + Range(old_before, old_count) + " +" + Range(new_before, new_count) + " @@\n";
  for (std::size_t i = begin; i < end; ++i) {
    *out += edits[i].kind;
    *out += edits[i].text;
    if (!edits[i].text.ends_with('\n')) *out += "\n\\ No newline at end of file\n";
  }
}

bool IsChange(const Edit& edit) { return edit.kind != ' '; }

}  // namespace

std::string UnifiedDiff(std::string_view path, const LineList& before, bool before_ends_with_lf,
                        const LineList& after) {
  const std::vector<Edit> edits =
      EditScript(Terminated(before, before_ends_with_lf), Terminated(after, true));
  std::string out;
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
    AppendHunk(edits, begin, end, old_line, new_line, &out);
    for (std::size_t i = begin; i < end; ++i) {
      old_line += edits[i].kind != '+' ? 1 : 0;
      new_line += edits[i].kind != '-' ? 1 : 0;
    }
    next = end;
  }
  return out;
}

}  // namespace q9
