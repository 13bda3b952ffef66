#include "pipeline/convert_file.h"

#include <vector>

#include "linestore/line_store.h"

namespace q9 {

FileConversion ConvertFile(const std::string& path, TempNames* temps) {
  FileConversion result;
  Folder folder;
  std::string name;
  result.read = ResolveScript(path, &folder, &name);
  if (!result.read.ok()) return result;
  LineList lines;
  FileStamp stamp;
  result.read = OpenIn(folder, name, FileId(), &lines, &stamp);
  if (!result.read.ok()) return result;
  result.conversion = Convert(&lines);
  if (result.conversion.failure != StageFailure::kNone) return result;
  if (folder.is_open()) RemoveStaleTemps(folder);
  std::vector<std::string> notes;  // the dialogue has no words for them
  result.write = SaveIn(folder, name, lines, stamp, {.sync_folder = true, .temps = temps}, &notes);
  return result;
}

}  // namespace q9
