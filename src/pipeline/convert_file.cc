#include "pipeline/convert_file.h"

#include "linestore/line_store.h"

namespace q9 {

FileConversion ConvertFile(const std::string& path) {
  FileConversion result;
  LineList lines;
  result.read = Open(path, &lines);
  if (!result.read.ok()) return result;
  result.conversion = Convert(&lines);
  if (result.conversion.failure != StageFailure::kNone) return result;
  result.write = Save(path, lines);
  result.written = result.write.ok();
  return result;
}

}  // namespace q9
