#ifndef Q9_LINESTORE_LINE_CHUNKS_H_
#define Q9_LINESTORE_LINE_CHUNKS_H_

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "linestore/line_store.h"
#include "linestore/status.h"

namespace q9 {

// The file format in pieces, for the code that reads and writes files on each
// system: reading a script costs its line list plus one chunk.
inline constexpr std::size_t kChunkSize = 64 * 1024;

// A file's lines, made from its bytes read twice, in chunks: once to count its
// lines, so that the list is reserved for exactly those, and once to make them.
// Grown one line at a time the list would hold room for up to twice as many,
// and that slack would stay for the whole conversion; keeping the bytes until
// they are counted would cost their size once more.
class LineCollector {
 public:
  // The first read: each chunk of the file in order.
  void Count(std::string_view chunk);
  // The second read: each chunk of the file in order again.
  void Add(std::string_view chunk);
  // SplitLines of the bytes added. Leaves the collector empty.
  LineList Finish();

 private:
  std::size_t line_ends_ = 0;  // counted
  std::string pending_;        // added after the last LF
  LineList lines_;
};

// The lines of a file that |read_all(take)| reads from its start to its end,
// handing each chunk to |take|; it is called twice (see LineCollector) and
// returns what went wrong, if anything.
template <typename ReadAll>
Status ReadLinesTwice(ReadAll read_all, LineList* lines) {
  LineCollector collector;
  Status status = read_all([&collector](std::string_view chunk) { collector.Count(chunk); });
  if (status.ok()) {
    status = read_all([&collector](std::string_view chunk) { collector.Add(chunk); });
  }
  if (status.ok()) *lines = collector.Finish();
  return status;
}

// Hands the bytes of JoinLines(lines) to |write_all| in pieces of about
// kChunkSize (a longer line goes out as one piece without being copied).
// Stops at, and returns, the first error |write_all| reports.
Status WriteLinesInChunks(const LineList& lines,
                          const std::function<Status(std::string_view)>& write_all);

// Hands the blocks of |lines| to |write_all| in order. Stops at, and returns,
// the first error |write_all| reports.
Status WriteBlocks(const JoinedLines& lines,
                   const std::function<Status(std::string_view)>& write_all);

}  // namespace q9

#endif  // Q9_LINESTORE_LINE_CHUNKS_H_
