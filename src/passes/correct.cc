#include "passes/correct.h"

#include <algorithm>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "passes/correct_liner.h"

namespace q9 {
namespace {

// Calls |emit| with each piece that sweeps with |separator| make of |line|, in
// order: views into |line|.
template <typename Emit>
void ForEachPiece(std::string_view line, char separator, Emit emit) {
  // A loop, not recursion: one line may hold a great many statements. A piece
  // that ends in its accepted separator is stable under further sweeps, so only
  // the rest needs judging again.
  std::string_view rest = line;
  for (;;) {
    const std::size_t p = AcceptedSeparator(rest, separator);
    if (p == std::string_view::npos || p + 1 == rest.size()) break;
    emit(rest.substr(0, p + 1));
    rest.remove_prefix(p + 1);
  }
  emit(rest);
}

// Whether sweeps with |separator| leave |line| whole.
bool StaysWhole(std::string_view line, char separator) {
  const std::size_t p = AcceptedSeparator(line, separator);
  return p == std::string_view::npos || p + 1 == line.size();
}

// Puts the |pieces| of |*line| (views into it, in order) into |slots|, one
// each; |*line| may be one of the slots. The longest piece keeps the line's
// own buffer, so its bytes are neither copied nor held twice; the shorter
// ones are copied, most of them into the string itself, without a heap block.
// The room the other pieces leave unused in that buffer is kept on purpose:
// fitting the piece into a block of its own saves about a sixth of a large
// script's size, but scatters the lines over the heap, and the rows after
// this stage read them in order: a 16 MB script's conversion took a third
// longer.
void SplitInto(std::string* line, std::span<const std::string_view> pieces,
               std::span<std::string> slots) {
  const auto longest = static_cast<std::size_t>(
      std::max_element(pieces.begin(), pieces.end(),
                       [](std::string_view a, std::string_view b) { return a.size() < b.size(); }) -
      pieces.begin());
  const char* const start = line->data();
  std::string text = std::move(*line);  // the views now read it at the same offsets
  auto piece = [&](std::size_t k) {
    return std::string_view(text).substr(static_cast<std::size_t>(pieces[k].data() - start),
                                         pieces[k].size());
  };
  for (std::size_t k = 0; k < pieces.size(); ++k) {
    if (k != longest) slots[k].assign(piece(k));
  }
  text.erase(0, static_cast<std::size_t>(pieces[longest].data() - start));
  text.resize(pieces[longest].size());
  slots[longest] = std::move(text);
}

}  // namespace

void SplitAtSeparators(std::string_view line, char separator, LineList* pieces) {
  ForEachPiece(line, separator, [pieces](std::string_view piece) { pieces->emplace_back(piece); });
}

bool Correct(LineList* lines) {
  // Each line is split at colons, and each of those pieces at semicolons. The
  // list grows in place from the back, so it is never held twice: a line that
  // stays whole, as most do, only moves, and a split one gives its buffer to its
  // longest piece.
  const std::size_t size = lines->size();
  std::vector<bool> splits(size);
  std::size_t total = 0;
  std::size_t headers = 0;  // about the lines that FuncCorrect will take for headers
  for (std::size_t i = 0; i < size; ++i) {
    const std::string& line = (*lines)[i];
    const std::size_t colon = AcceptedSeparator(line, ':');
    splits[i] =
        (colon != std::string_view::npos && colon + 1 != line.size()) || !StaysWhole(line, ';');
    if (!splits[i]) {
      ++total;
      if (colon != std::string_view::npos) ++headers;
      continue;
    }
    ForEachPiece(line, ':', [&total, &headers](std::string_view piece) {
      if (piece.ends_with(':')) ++headers;  // its last part, most likely
      ForEachPiece(piece, ';', [&total](std::string_view) { ++total; });
    });
  }
  // Room for FuncCorrect's lines too, so that the list is moved once, not twice
  // (only a guess short of them would move it again).
  lines->reserve(total + headers);
  // Splitting only cuts lines into non-empty pieces, so the list changed exactly
  // when it gained lines.
  if (total == size) return false;
  lines->resize(total);
  std::vector<std::string_view> pieces;
  std::size_t next = total;  // lines at and after |next| are in their final place
  for (std::size_t i = size; i-- > 0;) {
    std::string& line = (*lines)[i];
    if (splits[i]) {
      pieces.clear();
      ForEachPiece(line, ':', [&pieces](std::string_view piece) {
        ForEachPiece(piece, ';', [&pieces](std::string_view part) { pieces.push_back(part); });
      });
      // The slots between line i and |next| are free: their lines have moved on.
      next -= pieces.size();
      SplitInto(&line, pieces, std::span<std::string>(*lines).subspan(next, pieces.size()));
    } else if (--next != i) {
      (*lines)[next] = std::move(line);
    }
  }
  return true;
}

}  // namespace q9
