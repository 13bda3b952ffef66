#ifndef Q9_PIPELINE_CONVERT_FILE_H_
#define Q9_PIPELINE_CONVERT_FILE_H_

#include <string>

#include "linestore/status.h"
#include "linestore/temp_names.h"
#include "pipeline/pipeline.h"

namespace q9 {

// What converting one script on disk did.
struct FileConversion {
  Status read;             // not ok: nothing was converted and nothing written
  Conversion conversion;   // valid when |read| is ok
  Status write;            // not ok: the script keeps its former content
};

// Reads the script at |path| once, converts it in memory and saves it once,
// atomically, unless the read failed or a stage failed (then nothing is written).
// A path that names no file converts the empty script and so creates the file.
// The save is refused ("changed while converting") when the file changed or
// vanished after it was read. Old temporary files in the script's folder are
// removed first (see RemoveStaleTemps); |temps| (may be null) is told the
// temporary file's name while it has one.
FileConversion ConvertFile(const std::string& path, TempNames* temps = nullptr);

}  // namespace q9

#endif  // Q9_PIPELINE_CONVERT_FILE_H_
