#include "passes/correct.h"

#include <string>
#include <utility>

#include "passes/correct_liner.h"

namespace q9 {
namespace {

// Every line of |lines| replaced by its pieces at |separator|.
LineList SplitAll(const LineList& lines, char separator) {
  LineList pieces;
  pieces.reserve(lines.size());
  for (const std::string& line : lines) SplitAtSeparators(line, separator, &pieces);
  return pieces;
}

}  // namespace

void SplitAtSeparators(std::string_view line, char separator, LineList* pieces) {
  // A loop, not recursion: one line may hold a great many statements. A piece
  // that ends in its accepted separator is stable under further sweeps, so only
  // the rest needs judging again.
  std::string_view rest = line;
  for (;;) {
    const std::size_t p = AcceptedSeparator(rest, separator);
    if (p == std::string_view::npos || p + 1 == rest.size()) break;
    pieces->emplace_back(rest.substr(0, p + 1));
    rest.remove_prefix(p + 1);
  }
  pieces->emplace_back(rest);
}

bool Correct(LineList* lines) {
  LineList result = SplitAll(SplitAll(*lines, ':'), ';');
  // Splitting only cuts lines into non-empty pieces, so the list changed exactly
  // when it gained lines.
  const bool changed = result.size() != lines->size();
  if (changed) *lines = std::move(result);
  return changed;
}

}  // namespace q9
