#ifndef Q9_BATCH_REPORT_H_
#define Q9_BATCH_REPORT_H_

#include <array>
#include <cstddef>
#include <string>

#include "batch/convert_job.h"
#include "batch/file_walk.h"
#include "batch/options.h"

namespace q9 {

// The batch converter's exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitWouldChange = 1;  // --check found scripts to convert
inline constexpr int kExitWarned = 1;       // --warnings-only found warnings
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFileError = 3;  // a script or folder could not be read or written

// Counts over the files of one run.
struct Summary {
  std::size_t converted = 0;
  std::size_t unchanged = 0;
  std::size_t with_warnings = 0;  // any outcome: files with at least one warning
  std::size_t failed = 0;         // files and folders
  std::array<std::size_t, kHazardKinds.size()> warnings{};  // by kind, in kHazardKinds order

  void Add(const FileReport& report);
};

// Compiler-style lines, each ending in LF: for every warning
//   PATH:LINE: warning: WHAT; check "QUOTE": ADVICE [KIND]
//     TEXT
// where TEXT is the line as converted, without a trailing CR, and a QUOTE
// that would not show is named "this line" instead.
std::string FormatWarnings(const FileReport& report);
// "PATH: error: REASON" and an LF for a failed report, else nothing.
std::string FormatError(const FileReport& report);
// The warnings, then "PATH: note: NOTE" and an LF for each of the save's
// notes, then the error.
std::string FormatDiagnostics(const FileReport& report);
std::string FormatWalkError(const WalkError& error);

// "N converted, N unchanged, N with warnings, N failed" and an LF; in the
// modes that write nothing, "N would be converted, ...". When there were
// warnings, "; warnings: N KIND, N KIND" goes before the LF, by kind in
// kHazardKinds order.
std::string FormatSummary(const Summary& summary, BatchMode mode);

// 3 when anything failed, else 1 when kCheck found scripts to convert or
// kWarningsOnly found warnings, else 0.
int ExitStatus(const Summary& summary, BatchMode mode);

// The six stages and the 26 rows in pipeline order, each with what it rewrites.
std::string FormatRowList();

// "[#####     ] DONE/TOTAL" with |width| cells in the bar; TOTAL > 0.
std::string ProgressBar(std::size_t done, std::size_t total, std::size_t width);

}  // namespace q9

#endif  // Q9_BATCH_REPORT_H_
