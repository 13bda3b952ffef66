#include "batch/batch_run.h"

#include <string>

#include "batch/convert_job.h"
#include "batch/file_walk.h"
#include "batch/json_report.h"
#include "batch/ordered_pool.h"
#include "batch/report.h"

namespace q9 {
namespace {

constexpr std::size_t kBarWidth = 30;

// A one-line bar on a terminal, redrawn only when its percentage moves so a
// long run does not flood the terminal. It is drawn and erased with CR and
// blanks alone: not every console takes escape sequences (Windows' older ones).
class ProgressLine {
 public:
  ProgressLine(std::ostream& err, std::size_t total, bool enabled)
      : err_(err), total_(total), enabled_(enabled) {}

  void Show(std::size_t done) {
    if (!enabled_) return;
    const std::size_t percent = done * 100 / total_;
    if (shown_ && percent == percent_) return;
    const std::string bar = ProgressBar(done, total_, kBarWidth);
    err_ << '\r' << bar << std::flush;
    width_ = bar.size();
    shown_ = true;
    percent_ = percent;
  }

  void Erase() {
    if (!shown_) return;
    err_ << '\r' << std::string(width_, ' ') << '\r' << std::flush;
    shown_ = false;
  }

 private:
  std::ostream& err_;
  std::size_t total_;
  bool enabled_;
  bool shown_ = false;
  std::size_t percent_ = 0;
  std::size_t width_ = 0;
};

std::string StandardOutputFor(const FileReport& report, BatchMode mode) {
  if (report.outcome != FileOutcome::kConverted) return "";
  if (mode == BatchMode::kCheck) return report.path + "\n";
  if (mode == BatchMode::kDiff) return report.diff;
  return "";
}

}  // namespace

int RunBatch(const BatchOptions& options, std::ostream& out, std::ostream& err, bool show_progress,
             std::ostream* json) {
  const WalkResult walk = CollectScripts(options.paths, options.patterns);
  Summary summary;
  for (const WalkError& error : walk.errors) {
    err << FormatWalkError(error);
    ++summary.failed;
  }
  for (const std::string& folder : walk.empty_folders) {
    err << FormatNoScripts(folder);
    ++summary.empty_folders;
  }
  const std::size_t total = walk.files.size();
  ProgressLine progress(err, total, show_progress && total >= kProgressMinFiles);
  RunOrdered<FileReport>(
      total, options.jobs, [&](std::size_t i) { return ConvertJob(walk.files[i], options.job); },
      [&](std::size_t i, FileReport report) {
        // The warnings are what --warnings-only was asked for.
        const bool listing = options.job.mode == BatchMode::kWarningsOnly;
        const std::string to_out =
            listing ? FormatWarnings(report) : StandardOutputFor(report, options.job.mode);
        const std::string to_err =
            listing ? FormatError(report) : FormatDiagnostics(report, options.verbosity);
        if (json != nullptr) *json << FormatJsonWarnings(report);
        if (!to_out.empty() || !to_err.empty()) {
          progress.Erase();
          out << to_out << std::flush;
          err << to_err;
        }
        summary.Add(report);
        progress.Show(i + 1);
      });
  progress.Erase();
  if (options.verbosity != Verbosity::kQuiet) err << FormatSummary(summary, options.job.mode);
  err << std::flush;
  if (json != nullptr) json->flush();
  return ExitStatus(summary, options.job.mode);
}

}  // namespace q9
