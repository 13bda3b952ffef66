#include "safe/layout.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "passes/correct_liner.h"
#include "passes/strict.h"
#include "syntax/labels.h"

namespace q9 {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Whether |rest| holds nothing but blanks and at most one comment that ends
// on the line: what follows a statement without being one.
bool IsTrailer(std::string_view rest) {
  std::size_t i = 0;
  while (i < rest.size() && IsBlank(rest[i])) ++i;
  rest.remove_prefix(i);
  if (rest.empty() || rest.starts_with("//")) return true;
  if (!rest.starts_with("/*")) return false;
  const std::size_t close = rest.find("*/", 2);
  if (close == std::string_view::npos) return false;
  for (char c : rest.substr(close + 2)) {
    if (!IsBlank(c)) return false;
  }
  return true;
}

// Whether every line but the last ends in CR, and some line does.
bool EndsInCrLf(const LineList& lines) {
  if (lines.empty()) return false;
  for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
    if (!lines[i].ends_with('\r')) return false;
  }
  return lines.size() > 1 || lines[0].ends_with('\r');
}

// The labels of one line: where each starts, where its name starts, and its colon.
struct LineLabel {
  std::size_t start;
  std::size_t name;
  std::size_t colon;
};

// A piece of a line: [begin, end) of it, and whether it is a label's header.
struct Piece {
  std::size_t begin;
  std::size_t end;
  const LineLabel* label = nullptr;
};

// The statement layout's cuts after ";", from |begin| to |end| of |line|.
void CutStatements(std::string_view line, std::size_t begin, std::size_t end,
                   std::vector<Piece>* pieces) {
  for (;;) {
    const std::string_view rest = line.substr(begin, end - begin);
    const std::size_t p = AcceptedSeparator(rest, ';');
    if (p == std::string_view::npos || p + 1 == rest.size() || IsTrailer(rest.substr(p + 1))) {
      break;
    }
    pieces->push_back({begin, begin + p + 1});
    begin += p + 1;
  }
  pieces->push_back({begin, end});
}

// The pieces of |line|, whose labels are |labels|.
std::vector<Piece> Cut(std::string_view line, const std::vector<LineLabel>& labels) {
  std::vector<Piece> pieces;
  std::size_t begin = 0;
  for (const LineLabel& label : labels) {
    // The blanks before a label go with it, as a cut after ";" leaves them.
    std::size_t start = label.start;
    while (start > begin && IsBlank(line[start - 1])) --start;
    if (start > begin) CutStatements(line, begin, start, &pieces);
    pieces.push_back({start, label.colon + 1, &label});
    begin = label.colon + 1;
  }
  if (begin < line.size() || pieces.empty()) {
    if (IsTrailer(line.substr(begin)) && !pieces.empty()) {
      pieces.back().end = line.size();  // a comment or the CR stays on the line
    } else {
      CutStatements(line, begin, line.size(), &pieces);
    }
  }
  return pieces;
}

// The header the function header stage makes of a label piece.
std::string Header(std::string_view line, const Piece& piece) {
  const LineLabel& label = *piece.label;
  const std::string_view before = line.substr(piece.begin, label.name - piece.begin);
  const std::size_t blank = before.rfind(' ');
  const std::size_t at = blank == std::string_view::npos ? 0 : blank;
  std::size_t name_end = label.name;
  while (name_end < label.colon && !IsBlank(line[name_end])) ++name_end;
  std::string header(before.substr(0, at));
  header += " func ";
  header += before.substr(at);
  header += line.substr(label.name, name_end - label.name);
  header += "(){";
  header += line.substr(label.colon + 1, piece.end - label.colon - 1);
  return header;
}

}  // namespace

SafeLayout LayOutSafely(LineList* lines) {
  SafeLayout layout;
  const bool crlf = EndsInCrLf(*lines);
  const std::size_t count = lines->size();
  Strict(lines);
  const std::size_t added = lines->size() - count;
  if (crlf) {
    for (std::size_t i = 0; i < added; ++i) (*lines)[i] += '\r';
  }
  std::vector<std::vector<LineLabel>> labels(lines->size());
  {
    const std::vector<std::string_view> views(lines->begin(), lines->end());
    for (const Label& label : TopLevelLabels(views)) {
      // A label spread over lines is left to the checks.
      if (label.start.line != label.colon.line || label.name.line != label.colon.line) continue;
      labels[label.colon.line].push_back({label.start.column, label.name.column, label.colon.column});
    }
  }
  LineList result;
  result.reserve(lines->size() + lines->size() / 4);
  const std::string closing = crlf ? "}\r" : "}";
  for (std::size_t i = 0; i < lines->size(); ++i) {
    std::string& line = (*lines)[i];
    const Origin origin = i < added ? kAddedLine : ToOrigin(i - added);
    const std::vector<Piece> pieces = Cut(line, labels[i]);
    const bool ends_in_cr = line.ends_with('\r');
    for (std::size_t k = 0; k < pieces.size(); ++k) {
      const Piece& piece = pieces[k];
      std::string text = piece.label != nullptr
                             ? Header(line, piece)
                             : line.substr(piece.begin, piece.end - piece.begin);
      if (ends_in_cr && !text.ends_with('\r')) text += '\r';
      if (piece.label != nullptr) {
        if (!layout.headers.empty()) {
          result.push_back(closing);
          layout.origin.push_back(layout.origin.back());
          layout.origin_column.push_back(layout.origin_column.back());
        }
        layout.headers.push_back(result.size());
      }
      result.push_back(std::move(text));
      layout.origin.push_back(origin);
      layout.origin_column.push_back(ToOrigin(piece.begin));
    }
  }
  if (!layout.headers.empty()) {
    result.push_back(closing);
    layout.origin.push_back(layout.origin.back());
    layout.origin_column.push_back(layout.origin_column.back());
  }
  lines->swap(result);
  return layout;
}

}  // namespace q9
