#ifndef Q9_BATCH_STREAM_JOB_H_
#define Q9_BATCH_STREAM_JOB_H_

#include <istream>
#include <ostream>

#include "batch/options.h"

namespace q9 {

// The batch converter as a filter, for editors and pipes ("q9strict -"): the
// script is all of |in|, shown as "-" in messages. In kWrite |out| gets the
// converted script, or the bytes read as they were when the conversion changes
// nothing or the script is already converted, and nothing when it fails (a
// NUL byte, a read error). kCheck, kDiff and kWarningsOnly write to |out| what
// RunBatch writes for a file. Diagnostics, the summary and |json| as RunBatch
// has them. Returns the exit status (see ExitStatus), kExitFileError when |out|
// could not be written.
int RunStream(const BatchOptions& options, std::istream& in, std::ostream& out, std::ostream& err,
              std::ostream* json = nullptr);

}  // namespace q9

#endif  // Q9_BATCH_STREAM_JOB_H_
