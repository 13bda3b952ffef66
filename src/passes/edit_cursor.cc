#include "passes/edit_cursor.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace q9 {
namespace {

// Gap given at least on a regrowth, so that small prepends to a short line do
// not regrow every time.
constexpr std::size_t kMinGap = 64;

}  // namespace

EditCursor::EditCursor(std::string line) : line_(std::move(line)) {}

void EditCursor::Advance(std::size_t count) {
  if (done_end_ != rest_start_) {
    std::memmove(line_.data() + done_end_, line_.data() + rest_start_, count);
  }
  done_end_ += count;
  rest_start_ += count;
}

void EditCursor::Retreat(std::size_t count) {
  done_end_ -= count;
  rest_start_ -= count;
  if (done_end_ != rest_start_) {
    std::memmove(line_.data() + rest_start_, line_.data() + done_end_, count);
  }
}

void EditCursor::Drop(std::size_t count) { rest_start_ += count; }

void EditCursor::Prepend(std::string_view text) {
  if (text.size() > rest_start_ - done_end_) {
    // Regrow with a gap at least as large as the line, so that the copy made
    // here is paid for by the bytes that can be prepended before the next.
    const std::size_t rest_size = line_.size() - rest_start_;
    const std::size_t gap = text.size() + std::max(done_end_ + rest_size, kMinGap);
    std::string grown;
    grown.reserve(done_end_ + gap + rest_size);
    grown.append(line_, 0, done_end_);
    grown.append(gap, '\0');
    grown.append(line_, rest_start_);
    line_ = std::move(grown);
    rest_start_ = done_end_ + gap;
  }
  rest_start_ -= text.size();
  line_.replace(rest_start_, text.size(), text);
}

std::string EditCursor::Release() {
  line_.erase(done_end_, rest_start_ - done_end_);
  done_end_ = 0;
  rest_start_ = 0;
  return std::exchange(line_, std::string());
}

}  // namespace q9
