#include "linestore/line_chunks.h"

#include <algorithm>
#include <utility>

namespace q9 {

namespace {

// Adds the complete lines of |chunk| to |*lines|; bytes after the last LF wait
// in |*pending| for the next chunk, so a line may span any number of chunks.
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

}  // namespace

void LineCollector::Count(std::string_view chunk) {
  line_ends_ += static_cast<std::size_t>(std::count(chunk.begin(), chunk.end(), '\n'));
}

void LineCollector::Add(std::string_view chunk) {
  if (lines_.capacity() == 0) lines_.reserve(line_ends_ + 1);  // a last line may lack its LF
  AppendChunk(chunk, &pending_, &lines_);
}

LineList LineCollector::Finish() {
  if (!pending_.empty()) lines_.push_back(std::exchange(pending_, {}));
  line_ends_ = 0;
  return std::exchange(lines_, {});
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

Status WriteBlocks(const JoinedLines& lines,
                   const std::function<Status(std::string_view)>& write_all) {
  for (const std::string& block : lines.blocks) {
    if (Status status = write_all(block); !status.ok()) return status;
  }
  return Status();
}

}  // namespace q9
