#ifndef Q9_BATCH_CONVERT_JOB_H_
#define Q9_BATCH_CONVERT_JOB_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "batch/options.h"
#include "hazards/hazard.h"
#include "pipeline/pipeline.h"

namespace q9 {

enum class FileOutcome {
  kConverted,         // the converted bytes differ (saved, or in kCheck/kDiff: would be)
  kUnchanged,         // the conversion gives the bytes the file already holds
  kAlreadyConverted,  // the file starts as a converted script does: left as it is
  kFailed,            // not read, not converted or not written: the file keeps its bytes
};

// A hazard of the conversion, with the converted line it points at.
struct Warning {
  Hazard hazard;     // hazard.line: 0-based line of the converted file
  std::string text;  // that line of the converted file
};

// What happened to one script; the front end decides how to print it.
struct FileReport {
  std::string path;
  FileOutcome outcome = FileOutcome::kFailed;
  std::vector<Warning> warnings;  // of the kinds in JobOptions::warnings, ordered by line
  std::string error;              // when kFailed: "cannot read: REASON", "not a script: ...", ...
  std::string diff;               // kDiff and kConverted: the unified diff
  std::string backup;  // the numbered name the backup went to, when the usual one was taken
};

// Converts |*lines|, a copy of |original|, as |options| ask: exactly as the
// interactive program does (with the hazards when any kind is wanted), or
// with ConvertSafely.
Conversion ConvertForJob(const LineList& original, LineList* lines, const JobOptions& options);

// The conversion's hazards of the kinds in |kinds|, each with its line of
// |converted|; the hazards are moved out of |*conversion|.
std::vector<Warning> TakeWarnings(Conversion* conversion, const LineList& converted,
                                  const WarningKinds& kinds);

// Converts the script at |path| exactly as the interactive program does (one
// read with Open, Convert in memory, one atomic Save in place), with these
// differences: a path that names no file fails instead of being created, a
// file holding a NUL byte fails as no script, a script that starts as a
// converted one is kAlreadyConverted and not converted again, a file whose
// converted bytes equal its current bytes is not rewritten, and kCheck, kDiff
// and kWarningsOnly write nothing. With a backup suffix, the original is kept
// first (see MakeNumberedBackup); when that is impossible the script is not
// converted, and when the save fails the backup just made is removed again.
// Never throws; safe to call from several threads for different paths.
FileReport ConvertJob(const std::string& path, const JobOptions& options);

}  // namespace q9

#endif  // Q9_BATCH_CONVERT_JOB_H_
