#include "batch/batch_run.h"

#include <cerrno>
#include <string>
#include <string_view>
#include <system_error>

#include "batch/convert_job.h"
#include "batch/file_walk.h"
#include "batch/folder_set.h"
#include "batch/json_report.h"
#include "batch/ordered_pool.h"
#include "batch/report.h"
#include "batch/safe_text.h"
#include "batch/text_sink.h"

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

// Standard output that fails (a full disk, a closed pipe) remembers why the first time.
class CheckedOutput {
 public:
  explicit CheckedOutput(std::ostream& out) : out_(out) {}

  void Write(std::string_view text) {
    if (text.empty()) return;
    errno = 0;
    out_ << text << std::flush;
    if (!out_ && error_.empty()) {
      error_ = errno != 0 ? std::generic_category().message(errno) : "write error";
    }
  }

  // The reason of the first failed write, or "".
  const std::string& error() const { return error_; }

 private:
  std::ostream& out_;
  std::string error_;
};

std::string StandardOutputFor(const FileReport& report, BatchMode mode) {
  if (report.outcome != FileOutcome::kConverted) return "";
  if (mode == BatchMode::kCheck) return SafePath(report.path) + "\n";
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
  const bool writing = options.job.mode == BatchMode::kWrite;
  FolderSet folders(walk, /*remove_stale_temps=*/writing);
  CheckedOutput checked_out(out);
  const std::size_t total = walk.files.size();
  ProgressLine progress(err, total, show_progress && total >= kProgressMinFiles);
  RunOrdered<FileReport>(
      total, options.jobs,
      [&](std::size_t i) {
        const FoundScript& script = walk.files[i];
        if (script.folder == kNoFolder) {
          return UnreadableScript(script.path, Status::Error(script.error));
        }
        const Folder* folder = nullptr;
        const Status opened = folders.Start(script.folder, &folder);
        FileReport report = opened.ok() ? ConvertJob(script, *folder, options.job)
                                        : UnreadableScript(script.path, opened);
        folders.Done(script.folder, writing && report.outcome == FileOutcome::kConverted);
        return report;
      },
      [&](std::size_t i, FileReport report) {
        // Converted means: its new name survives a crash.
        if (writing && report.outcome == FileOutcome::kConverted) {
          if (Status synced = folders.WaitSynced(walk.files[i].folder); !synced.ok()) {
            report.outcome = FileOutcome::kFailed;
            report.error = "cannot write: folder not synced: " + synced.reason();
          }
        }
        // Written as it is formatted: a large script's warnings are never one text.
        // The progress line goes before the first of it.
        bool erased = false;
        auto erase_once = [&] {
          if (!erased) progress.Erase();
          erased = true;
        };
        const TextSink to_out = [&](std::string_view text) {
          erase_once();
          checked_out.Write(text);
        };
        const TextSink to_err = [&](std::string_view text) {
          erase_once();
          err << text;
        };
        // The warnings are what --warnings-only was asked for.
        if (options.job.mode == BatchMode::kWarningsOnly) {
          WriteWarnings(report, to_out);
          if (const std::string error = FormatError(report); !error.empty()) to_err(error);
        } else {
          const std::string text = StandardOutputFor(report, options.job.mode);
          if (!text.empty()) to_out(text);
          WriteDiagnostics(report, options.verbosity, to_err);
        }
        if (json != nullptr) WriteJsonWarnings(report, WriteTo(json));
        summary.Add(report);
        progress.Show(i + 1);
      });
  progress.Erase();
  int status = ExitStatus(summary, options.job.mode);
  if (!checked_out.error().empty()) {
    err << "error: cannot write standard output: " << checked_out.error() << "\n";
    status = kExitFileError;
  }
  if (options.verbosity != Verbosity::kQuiet) err << FormatSummary(summary, options.job.mode);
  err << std::flush;
  if (json != nullptr) json->flush();
  return status;
}

}  // namespace q9
