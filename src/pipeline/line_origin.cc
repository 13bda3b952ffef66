#include "pipeline/line_origin.h"

#include "pipeline/pipeline.h"

namespace q9 {

LineOrigins OriginsAfterHeader(std::size_t count, std::size_t added) {
  LineOrigins origins(added, kAddedLine);
  for (std::size_t i = 0; i < count; ++i) origins.push_back(i);
  return origins;
}

LineOrigins OriginsAfterSplits(const LineOrigins& origins, const std::vector<std::size_t>& sizes,
                               const LineList& after) {
  LineOrigins result;
  result.reserve(after.size());
  std::size_t next = 0;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    // Every piece is non-empty, and a line left whole is one piece.
    std::size_t covered = 0;
    do {
      covered += after[next++].size();
      result.push_back(origins[i]);
    } while (covered < sizes[i] && next < after.size());
  }
  return result;
}

LineOrigins OriginsAfterFunctions(const LineOrigins& origins, const std::vector<bool>& headers) {
  LineOrigins result;
  result.reserve(origins.size() + origins.size() / 8);
  bool seen_header = false;
  for (std::size_t i = 0; i < origins.size(); ++i) {
    if (headers[i]) {
      if (seen_header) result.push_back(result.back());
      seen_header = true;
    }
    result.push_back(origins[i]);
  }
  if (seen_header) result.push_back(result.back());
  return result;
}

}  // namespace q9
