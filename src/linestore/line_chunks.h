#ifndef Q9_LINESTORE_LINE_CHUNKS_H_
#define Q9_LINESTORE_LINE_CHUNKS_H_

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "linestore/line_store.h"
#include "linestore/status.h"

namespace q9 {

// The file format in pieces, for the code that reads and writes files on each
// system: reading a script holds its bytes once, in chunks, until its lines are made.
inline constexpr std::size_t kChunkSize = 64 * 1024;

// A file's bytes as they are read, in chunks, made into its line list at the
// end. The list is reserved for exactly its lines: grown one line at a time it
// would hold room for up to twice as many, and that slack would stay for the
// whole conversion. The chunks are freed as their lines are made.
class LineCollector {
 public:
  // Room for the next read: kChunkSize bytes, valid until the next call.
  char* Room();
  // The last read put |got| bytes (at most kChunkSize) at Room(); 0 frees that room.
  void Took(std::size_t got);
  // SplitLines of all bytes taken, in order. Leaves the collector empty.
  LineList Finish();

 private:
  std::vector<std::string> chunks_;
  std::size_t line_ends_ = 0;
};

// Hands the bytes of JoinLines(lines) to |write_all| in pieces of about
// kChunkSize (a longer line goes out as one piece without being copied).
// Stops at, and returns, the first error |write_all| reports.
Status WriteLinesInChunks(const LineList& lines,
                          const std::function<Status(std::string_view)>& write_all);

}  // namespace q9

#endif  // Q9_LINESTORE_LINE_CHUNKS_H_
