#ifndef Q9_PIPELINE_CONVERT_FILE_H_
#define Q9_PIPELINE_CONVERT_FILE_H_

#include <string>

#include "linestore/status.h"
#include "pipeline/pipeline.h"

namespace q9 {

// What converting one script on disk did.
struct FileConversion {
  Status read;             // not ok: nothing was converted and nothing written
  Conversion conversion;   // valid when |read| is ok
  Status write;            // not ok: the script keeps its former content
  bool written = false;    // the converted script was saved
};

// Reads the script at |path| once, converts it in memory and saves it once,
// atomically, unless the read failed or a stage failed (then nothing is written).
// A path that names no file converts the empty script and so creates the file.
FileConversion ConvertFile(const std::string& path);

}  // namespace q9

#endif  // Q9_PIPELINE_CONVERT_FILE_H_
