#ifndef Q9_BATCH_REPORT_H_
#define Q9_BATCH_REPORT_H_

#include <array>
#include <cstddef>
#include <string>

#include "batch/convert_job.h"
#include "batch/file_walk.h"
#include "batch/options.h"
#include "batch/text_sink.h"

namespace q9 {

// The batch converter's exit statuses.
inline constexpr int kExitOk = 0;
inline constexpr int kExitWouldChange = 1;  // --check found scripts to convert
inline constexpr int kExitWarned = 1;       // --warnings-only found warnings
inline constexpr int kExitNoScripts = 1;    // a folder named held no scripts
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFileError = 3;  // a script or folder could not be read or written

// Counts over the files of one run.
struct Summary {
  std::size_t converted = 0;
  std::size_t unchanged = 0;
  std::size_t already_converted = 0;
  std::size_t with_warnings = 0;  // any outcome: files with at least one warning
  std::size_t failed = 0;         // files and folders
  std::array<std::size_t, kHazardKinds.size()> warnings{};  // by kind, in kHazardKinds order
  std::size_t empty_folders = 0;                            // folders named that held no scripts

  void Add(const FileReport& report);
};

// WHAT; ADVICE, the hazard's texts, shown by SafeText (which cuts it only
// after 5 * kShownChars characters).
std::string WarningMessage(const Hazard& warning);

// Compiler-style lines, each ending in LF: for every warning or note
//   PATH:LINE: warning: MESSAGE [KIND]      (or "note:" for a note's kind)
//     TEXT
// where MESSAGE is WarningMessage and TEXT the line as converted, without a
// trailing CR, shown by SafeText (as are the paths of every diagnostic).
// Handed to |write| in pieces, as they are formatted.
void WriteWarnings(const FileReport& report, const TextSink& write);
// "PATH: error: REASON" and an LF for a failed report, else nothing.
std::string FormatError(const FileReport& report);
// What standard error shows of one script: kQuiet the error; kNormal the
// warnings, "PATH: note: backup kept as NAME (the usual name was taken)",
// "PATH: note: NOTE" for each of the save's notes and the error; kVerbose also
// "PATH: unchanged" or "PATH: already converted". Handed to |write| in pieces.
void WriteDiagnostics(const FileReport& report, Verbosity verbosity, const TextSink& write);

// The same texts whole, for a report known to be small.
std::string FormatWarnings(const FileReport& report);
std::string FormatDiagnostics(const FileReport& report, Verbosity verbosity);
std::string FormatWalkError(const WalkError& error);
// "no scripts found under FOLDER" and an LF.
std::string FormatNoScripts(const std::string& folder);

// "N converted, N unchanged, N with warnings, N failed" and an LF; in the
// modes that write nothing, "N would be converted, ...". When there were
// any, ", N already converted" follows "unchanged", and "; warnings: N KIND,
// N KIND" (by kind in kHazardKinds order) goes before the LF.
std::string FormatSummary(const Summary& summary, BatchMode mode);

// 3 when anything failed, else 1 when kCheck found scripts to convert,
// kWarningsOnly found warnings or a folder named held no scripts, else 0.
int ExitStatus(const Summary& summary, BatchMode mode);

// The six stages and the 26 rows in pipeline order, each with what it rewrites.
std::string FormatRowList();

// "[#####     ] DONE/TOTAL" with |width| cells in the bar; TOTAL > 0.
std::string ProgressBar(std::size_t done, std::size_t total, std::size_t width);

}  // namespace q9

#endif  // Q9_BATCH_REPORT_H_
