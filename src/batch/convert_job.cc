#include "batch/convert_job.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <future>
#include <iterator>
#include <new>
#include <system_error>

#include "batch/numbered_backup.h"
#include "batch/safe_text.h"
#include "batch/script_checks.h"
#include "batch/unified_diff.h"
#include "hazards/check.h"
#include "linestore/line_store.h"
#include "linestore/thread_start.h"
#include "pipeline/conversion_hazards.h"
#include "pipeline/pipeline.h"
#include "safe/convert.h"

namespace q9 {
namespace {

FileReport Failed(const std::string& path, std::string error) {
  FileReport report;
  report.path = path;
  report.outcome = FileOutcome::kFailed;
  report.error = std::move(error);
  return report;
}

// A file that changed under us is a failure of its own, neither read nor write.
std::string ErrorText(std::string_view doing, const Status& status) {
  if (status.reason() == kChangedWhileConverting) return status.reason();
  return std::string(doing) + status.reason();
}

// Saves in place, with a backup first when one is asked for: beside the
// script as found in its folder, or as named on the command line (a named
// link keeps its backup beside the link). |*backup| gets the backup's name
// when it is not the usual one.
template <typename Lines>
Status Write(const FoundScript& script, const Folder& folder, const Lines& converted,
             const FileStamp& read, const JobOptions& options, std::string* backup,
             std::vector<std::string>* notes) {
  const bool named_backup = !script.walked && options.backup_suffix;
  const Folder working = named_backup ? Folder::WorkingFolder() : Folder();
  const Folder& backup_folder = script.walked ? folder : working;
  std::string backup_name;
  if (options.backup_suffix) {
    const std::string usual = (script.walked ? script.name : script.path) + *options.backup_suffix;
    if (Status status =
            MakeNumberedBackup(folder, script.name, read.id, backup_folder, usual,
                               SafePath(script.path + *options.backup_suffix), &backup_name);
        !status.ok()) {
      return status;
    }
    if (backup_name != usual) {
      *backup = script.path + *options.backup_suffix + backup_name.substr(usual.size());
    }
  }
  Status saved = SaveIn(folder, script.name, converted, read,
                        {.sync_folder = false, .temps = options.temps}, notes);
  // The backup would only hold what the file still holds, and would block the next try.
  if (!saved.ok() && !backup_name.empty()) {
    backup_folder.RemoveFile(backup_name);
    backup->clear();
  }
  return saved;
}

FileReport Run(const FoundScript& script, const Folder& folder, const JobOptions& options) {
  const std::string& path = script.path;
  LineList original;
  FileStamp stamp;
  const FileId expected = script.walked ? script.id : FileId();
  if (Status read = OpenIn(folder, script.name, expected, &original, &stamp); !read.ok()) {
    return Failed(path, ErrorText("cannot read: ", read));
  }
  // A batch run never creates files.
  if (!stamp.exists) return Failed(path, "cannot read: " + std::generic_category().message(ENOENT));
  if (HoldsNulByte(original)) return Failed(path, "not a script: holds NUL bytes");
  FileReport report;
  report.path = path;
  if (IsAlreadyConverted(original)) {
    report.outcome = FileOutcome::kAlreadyConverted;
    return report;
  }
  std::size_t joined = 0;
  for (const std::string& line : original) joined += line.size() + 1;
  const bool ends_with_lf = stamp.size == joined;
  // The original is kept beside the conversion only for the warnings and the
  // diff, as joined text with a view per line: a third of what a copy of the
  // list would cost. The converted lines are then kept the same way once the
  // passes are done with them, in the room the list gives back line by line.
  // Otherwise only the converted list is kept.
  const bool keep_original = options.warnings.any() || options.mode == BatchMode::kDiff;
  JoinedLines original_text;
  if (keep_original) original_text.Copy(original);
  LineList converted = std::move(original);
  JoinedLines converted_text;  // the converted lines when the original is kept
  Conversion conversion = ConvertForJob(original_text.lines, &converted, options,
                                        keep_original ? &converted_text : nullptr);
  if (conversion.failure != StageFailure::kNone) {
    return Failed(path, "cannot convert: out of memory");
  }
  const bool changed =
      keep_original ? original_text.lines != converted_text.lines : conversion.changed;
  // Only the diff reads the original from here on; otherwise its room goes to
  // the warnings, which can come to the script's size.
  if (options.mode != BatchMode::kDiff) original_text.Clear();
  TakeWarnings(&conversion, converted_text.lines, options.warnings, &report);
  if (ends_with_lf && !changed) {
    report.outcome = FileOutcome::kUnchanged;
    return report;
  }
  report.outcome = FileOutcome::kConverted;
  if (options.mode == BatchMode::kDiff) {
    report.diff = UnifiedDiff(path, original_text.lines, ends_with_lf, converted_text.lines,
                              conversion.origin);
  } else if (options.mode == BatchMode::kWrite) {
    const Status written = keep_original ? Write(script, folder, converted_text, stamp, options,
                                                 &report.backup, &report.save_notes)
                                         : Write(script, folder, converted, stamp, options,
                                                 &report.backup, &report.save_notes);
    if (!written.ok()) {
      report.outcome = FileOutcome::kFailed;
      report.error = ErrorText("cannot write: ", written);
    }
  }
  return report;
}

}  // namespace

Conversion ConvertForJob(LineViews original, LineList* lines, const JobOptions& options,
                         JoinedLines* joined) {
  const bool warnings = options.warnings.any();
  // The hazards are found here, from the original the job keeps anyway,
  // rather than by Convert from a copy of its own.
  const ConvertOptions convert{.track_origin = options.mode == BatchMode::kDiff || warnings};
  if (options.safe || !warnings) {
    Conversion conversion =
        options.safe ? ConvertSafely(lines, convert, original) : Convert(lines, convert);
    if (joined != nullptr && conversion.failure == StageFailure::kNone) joined->Take(lines);
    return conversion;
  }
  // Where the functions start is read off the original on a thread of its own
  // while the conversion runs, for a script long enough to gain by it.
  std::future<std::vector<Label>> labels;
  // Without a thread to be had, they are found after the conversion.
  if (original.size() >= kCheckSplitLines) {
    labels = StartOnThread([original] { return TopLevelLabels(original); });
  }
  Conversion conversion = Convert(lines, convert);
  if (conversion.failure != StageFailure::kNone) return conversion;  // the thread is waited for
  std::vector<std::string_view> views;  // without |joined|, the list is read where it is
  if (joined != nullptr) {
    joined->Take(lines);
  } else {
    views = ViewsOf(*lines);
  }
  const LineViews after = joined != nullptr ? LineViews(joined->lines) : LineViews(views);
  conversion.hazards = labels.valid() ? ConversionHazards(original, after, conversion, labels.get())
                                      : ConversionHazards(original, after, conversion);
  return conversion;
}

void ShownLines::Add(std::string_view line, std::size_t column) {
  constexpr std::size_t kBefore = 80, kWidth = 240;
  if (line.size() <= kWidth) {
    text_.append(line);
  } else {
    const std::size_t start =
        column > kBefore ? std::min(column - kBefore, line.size() - kWidth) : 0;
    if (start > 0) text_ += "...";
    text_.append(line.substr(start, kWidth));
    if (start + kWidth < line.size()) text_ += "...";
  }
  ends_.push_back(text_.size());
}

std::string_view ShownLines::operator[](std::size_t k) const {
  const std::size_t begin = k == 0 ? 0 : ends_[k - 1];
  return std::string_view(text_).substr(begin, ends_[k] - begin);
}

void TakeWarnings(Conversion* conversion, LineViews converted, const WarningKinds& kinds,
                  FileReport* report) {
  Hazards& hazards = conversion->hazards;
  hazards.remove_if([&](const Hazard& hazard) { return !kinds.test(KindIndex(hazard.kind)); });
  for (auto it = hazards.begin(); it != hazards.end(); ++it) {
    const auto next = std::next(it);
    if (next == hazards.end() || next->line != it->line) {
      report->shown_lines.Add(converted[it->line], it->column);
    }
  }
  report->warnings.splice(report->warnings.end(), hazards);
}

FileReport ConvertJob(const FoundScript& script, const Folder& folder, const JobOptions& options) {
  try {
    return Run(script, folder, options);
  } catch (const std::bad_alloc&) {
    return Failed(script.path, "cannot convert: out of memory");
  } catch (const std::exception& error) {
    return Failed(script.path, std::string("cannot convert: ") + error.what());
  }
}

FileReport UnreadableScript(const std::string& path, const Status& status) {
  return Failed(path, ErrorText("cannot read: ", status));
}

}  // namespace q9
