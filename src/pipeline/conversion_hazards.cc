#include "pipeline/conversion_hazards.h"

#include <algorithm>
#include <string>

#include "hazards/check.h"

namespace q9 {
namespace {

std::string Lines(std::size_t count) {
  return std::to_string(count) + (count == 1 ? " line" : " lines");
}

Hazard Note(HazardKind kind, std::size_t line, std::string what, std::string advice) {
  Hazard hazard;
  hazard.kind = kind;
  hazard.line = line;
  hazard.what = std::move(what);
  hazard.advice = std::move(advice);
  return hazard;
}

// A script whose lines all end in CR (the last one may lack its line end):
// the lines the conversion adds end in LF alone, and a split can leave a CR
// alone on a line.
void NoteLineEnds(const LineList& before, const LineList& after, std::vector<Hazard>* hazards) {
  if (before.empty()) return;
  const bool last_bare = !before.back().ends_with('\r');
  const bool crlf = std::all_of(before.begin(), before.end() - 1,
                                [](const std::string& line) { return line.ends_with('\r'); }) &&
                    (!last_bare || before.size() > 1);
  if (!crlf) return;
  std::size_t bare = 0, cr_only = 0, first_bare = 0, first_cr_only = 0;
  const std::size_t judged = last_bare ? after.size() - 1 : after.size();
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (i < judged && !after[i].ends_with('\r') && bare++ == 0) first_bare = i;
    if (after[i] == "\r" && cr_only++ == 0) first_cr_only = i;
  }
  if (bare > 0) {
    hazards->push_back(Note(HazardKind::kLineEnds, first_bare,
                            "the script has CR LF line ends, but " + Lines(bare) +
                                (bare == 1 ? " now ends in LF alone"
                                           : " now end in LF alone, the first here"),
                            "convert the file's line ends if your tools need them alike"));
  }
  if (cr_only > 0) {
    hazards->push_back(Note(HazardKind::kLineEnds, first_cr_only,
                            Lines(cr_only) + (cr_only == 1 ? " now holds only a CR"
                                                           : " now hold only a CR, the first here"),
                            "remove them or keep them as empty lines"));
  }
}

// Whether |line| holds a comment and nothing else.
bool OnlyComment(std::string_view line) {
  const std::size_t first = line.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return false;
  line.remove_prefix(first);
  if (line.starts_with("//")) return true;
  const std::size_t close = line.find("*/");
  return line.starts_with("/*") && close != std::string_view::npos &&
         line.find_first_not_of(" \t\r", close + 2) == std::string_view::npos;
}

// Comments that the statement layout cut off the line they stood on.
void NoteMovedComments(const LineList& after, const Conversion& conversion,
                       std::vector<Hazard>* hazards) {
  std::size_t moved = 0, first = 0;
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (conversion.origin_column[i] == 0 || !OnlyComment(after[i])) continue;
    if (moved++ == 0) first = i;
  }
  if (moved == 0) return;
  hazards->push_back(Note(HazardKind::kComment, first,
                          Lines(moved) + (moved == 1 ? " now holds" : " now hold") +
                              " a comment that stood after a statement" +
                              (moved == 1 ? "" : ", the first here"),
                          "nothing needs doing"));
}

}  // namespace

std::vector<Hazard> ConversionHazards(const LineList& before, const LineList& after,
                                      const Conversion& conversion) {
  const std::vector<std::string_view> before_views = ViewsOf(before);
  const std::vector<std::string_view> after_views = ViewsOf(after);
  const LineMap map{conversion.origin, conversion.origin_column, conversion.headers};
  std::vector<Hazard> hazards = CheckConversion(before_views, after_views, map);
  for (std::size_t e = 0; e < conversion.bracket_errors.size(); ++e) {
    const BracketError& error = conversion.bracket_errors[e];
    const std::string name(PipelineRows()[error.row].name);
    // SetVar has two rows; one note is enough.
    const bool repeated = std::any_of(
        conversion.bracket_errors.begin(), conversion.bracket_errors.begin() + static_cast<long>(e),
        [&](const BracketError& other) {
          return other.line == error.line && PipelineRows()[other.row].name == name;
        });
    if (repeated) continue;
    Hazard note = Note(HazardKind::kUnconverted, error.line,
                       "the calls of " + name + " from this line on stay in the old form: this " +
                           name + "'s closing bracket is not on its line, which stopped their "
                           "conversion (the old calls still work)",
                       "nothing needs doing; to convert them, put this call on one line and "
                       "convert again");
    const std::size_t at = after[error.line].find(name);
    if (at != std::string::npos) {
      note.column = at;
      note.width = name.size();
    }
    hazards.push_back(std::move(note));
  }
  NoteLineEnds(before, after, &hazards);
  NoteMovedComments(after, conversion, &hazards);
  std::stable_sort(hazards.begin(), hazards.end(),
                   [](const Hazard& a, const Hazard& b) { return a.line < b.line; });
  return hazards;
}

}  // namespace q9
