#ifndef Q9_BATCH_BATCH_RUN_H_
#define Q9_BATCH_BATCH_RUN_H_

#include <cstddef>
#include <ostream>

#include "batch/options.h"

namespace q9 {

// Runs with at least this many files show a progress bar, when asked to.
inline constexpr std::size_t kProgressMinFiles = 50;

// One run of the batch converter over |options.paths|: collects the scripts,
// converts them on |options.jobs| threads and prints, in the order the scripts
// were collected:
//   |out|: kCheck the path of every script that would change, one a line;
//          kDiff the unified diff of every such script; kWarningsOnly the
//          warnings (see FormatWarnings); kWrite nothing.
//   |err|: "no scripts found under" each folder named that held none, then
//          each script's diagnostics (FormatDiagnostics at options.verbosity;
//          errors only in kWarningsOnly), then the summary line but with
//          Verbosity::kQuiet; with |show_progress| and enough files, a progress
//          bar redrawn in place with CR and erased before anything else is
//          printed and at the end.
//   |json|, when given: every warning as JSON Lines (WriteJsonWarnings).
// Returns the exit status (see ExitStatus).
int RunBatch(const BatchOptions& options, std::ostream& out, std::ostream& err, bool show_progress,
             std::ostream* json = nullptr);

}  // namespace q9

#endif  // Q9_BATCH_BATCH_RUN_H_
