#ifndef Q9_PASSES_EDIT_CURSOR_H_
#define Q9_PASSES_EDIT_CURSOR_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace q9 {

// A line under edit, split at a cursor into the text before it (done) and the
// text from it on (rest). Edits happen at the cursor: bytes move across it in
// either direction, the head of rest can be dropped, and new text can be put in
// front of rest. Each costs time linear in the bytes it moves or inserts
// (amortized), never in the length of the line, so a long line can be edited
// many times from left to right in time linear in its length.
class EditCursor {
 public:
  // The cursor starts at the beginning of |line|: done is empty.
  explicit EditCursor(std::string line);

  std::string_view done() const { return std::string_view(line_).substr(0, done_end_); }
  std::string_view rest() const { return std::string_view(line_).substr(rest_start_); }

  // Moves the first |count| bytes of rest to the end of done.
  // Requires count <= rest().size().
  void Advance(std::size_t count);

  // Moves the last |count| bytes of done to the front of rest.
  // Requires count <= done().size().
  void Retreat(std::size_t count);

  // Erases the first |count| bytes of rest. Requires count <= rest().size().
  void Drop(std::size_t count);

  // Puts |text| in front of rest. |text| must not point into done() or rest().
  void Prepend(std::string_view text);

  // The whole line, done followed by rest; the cursor is left empty.
  std::string Release();

 private:
  // One buffer with a gap at the cursor: done is line_[0, done_end_), rest is
  // line_[rest_start_, end). Dropped bytes widen the gap and prepended ones
  // fill it from the back, so most edits move no byte and allocate nothing.
  std::string line_;
  std::size_t done_end_ = 0;
  std::size_t rest_start_ = 0;
};

}  // namespace q9

#endif  // Q9_PASSES_EDIT_CURSOR_H_
