#include "batch/convert_job.h"

#include <cerrno>
#include <exception>
#include <filesystem>
#include <new>
#include <system_error>

#include "batch/numbered_backup.h"
#include "batch/path_bytes.h"
#include "batch/script_checks.h"
#include "batch/unified_diff.h"
#include "linestore/line_store.h"
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

std::string ErrnoText(int error) { return std::generic_category().message(error); }

// Whether the file just read ended with an LF (an empty file counts as one),
// judged by its size against the lines read; Open keeps every other byte.
// The file must still exist: Open reads a missing file as an empty one, and a
// batch run must never create files.
Status EndsWithLineFeed(const std::string& path, const LineList& lines, bool* ends_with_lf) {
  std::error_code error;
  const auto size =
      static_cast<std::size_t>(std::filesystem::file_size(PathFromBytes(path), error));
  if (error) {
    // In the usual short words on every system ("No such file or directory").
    const std::error_condition condition = error.default_error_condition();
    return Status::Error(condition.category() == std::generic_category()
                             ? ErrnoText(condition.value())
                             : error.message());
  }
  std::size_t joined = 0;
  for (const std::string& line : lines) joined += line.size() + 1;
  if (size != joined && size + 1 != joined) return Status::Error("file changed while being read");
  *ends_with_lf = size == joined;
  return Status();
}

// Saves in place, with a backup first when one is asked for; |*backup_path|
// gets the backup's name.
Status Write(const std::string& path, const LineList& converted, const JobOptions& options,
             std::string* backup_path_out) {
  std::string& backup_path = *backup_path_out;
  if (options.backup_suffix) {
    Status status = MakeNumberedBackup(path, path + *options.backup_suffix, &backup_path);
    if (!status.ok()) return status;
  }
  Status saved = Save(path, converted);
  // The backup would only hold what the file still holds, and would block the next try.
  if (!saved.ok() && !backup_path.empty()) {
    std::error_code ignored;
    std::filesystem::remove(PathFromBytes(backup_path), ignored);
  }
  return saved;
}

FileReport Run(const std::string& path, const JobOptions& options) {
  LineList original;
  if (Status read = Open(path, &original); !read.ok()) {
    return Failed(path, "cannot read: " + read.reason());
  }
  bool ends_with_lf = true;
  if (Status read = EndsWithLineFeed(path, original, &ends_with_lf); !read.ok()) {
    return Failed(path, "cannot read: " + read.reason());
  }
  if (HoldsNulByte(original)) return Failed(path, "not a script: holds NUL bytes");
  if (IsAlreadyConverted(original)) {
    FileReport report;
    report.path = path;
    report.outcome = FileOutcome::kAlreadyConverted;
    return report;
  }
  LineList converted = original;
  Conversion conversion = ConvertForJob(original, &converted, options);
  if (conversion.failure != StageFailure::kNone) {
    return Failed(path, "cannot convert: out of memory");
  }
  FileReport report;
  report.path = path;
  report.warnings = TakeWarnings(&conversion, converted, options.warnings);
  if (ends_with_lf && converted == original) {
    report.outcome = FileOutcome::kUnchanged;
    return report;
  }
  report.outcome = FileOutcome::kConverted;
  if (options.mode == BatchMode::kDiff) {
    report.diff = UnifiedDiff(path, original, ends_with_lf, converted, conversion.origin);
  } else if (options.mode == BatchMode::kWrite) {
    std::string backup_path;
    if (Status written = Write(path, converted, options, &backup_path); !written.ok()) {
      report.outcome = FileOutcome::kFailed;
      report.error = "cannot write: " + written.reason();
    } else if (options.backup_suffix && backup_path != path + *options.backup_suffix) {
      report.backup = backup_path;
    }
  }
  return report;
}

}  // namespace

Conversion ConvertForJob(const LineList& original, LineList* lines, const JobOptions& options) {
  const bool warnings = options.warnings.any();
  // The hazards are found here, from the original the job keeps anyway,
  // rather than by Convert from a copy of its own.
  const ConvertOptions convert{.track_origin = options.mode == BatchMode::kDiff || warnings};
  Conversion conversion = options.safe ? ConvertSafely(lines, convert) : Convert(lines, convert);
  if (!options.safe && warnings && conversion.failure == StageFailure::kNone) {
    conversion.hazards = ConversionHazards(original, *lines, conversion);
  }
  return conversion;
}

// The part of |line| a message shows: the whole line when it is short, else a
// window around |column|, so that a warning never holds more than a few
// hundred bytes of a long line.
std::string Window(std::string_view line, std::size_t column) {
  constexpr std::size_t kBefore = 80, kWidth = 240;
  if (line.size() <= kWidth) return std::string(line);
  const std::size_t start = column > kBefore ? std::min(column - kBefore, line.size() - kWidth) : 0;
  std::string window = start > 0 ? "..." : "";
  window.append(line.substr(start, kWidth));
  if (start + kWidth < line.size()) window += "...";
  return window;
}

std::vector<Warning> TakeWarnings(Conversion* conversion, const LineList& converted,
                                  const WarningKinds& kinds) {
  std::vector<Warning> warnings;
  for (Hazard& hazard : conversion->hazards) {
    if (!kinds.test(KindIndex(hazard.kind))) continue;
    std::string text = Window(converted[hazard.line], hazard.column);
    warnings.push_back({std::move(hazard), std::move(text)});
  }
  return warnings;
}

FileReport ConvertJob(const std::string& path, const JobOptions& options) {
  try {
    return Run(path, options);
  } catch (const std::bad_alloc&) {
    return Failed(path, "cannot convert: out of memory");
  } catch (const std::exception& error) {
    return Failed(path, std::string("cannot convert: ") + error.what());
  }
}

}  // namespace q9
