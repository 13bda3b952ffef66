#include "batch/convert_job.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <new>
#include <system_error>

#include "batch/backup.h"
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
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return Status::Error(ErrnoText(errno));
  std::size_t joined = 0;
  for (const std::string& line : lines) joined += line.size() + 1;
  const auto size = static_cast<std::size_t>(info.st_size);
  if (size != joined && size + 1 != joined) return Status::Error("file changed while being read");
  *ends_with_lf = size == joined;
  return Status();
}

std::vector<Warning> Warnings(Conversion* conversion, const LineList& converted) {
  std::vector<Warning> warnings;
  warnings.reserve(conversion->hazards.size());
  for (Hazard& hazard : conversion->hazards) {
    std::string text = converted[hazard.line];
    warnings.push_back({std::move(hazard), std::move(text)});
  }
  return warnings;
}

// Saves in place, with a backup first when one is asked for.
Status Write(const std::string& path, const LineList& converted, const JobOptions& options) {
  std::string backup_path;
  if (options.backup_suffix) {
    backup_path = path + *options.backup_suffix;
    if (Status status = MakeBackup(path, backup_path); !status.ok()) return status;
  }
  Status saved = Save(path, converted);
  // The backup would only hold what the file still holds, and would block the next try.
  if (!saved.ok() && !backup_path.empty()) unlink(backup_path.c_str());
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
  LineList converted = original;
  const bool warnings = options.warnings || options.mode == BatchMode::kWarningsOnly;
  const bool diff = options.mode == BatchMode::kDiff;
  // The hazards are found here, from the original this job keeps anyway,
  // rather than by Convert from a copy of its own.
  const ConvertOptions convert{.track_origin = diff || warnings};
  Conversion conversion =
      options.safe ? ConvertSafely(&converted, convert) : Convert(&converted, convert);
  if (!options.safe && warnings && conversion.failure == StageFailure::kNone) {
    conversion.hazards = ConversionHazards(original, converted, conversion);
  }
  if (!warnings) conversion.hazards.clear();
  if (conversion.failure != StageFailure::kNone) {
    return Failed(path, "cannot convert: out of memory");
  }
  FileReport report;
  report.path = path;
  report.warnings = Warnings(&conversion, converted);
  if (ends_with_lf && converted == original) {
    report.outcome = FileOutcome::kUnchanged;
    return report;
  }
  report.outcome = FileOutcome::kConverted;
  if (diff) {
    report.diff = UnifiedDiff(path, original, ends_with_lf, converted, conversion.origin);
  } else if (options.mode == BatchMode::kWrite) {
    if (Status written = Write(path, converted, options); !written.ok()) {
      report.outcome = FileOutcome::kFailed;
      report.error = "cannot write: " + written.reason();
    }
  }
  return report;
}

}  // namespace

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
