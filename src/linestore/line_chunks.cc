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

char* LineCollector::Room() {
  chunks_.emplace_back(kChunkSize, '\0');
  return chunks_.back().data();
}

void LineCollector::Took(std::size_t got) {
  std::string& chunk = chunks_.back();
  if (got == 0) {
    chunks_.pop_back();
    return;
  }
  chunk.resize(got);
  line_ends_ += static_cast<std::size_t>(std::count(chunk.begin(), chunk.end(), '\n'));
}

LineList LineCollector::Finish() {
  LineList lines;
  lines.reserve(line_ends_ + 1);  // a last line may lack its LF
  std::string pending;
  for (std::string& chunk : chunks_) {
    AppendChunk(chunk, &pending, &lines);
    std::string().swap(chunk);
  }
  if (!pending.empty()) lines.push_back(std::move(pending));
  chunks_.clear();
  line_ends_ = 0;
  return lines;
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
