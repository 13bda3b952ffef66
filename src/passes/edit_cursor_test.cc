#include "passes/edit_cursor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace q9 {
namespace {

// Random edits against a plain string with the cursor at |at|. Prepends of up
// to 40 bytes run out of room again and again: the text survives regrowths.
TEST(EditCursorTest, MatchesAPlainString) {
  std::mt19937 rng(11);
  auto upto = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % (n + 1)); };
  for (int round = 0; round < 300; ++round) {
    std::string text = "Sum(a,b)+Sum(c,d)";
    std::size_t at = 0;
    EditCursor cursor(text);
    for (int step = 0; step < 60; ++step) {
      const std::size_t back = upto(std::min<std::size_t>(at, 8));
      cursor.Retreat(back);
      at -= back;
      const std::size_t drop = upto(std::min<std::size_t>(text.size() - at, 8));
      cursor.Drop(drop);
      text.erase(at, drop);
      const std::string piece(upto(40), static_cast<char>('a' + step % 26));
      cursor.Prepend(piece);
      text.insert(at, piece);
      const std::size_t ahead = upto(std::min<std::size_t>(text.size() - at, 20));
      cursor.Advance(ahead);
      at += ahead;
      ASSERT_EQ(cursor.done(), text.substr(0, at));
      ASSERT_EQ(cursor.rest(), text.substr(at));
    }
    EXPECT_EQ(cursor.Release(), text);
    EXPECT_EQ(cursor.rest(), "");
  }
}

}  // namespace
}  // namespace q9
