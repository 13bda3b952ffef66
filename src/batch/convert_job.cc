#include "batch/convert_job.h"

#include <cerrno>
#include <exception>
#include <new>
#include <system_error>

#include "batch/backup.h"
#include "batch/unified_diff.h"
#include "linestore/line_store.h"
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

std::vector<Warning> Warnings(Conversion* conversion, const LineList& converted) {
  std::vector<Warning> warnings;
  warnings.reserve(conversion->hazards.size());
  for (Hazard& hazard : conversion->hazards) {
    std::string text = converted[hazard.line];
    warnings.push_back({std::move(hazard), std::move(text)});
  }
  return warnings;
}

// Saves in place, with a backup first when one is asked for: beside the
// script as found in its folder, or as named on the command line (a named
// link keeps its backup beside the link).
Status Write(const FoundScript& script, const Folder& folder, const LineList& converted,
             const FileStamp& read, const JobOptions& options, std::vector<std::string>* notes) {
  const bool named_backup = !script.walked && options.backup_suffix;
  const Folder working = named_backup ? Folder::WorkingFolder() : Folder();
  const Folder& backup_folder = script.walked ? folder : working;
  std::string backup_name;
  if (options.backup_suffix) {
    backup_name = (script.walked ? script.name : script.path) + *options.backup_suffix;
    if (Status status = MakeBackup(folder, script.name, read.id, backup_folder, backup_name,
                                   PrintablePath(script.path + *options.backup_suffix));
        !status.ok()) {
      return status;
    }
  }
  Status saved = SaveIn(folder, script.name, converted, read,
                        {.sync_folder = false, .temps = options.temps}, notes);
  // The backup would only hold what the file still holds, and would block the next try.
  if (!saved.ok() && !backup_name.empty()) backup_folder.RemoveFile(backup_name);
  return saved;
}

FileReport Run(const FoundScript& script, const Folder& folder, const JobOptions& options) {
  const std::string path = PrintablePath(script.path);
  LineList original;
  FileStamp stamp;
  const FileId expected = script.walked ? script.id : FileId();
  if (Status read = OpenIn(folder, script.name, expected, &original, &stamp); !read.ok()) {
    return Failed(path, ErrorText("cannot read: ", read));
  }
  // A batch run never creates files.
  if (!stamp.exists) return Failed(path, "cannot read: " + std::generic_category().message(ENOENT));
  std::size_t joined = 0;
  for (const std::string& line : original) joined += line.size() + 1;
  const bool ends_with_lf = stamp.size == joined;
  LineList converted = original;
  const bool warnings = options.warnings || options.mode == BatchMode::kWarningsOnly;
  Conversion conversion =
      options.safe ? ConvertSafely(&converted) : Convert(&converted, {.collect_hazards = warnings});
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
  if (options.mode == BatchMode::kDiff) {
    report.diff = UnifiedDiff(path, original, ends_with_lf, converted);
  } else if (options.mode == BatchMode::kWrite) {
    if (Status written = Write(script, folder, converted, stamp, options, &report.save_notes);
        !written.ok()) {
      report.outcome = FileOutcome::kFailed;
      report.error = ErrorText("cannot write: ", written);
    }
  }
  return report;
}

}  // namespace

FileReport ConvertJob(const FoundScript& script, const Folder& folder, const JobOptions& options) {
  try {
    return Run(script, folder, options);
  } catch (const std::bad_alloc&) {
    return Failed(PrintablePath(script.path), "cannot convert: out of memory");
  } catch (const std::exception& error) {
    return Failed(PrintablePath(script.path), std::string("cannot convert: ") + error.what());
  }
}

FileReport UnreadableScript(const std::string& path, const Status& status) {
  return Failed(PrintablePath(path), ErrorText("cannot read: ", status));
}

FileReport ConvertJob(const std::string& path, const JobOptions& options) {
  FoundScript script;
  script.path = path;
  Folder folder;
  if (Status found = ResolveScript(path, &folder, &script.name); !found.ok()) {
    return UnreadableScript(path, found);
  }
  if (!folder.is_open()) {
    return UnreadableScript(path, Status::Error(std::generic_category().message(ENOENT)));
  }
  FileReport report = ConvertJob(script, folder, options);
  if (options.mode == BatchMode::kWrite && report.outcome == FileOutcome::kConverted) {
    if (Status synced = folder.Sync(); !synced.ok()) {
      report.outcome = FileOutcome::kFailed;
      report.error = "cannot write: folder not synced: " + synced.reason();
    }
  }
  return report;
}

}  // namespace q9
