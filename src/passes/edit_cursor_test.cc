#include "passes/edit_cursor.h"

#include <gtest/gtest.h>

#include <string>

namespace q9 {
namespace {

TEST(EditCursorTest, EditsAtTheCursorKeepTheLineInOrder) {
  EditCursor cursor("Sum(a,b)+Sum(c,d)");
  cursor.Advance(0);
  cursor.Drop(8);
  cursor.Prepend("a+b");
  EXPECT_EQ(cursor.done(), "");
  EXPECT_EQ(cursor.rest(), "a+b+Sum(c,d)");
  cursor.Advance(4);
  EXPECT_EQ(cursor.done(), "a+b+");
  EXPECT_EQ(cursor.rest(), "Sum(c,d)");
  cursor.Retreat(2);
  EXPECT_EQ(cursor.done(), "a+");
  EXPECT_EQ(cursor.rest(), "b+Sum(c,d)");
  cursor.Advance(2);
  cursor.Drop(8);
  cursor.Prepend("c+d");
  EXPECT_EQ(cursor.Release(), "a+b+c+d");
  EXPECT_EQ(cursor.done(), "");
  EXPECT_EQ(cursor.rest(), "");
}

TEST(EditCursorTest, PrependBeyondHeadRoomRegrows) {
  EditCursor cursor("tail");
  std::string expected = "tail";
  // Each prepend is larger than what was dropped, so head-room runs out again
  // and again; the text must survive every regrowth.
  for (int i = 0; i < 200; ++i) {
    const std::string piece(static_cast<std::size_t>(i % 7 + 1), static_cast<char>('a' + i % 26));
    cursor.Prepend(piece);
    expected = piece + expected;
    ASSERT_EQ(cursor.rest(), expected);
  }
  cursor.Advance(3);
  cursor.Retreat(3);
  EXPECT_EQ(cursor.done(), "");
  EXPECT_EQ(cursor.Release(), expected);
}

TEST(EditCursorTest, RetreatMovesTextBackInFrontOfRest) {
  EditCursor cursor("abcdef");
  cursor.Advance(6);
  EXPECT_EQ(cursor.rest(), "");
  cursor.Retreat(4);
  EXPECT_EQ(cursor.done(), "ab");
  EXPECT_EQ(cursor.rest(), "cdef");
  cursor.Drop(1);
  cursor.Prepend("XY");
  EXPECT_EQ(cursor.Release(), "abXYdef");
}

}  // namespace
}  // namespace q9
