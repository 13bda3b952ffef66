#ifndef Q9_BATCH_FILE_WALK_H_
#define Q9_BATCH_FILE_WALK_H_

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace q9 {

// A folder that could not be listed.
struct WalkError {
  std::string path;
  std::string reason;
};

struct WalkResult {
  std::vector<std::string> files;  // in a stable order, each file once
  std::vector<WalkError> errors;
  std::vector<std::string> empty_folders;  // folders named that added no file
};

// True when |name| (a file name without folders) matches one of the shell
// globs in |patterns| ("*.c", "Script.?"); on Windows whatever the case of
// the letters, as names are there.
bool MatchesAny(std::string_view name, std::span<const std::string> patterns);

// The scripts that |paths| name, in the order given. A folder (or a link to
// one) stands for the regular files below it whose names match |patterns|,
// in byte order of their names, folder by folder; symbolic links met inside
// a folder are not followed, so a walk stays inside the folder and cannot loop.
// Anything else (a file, a link to one, a path that does not exist) is taken as
// given, whatever its name, and left to the conversion to read or refuse.
// A file reached twice (the same path once its links and dots are resolved)
// is listed once, where it first appeared. Folders that cannot be listed are
// reported in |errors| and skipped; the rest of the walk goes on. A folder of
// |paths| that adds no file to the list is named in |empty_folders|.
WalkResult CollectScripts(std::span<const std::string> paths,
                          std::span<const std::string> patterns);

}  // namespace q9

#endif  // Q9_BATCH_FILE_WALK_H_
