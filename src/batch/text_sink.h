#ifndef Q9_BATCH_TEXT_SINK_H_
#define Q9_BATCH_TEXT_SINK_H_

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

namespace q9 {

// Where a report's text goes, a piece at a time.
using TextSink = std::function<void(std::string_view)>;

// Collects text and hands it to a sink in pieces of about 64 KiB, so that a
// report of any length (a large script can have a hundred thousand warnings)
// is never held whole. The sink is never called with an empty piece; what is
// left goes out at Flush, which the writer's owner must call at the end.
class PieceWriter {
 public:
  explicit PieceWriter(const TextSink& sink) : sink_(sink) {}

  PieceWriter& operator<<(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= kPiece) Flush();
    return *this;
  }

  void Flush() {
    if (buffer_.empty()) return;
    sink_(buffer_);
    buffer_.clear();
  }

 private:
  static constexpr std::size_t kPiece = 64 * 1024;
  const TextSink& sink_;
  std::string buffer_;
};

// A sink that writes to |*out|.
inline TextSink WriteTo(std::ostream* out) {
  return [out](std::string_view piece) {
    out->write(piece.data(), static_cast<std::streamsize>(piece.size()));
  };
}

// A sink that appends to |*text|.
inline TextSink AppendTo(std::string* text) {
  return [text](std::string_view piece) { text->append(piece); };
}

}  // namespace q9

#endif  // Q9_BATCH_TEXT_SINK_H_
