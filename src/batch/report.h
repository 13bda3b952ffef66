#ifndef Q9_BATCH_REPORT_H_
#define Q9_BATCH_REPORT_H_

#include <cstddef>
#include <string>

#include "batch/convert_job.h"
#include "batch/file_walk.h"
#include "batch/options.h"

namespace q9 {

// The batch converter's exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitWouldChange = 1;  // --check found scripts to convert
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFileError = 3;  // a script or folder could not be read or written

// Counts over the files of one run.
struct Summary {
  std::size_t converted = 0;
  std::size_t unchanged = 0;
  std::size_t with_warnings = 0;  // any outcome: files with at least one bracket error
  std::size_t failed = 0;         // files and folders

  void Add(const FileReport& report);
};

// Compiler-style lines, each ending in LF, for standard error:
//   PATH:LINE: warning: bracket error in row NAME; left unconverted: TEXT
//   PATH: error: REASON
// TEXT is the line as converted, without a trailing CR.
std::string FormatDiagnostics(const FileReport& report);
std::string FormatWalkError(const WalkError& error);

// "N converted, N unchanged, N with warnings, N failed" and an LF; in kCheck
// and kDiff, which write nothing, "N would be converted, ...".
std::string FormatSummary(const Summary& summary, BatchMode mode);

// 3 when anything failed, else 1 when kCheck found scripts to convert, else 0.
int ExitStatus(const Summary& summary, BatchMode mode);

// The six stages and the 26 rows in pipeline order, each with what it rewrites.
std::string FormatRowList();

// "[#####     ] DONE/TOTAL" with |width| cells in the bar; TOTAL > 0.
std::string ProgressBar(std::size_t done, std::size_t total, std::size_t width);

}  // namespace q9

#endif  // Q9_BATCH_REPORT_H_
