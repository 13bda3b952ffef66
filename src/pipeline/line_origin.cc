#include "pipeline/line_origin.h"

#include "pipeline/pipeline.h"

namespace q9 {

LineOrigins OriginsAfterHeader(std::size_t count, std::size_t added) {
  LineOrigins origins(added, kAddedLine);
  for (std::size_t i = 0; i < count; ++i) origins.push_back(ToOrigin(i));
  return origins;
}

LineOrigins OriginsAfterSplits(const LineOrigins& origins, const std::vector<std::size_t>& sizes,
                               const LineList& after, std::vector<Origin>* columns) {
  LineOrigins result;
  result.reserve(after.size());
  columns->clear();
  columns->reserve(after.size());
  std::size_t next = 0;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    // Every piece is non-empty, and a line left whole is one piece.
    std::size_t covered = 0;
    do {
      columns->push_back(ToOrigin(covered));
      covered += after[next++].size();
      result.push_back(origins[i]);
    } while (covered < sizes[i] && next < after.size());
  }
  return result;
}

LineOrigins OriginsAfterFunctions(const LineOrigins& origins, const std::vector<bool>& headers,
                                  std::vector<std::size_t>* header_lines,
                                  std::vector<Origin>* columns) {
  LineOrigins result;
  std::vector<Origin> new_columns;
  result.reserve(origins.size() + origins.size() / 8);
  new_columns.reserve(result.capacity());
  auto repeat_last = [&] {
    result.push_back(result.back());
    new_columns.push_back(new_columns.back());
  };
  bool seen_header = false;
  for (std::size_t i = 0; i < origins.size(); ++i) {
    if (headers[i]) {
      if (seen_header) repeat_last();
      seen_header = true;
      header_lines->push_back(result.size());
    }
    result.push_back(origins[i]);
    new_columns.push_back((*columns)[i]);
  }
  if (seen_header) repeat_last();
  columns->swap(new_columns);
  return result;
}

}  // namespace q9
