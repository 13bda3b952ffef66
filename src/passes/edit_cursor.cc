#include "passes/edit_cursor.h"

#include <algorithm>
#include <utility>

namespace q9 {
namespace {

// Head-room given at least on a regrowth, so that small prepends to a short
// rest do not regrow every time.
constexpr std::size_t kMinHeadRoom = 64;

}  // namespace

EditCursor::EditCursor(std::string line) : rest_(std::move(line)) {}

void EditCursor::Advance(std::size_t count) {
  done_.append(rest_, start_, count);
  start_ += count;
}

void EditCursor::Retreat(std::size_t count) {
  Prepend(std::string_view(done_).substr(done_.size() - count));
  done_.resize(done_.size() - count);
}

void EditCursor::Drop(std::size_t count) { start_ += count; }

void EditCursor::Prepend(std::string_view text) {
  if (text.size() > start_) {
    // Regrow with head-room at least as large as rest, so that the copy made
    // here is paid for by the prepended bytes that can follow before the next.
    const std::size_t rest_size = rest_.size() - start_;
    const std::size_t head_room = text.size() + std::max(rest_size, kMinHeadRoom);
    std::string grown(head_room, '\0');
    grown.append(rest_, start_);
    rest_ = std::move(grown);
    start_ = head_room;
  }
  start_ -= text.size();
  rest_.replace(start_, text.size(), text);
}

std::string EditCursor::Release() {
  std::string line = std::move(done_);
  line.append(rest_, start_);
  done_.clear();
  rest_.clear();
  start_ = 0;
  return line;
}

}  // namespace q9
