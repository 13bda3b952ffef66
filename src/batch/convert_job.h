#ifndef Q9_BATCH_CONVERT_JOB_H_
#define Q9_BATCH_CONVERT_JOB_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "batch/file_walk.h"
#include "batch/options.h"
#include "hazards/hazard.h"
#include "linestore/folder.h"
#include "linestore/line_store.h"
#include "linestore/status.h"
#include "pipeline/pipeline.h"
#include "syntax/lexer.h"

namespace q9 {

enum class FileOutcome {
  kConverted,         // the converted bytes differ (saved, or in kCheck/kDiff: would be)
  kUnchanged,         // the conversion gives the bytes the file already holds
  kAlreadyConverted,  // the file starts as a converted script does: left as it is
  kFailed,            // not read, not converted or not written: the file keeps its bytes
};

// The lines of a converted file that its warnings point at, each as it is
// shown after the last warning of its line: one after another in one text,
// so that a script's many warnings hold no string each.
class ShownLines {
 public:
  // Adds the part of |line| shown for a place at |column|: the whole line when
  // it is short, else 240 bytes of it from 80 before the place where the line
  // allows, with "..." where it was cut.
  void Add(std::string_view line, std::size_t column);
  std::size_t size() const { return ends_.size(); }
  std::string_view operator[](std::size_t k) const;

 private:
  std::string text_;
  std::vector<std::size_t> ends_;  // where each line ends in |text_|
};

// What happened to one script; the front end decides how to print it.
struct FileReport {
  std::string path;  // as given or walked; SafeText shows it
  FileOutcome outcome = FileOutcome::kFailed;
  Hazards warnings;        // of the kinds in JobOptions::warnings, ordered by line (0-based)
  ShownLines shown_lines;  // one for each line that |warnings| point at, in order
  // When kFailed: "cannot read: REASON", "not a script: ...", "changed while converting", ...
  std::string error;
  std::string diff;                     // kDiff and kConverted: the unified diff
  std::string backup;  // the numbered name the backup went to, when the usual one was taken
  std::vector<std::string> save_notes;  // what the saved file could not keep of the old one
};

// Converts |*lines|, which hold the lines |original| views, as |options| ask:
// exactly as the interactive program does (with the hazards when any kind is
// wanted), or with ConvertSafely. |original| is read for the hazards (and by
// ConvertSafely for the script before, instead of a copy), and may be empty
// when none are wanted. When |joined| is given, the converted
// lines end up there and |*lines| empty; they are joined before the hazards
// are looked for, so that the list is not held beside that work.
Conversion ConvertForJob(LineViews original, LineList* lines, const JobOptions& options,
                         JoinedLines* joined = nullptr);

// Moves the conversion's hazards of the kinds in |kinds| into
// |report->warnings|, and adds each line of |converted| that they point at to
// |report->shown_lines|, around the place of the last warning of that line.
void TakeWarnings(Conversion* conversion, LineViews converted, const WarningKinds& kinds,
                  FileReport* report);

// Converts |script|, which lives in the open |folder|, exactly as the
// interactive program does (one read, Convert in memory, one atomic save in
// place), with these differences: a file that does not exist fails instead of
// being created, a file holding a NUL byte fails as no script, a script that
// starts as a converted one is kAlreadyConverted and not converted again, a
// file whose converted bytes equal its current bytes is not rewritten, and
// kCheck, kDiff and kWarningsOnly write nothing. A walked script is read only
// if it is still the file the walk saw (no link), and any script is saved only
// if it is still the file that was read: else it fails as "changed while
// converting" and keeps whatever it holds. With a backup suffix, the original
// is kept first (see MakeBackup), beside the script as given, under the next
// free numbered name when the usual one is taken; when that is impossible the
// script is not converted, and when the save fails the backup just made is
// removed again. The folder is not synced: the caller does it before it
// reports the script converted (see FolderSet).
// Never throws; safe to call from several threads for different scripts.
FileReport ConvertJob(const FoundScript& script, const Folder& folder, const JobOptions& options);

// The report of a script whose folder could not be opened, or that could not
// be found at all (|status| says why).
FileReport UnreadableScript(const std::string& path, const Status& status);

}  // namespace q9

#endif  // Q9_BATCH_CONVERT_JOB_H_
