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

// Adds the complete lines of |chunk| to |*lines|; bytes after the last LF wait
// in |*pending| for the next chunk, so a line may span any number of chunks.
void AppendChunk(std::string_view chunk, std::string* pending, LineList* lines);

// After the last chunk: a last line without LF is a line of its own.
// AppendChunk over all chunks, then FinishLines, gives SplitLines of their bytes.
void FinishLines(std::string* pending, LineList* lines);

// Hands the bytes of JoinLines(lines) to |write_all| in pieces of about
// kChunkSize (a longer line goes out as one piece without being copied).
// Stops at, and returns, the first error |write_all| reports.
Status WriteLinesInChunks(const LineList& lines,
                          const std::function<Status(std::string_view)>& write_all);

}  // namespace q9

#endif  // Q9_LINESTORE_LINE_CHUNKS_H_
