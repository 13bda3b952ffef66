#include "safe/calls.h"

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "syntax/parser.h"
#include "syntax/printer.h"

namespace q9 {
namespace {

// Reads the function (or the statements outside functions) in lines [begin,
// end) and adds what converting its calls takes to |*edits|; a function that
// does not read to its end gets a kUnchecked hazard instead.
void ConvertRegion(LineViews lines, std::size_t begin, std::size_t end, bool frozen,
                   std::vector<Edit>* edits, Hazards* hazards) {
  Lexer lexer(lines, begin, end);
  Parser parser(&lexer);
  std::vector<Tree> trees;
  Token name;
  const bool function = parser.TakeFuncHeader(&name);
  bool closed = !function;
  bool read = true;
  while (read && !parser.AtEnd()) {
    if (function && !closed && parser.TakeClosingBrace()) {
      closed = true;
      continue;
    }
    if (closed && function) break;  // something after the function's end
    trees.emplace_back();
    // A statement that fails may have taken the last token with it.
    read = parser.ParseStatement(&trees.back());
  }
  if (!read || !closed || !parser.AtEnd()) {
    const Token& failed = parser.error().size > 0 ? parser.error() : parser.NextToken();
    Hazard hazard;
    hazard.kind = HazardKind::kUnchecked;
    hazard.line = std::min(failed.line, end - 1);
    hazard.column = failed.line < end ? failed.column : 0;
    hazard.what = "this tool cannot read the code here, so no call in this function was converted";
    hazard.advice = "check the function by hand, or mend the code and convert again";
    hazards->push_back(std::move(hazard));
    return;
  }
  if (frozen) return;
  for (const Tree& tree : trees) {
    PrintSafely(tree, lines, edits, hazards);
  }
}

// A place found before the edits, moved to where its text stands after them:
// every edit that ends at or before it on its line shifts it.
void MoveOverEdits(const std::vector<Edit>& edits, Hazard* hazard) {
  std::ptrdiff_t shift = 0;
  for (const Edit& edit : edits) {
    if (edit.line == hazard->line && edit.column + edit.remove <= hazard->column) {
      shift += static_cast<std::ptrdiff_t>(edit.insert.size()) -
               static_cast<std::ptrdiff_t>(edit.remove);
    }
  }
  hazard->column = static_cast<std::size_t>(
      std::max<std::ptrdiff_t>(0, static_cast<std::ptrdiff_t>(hazard->column) + shift));
}

}  // namespace

SafeCalls ConvertCallsSafely(LineList* lines, const std::vector<std::size_t>& headers,
                             const std::vector<bool>& frozen) {
  SafeCalls result;
  std::vector<Edit> edits;
  std::vector<std::size_t> starts = {0};
  starts.insert(starts.end(), headers.begin(), headers.end());
  starts.push_back(lines->size());
  // Each function is read and then edited before the next one; the views of
  // its lines go stale then, but are not read again.
  const std::vector<std::string_view> views(lines->begin(), lines->end());
  for (std::size_t k = 0; k + 1 < starts.size(); ++k) {
    const std::size_t begin = starts[k];
    const std::size_t end = starts[k + 1];
    if (begin >= end) continue;
    bool frozen_here = false;
    for (std::size_t line = begin; line < end && line < frozen.size(); ++line) {
      frozen_here = frozen_here || frozen[line];
    }
    edits.clear();
    Hazards found;
    ConvertRegion(views, begin, end, frozen_here, &edits, &found);
    for (Hazard& hazard : found) MoveOverEdits(edits, &hazard);
    ApplyEdits(&edits, lines);
    for (Hazard& hazard : found) {
      if (hazard.line < lines->size()) {
        hazard.column = std::min(hazard.column, (*lines)[hazard.line].size());
      }
    }
    result.hazards.splice(result.hazards.end(), found);
  }
  return result;
}

}  // namespace q9
