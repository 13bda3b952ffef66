#ifndef Q9_BATCH_OPTIONS_H_
#define Q9_BATCH_OPTIONS_H_

#include <optional>
#include <string>
#include <vector>

#include "batch/warning_kinds.h"
#include "linestore/temp_names.h"

namespace q9 {

// What the batch converter does with a script that the conversion would change.
enum class BatchMode {
  kWrite,         // save the converted script in place
  kCheck,         // write nothing; name the script
  kDiff,          // write nothing; print a unified diff
  kWarningsOnly,  // write nothing; list the conversion's hazards on standard output
};

// How one script is handled, independent of how it was found.
struct JobOptions {
  BatchMode mode = BatchMode::kWrite;
  // When set (kWrite only), the original is kept as path + suffix before it is
  // replaced, or, when that name is taken, under the next free numbered name.
  std::optional<std::string> backup_suffix;
  // The kinds of places to note where the conversion may have changed the
  // script's meaning or damaged it.
  WarningKinds warnings = WarningKinds().set();
  // Convert with ConvertSafely instead of the exact conversion.
  bool safe = false;
  // Told the names of temporary files while they have one (may be null).
  TempNames* temps = nullptr;
};

// How much the batch converter says on standard error.
enum class Verbosity {
  kQuiet,    // errors only
  kNormal,   // warnings, notes, errors and the summary
  kVerbose,  // also every script left as it was
};

// The file name patterns a folder walk takes unless told otherwise. On
// Windows, where names match whatever their case, "*.c" takes "Script.C" too.
inline std::vector<std::string> DefaultPatterns() {
#ifdef _WIN32
  return {"*.c"};
#else
  return {"*.c", "*.C"};
#endif
}

// One run of the batch converter, as the command line asked for it.
struct BatchOptions {
  JobOptions job;
  unsigned jobs = 1;                                      // worker threads, at least 1
  std::vector<std::string> patterns = DefaultPatterns();  // file name globs for folder walks
  std::vector<std::string> paths;  // files and folders, in the order given; "-" alone: a pipe
  Verbosity verbosity = Verbosity::kNormal;
};

}  // namespace q9

#endif  // Q9_BATCH_OPTIONS_H_
