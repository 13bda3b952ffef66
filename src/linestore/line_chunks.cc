#include "linestore/line_chunks.h"

#include <utility>

namespace q9 {

void AppendChunk(std::string_view chunk, std::string* pending, LineList* lines) {
  std::size_t start = 0;
  for (std::size_t lf = chunk.find('\n'); lf != std::string_view::npos;
       lf = chunk.find('\n', start)) {
    std::string_view piece = chunk.substr(start, lf - start);
    if (pending->empty()) {
      lines->emplace_back(piece);
    } else {
      pending->append(piece);
      lines->push_back(std::exchange(*pending, {}));
    }
    start = lf + 1;
  }
  pending->append(chunk.substr(start));
}

void FinishLines(std::string* pending, LineList* lines) {
  if (!pending->empty()) lines->push_back(std::exchange(*pending, {}));
}

Status WriteLinesInChunks(const LineList& lines,
                          const std::function<Status(std::string_view)>& write_all) {
  std::string buffer;
  buffer.reserve(kChunkSize);
  for (const std::string& line : lines) {
    if (buffer.size() + line.size() + 1 > kChunkSize) {
      if (Status status = write_all(buffer); !status.ok()) return status;
      buffer.clear();
    }
    if (line.size() + 1 > kChunkSize) {
      if (Status status = write_all(line); !status.ok()) return status;
      buffer += '\n';
    } else {
      buffer += line;
      buffer += '\n';
    }
  }
  return write_all(buffer);
}

}  // namespace q9
