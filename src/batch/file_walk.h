#ifndef Q9_BATCH_FILE_WALK_H_
#define Q9_BATCH_FILE_WALK_H_

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "linestore/folder.h"

namespace q9 {

inline constexpr std::size_t kNoFolder = static_cast<std::size_t>(-1);

// A folder that holds scripts of the run or leads to one, reached either from
// its parent (|parent|, |name|) or, when named on the command line or holding
// a named file, by its |path| with links followed.
struct WalkFolder {
  std::size_t parent = kNoFolder;
  std::string name;
  std::string path;
  FileId id;  // what the walk found there
};

// A script to convert: |name| in the folder |folder| (an index into
// WalkResult::folders), shown as |path|. A file named on the command line
// stands for the end of its chain of links; its folder is kNoFolder when that
// cannot be reached, and |error| says why.
struct FoundScript {
  std::string path;  // as given on the command line, or its folder's path and its name
  std::size_t folder = kNoFolder;
  std::string name;
  FileId id;            // the file the walk saw; unknown for a named file
  bool walked = false;  // found in a folder, not named
  std::string error;
};

// A folder, or an entry of one, that could not be read.
struct WalkError {
  std::string path;
  std::string reason;
};

struct WalkResult {
  std::vector<FoundScript> files;  // in a stable order, each file once
  std::vector<WalkFolder> folders;
  std::vector<WalkError> errors;
  std::vector<std::string> empty_folders;  // folders named that added no file
};

// True when |name| (a file name without folders) matches one of the shell
// globs in |patterns| ("*.c", "Script.?"); on Windows whatever the case of
// the letters, as names are there.
bool MatchesAny(std::string_view name, std::span<const std::string> patterns);

// True when the backup of a script that |patterns| match, its name followed by
// |suffix|, could itself be matched by |patterns| (--backup=.c with "*.c"),
// so that the next run would convert backups.
bool BackupsWouldMatch(std::string_view suffix, std::span<const std::string> patterns);

// The scripts that |paths| name, in the order given. A folder (or a link to
// one) stands for the regular files below it whose names match |patterns|,
// in byte order of their names, folder by folder. Each folder is opened from
// its parent's descriptor, and symbolic links met inside a folder are not
// followed, so a walk stays inside the folder, cannot loop and has no limit
// on the length of paths. Anything else (a file, a link to one, a path that
// does not exist) is taken as given, whatever its name, and left to the
// conversion to read or refuse. A file reached twice (through links, dots or
// a folder named twice) is listed once, where it first appeared. Every folder
// that cannot be listed or entered, and every entry that cannot be looked at
// and would have been taken, is reported in |errors|; the rest goes on.
// A folder of |paths| that adds no file to the list is named in
// |empty_folders|. Paths are kept as bytes; printing them safely is the
// caller's job.
WalkResult CollectScripts(std::span<const std::string> paths,
                          std::span<const std::string> patterns);

}  // namespace q9

#endif  // Q9_BATCH_FILE_WALK_H_
