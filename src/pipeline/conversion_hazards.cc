#include "pipeline/conversion_hazards.h"

#include <algorithm>
#include <string>
#include <utility>

#include "hazards/check.h"
#include "syntax/lexer.h"

namespace q9 {
namespace {

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
void NoteLineEnds(LineViews before, LineViews after, const Conversion& conversion,
                  Hazards* hazards) {
  if (before.empty()) return;
  const bool last_bare = !before.back().ends_with('\r');
  const bool crlf = std::all_of(before.begin(), before.end() - 1,
                                [](std::string_view line) { return line.ends_with('\r'); }) &&
                    (!last_bare || before.size() > 1);
  if (!crlf) return;
  for (std::size_t i = 0; i < after.size(); ++i) {
    // The last line lacked its CR before, and so may its pieces.
    const bool judged = !last_bare || conversion.origin[i] != before.size() - 1;
    if (after[i] == "\r") {
      hazards->push_back(Note(HazardKind::kLineEnds, i,
                              "the script has CR LF line ends, and this line now holds only a CR",
                              "remove it or keep it as an empty line"));
    } else if (judged && !after[i].ends_with('\r')) {
      hazards->push_back(Note(HazardKind::kLineEnds, i,
                              "the script has CR LF line ends, but this line now ends in LF alone",
                              "convert the file's line ends if your tools need them alike"));
    }
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
void NoteMovedComments(LineViews after, const Conversion& conversion, Hazards* hazards) {
  for (std::size_t i = 0; i < after.size(); ++i) {
    if (conversion.origin_column[i] == 0 || !OnlyComment(after[i])) continue;
    hazards->push_back(Note(HazardKind::kComment, i,
                            "this comment stood after a statement and now has a line of its own",
                            "nothing needs doing"));
  }
}

// Whether the bracket that opens after |column| on line |line| is closed on
// some line of |lines|; brackets in strings and comments do not count.
bool ClosedLater(LineViews lines, std::size_t line, std::size_t column) {
  Lexer lexer(lines, line, column, lines.size(), 0, false);
  int depth = 0;
  for (Token token = lexer.Next(); token.kind != TokenKind::kEnd; token = lexer.Next()) {
    if (token.kind != TokenKind::kPunct) continue;
    const std::string_view text = lexer.Text(token);
    if (text == "(") {
      ++depth;
    } else if (text == ")" && --depth == 0) {
      return true;
    }
  }
  return false;
}

// Every line that still holds a call of a row that a bracket error stopped:
// such a row converts none of its calls after the error, nor the ones it had
// reached before it in the run that failed.
void NoteUnconverted(LineViews after, const Conversion& conversion, Hazards* hazards) {
  std::vector<std::string_view> stopped;
  std::vector<std::size_t> error_lines;
  for (const BracketError& error : conversion.bracket_errors) {
    const std::string_view name = PipelineRows()[error.row].name;
    if (std::find(stopped.begin(), stopped.end(), name) != stopped.end()) continue;
    stopped.push_back(name);
    error_lines.push_back(error.line);
  }
  for (std::size_t i = 0; i < after.size(); ++i) {
    for (std::size_t r = 0; r < stopped.size(); ++r) {
      const std::string name(stopped[r]);
      const std::size_t at = after[i].find(name);
      if (at == std::string_view::npos) continue;
      const bool here = i == error_lines[r];
      const bool missing = here && !ClosedLater(after, i, at + name.size());
      Hazard note = Note(
          HazardKind::kUnconverted, i,
          missing ? "this " + name + " call has no closing bracket, so the conversion of " +
                        name + " stopped here; its calls stay in the old form"
          : here ? "this " + name + " call's closing bracket is on another line, so the "
                   "conversion of " + name + " stopped here; its calls stay in the old form "
                   "(they still work)"
                 : "this " + name + " call stays in the old form: the conversion of " + name +
                       " stopped at line " + std::to_string(error_lines[r] + 1) +
                       " (the old calls still work)",
          missing ? "add the missing bracket, then convert again"
          : here  ? "to have them converted, put this call on one line and convert again"
                  : "nothing needs doing");
      note.column = at;
      note.width = name.size();
      hazards->push_back(std::move(note));
    }
  }
}

}  // namespace

Hazards ConversionHazards(LineViews before, LineViews after, const Conversion& conversion) {
  return ConversionHazards(before, after, conversion, TopLevelLabels(before));
}

Hazards ConversionHazards(LineViews before, LineViews after, const Conversion& conversion,
                          std::vector<Label> labels) {
  const LineMap map{conversion.origin, conversion.origin_column, conversion.headers};
  Hazards hazards = CheckConversion(before, after, map, std::move(labels));
  Hazards notes;
  NoteUnconverted(after, conversion, &notes);
  NoteLineEnds(before, after, conversion, &notes);
  NoteMovedComments(after, conversion, &notes);
  SortByLine(&notes);
  MergeByLine(&hazards, &notes);
  return hazards;
}

}  // namespace q9
