// The batch converter: converts script files and folders of them to the
// #strict syntax in place, or shows what would change.

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <csignal>
#include <iostream>
#include <thread>

#include "batch/batch_run.h"
#include "batch/file_walk.h"
#include "batch/report.h"
#include "linestore/temp_names.h"

namespace {

constexpr const char* kFooter =
    R"(Folders are walked recursively for files matching --include; files named
on the command line are converted whatever their name.
Warnings name the places where the conversion may have changed a script's
meaning or damaged it: PATH:LINE: warning: WHAT; CHECK [KIND], then the line.
Exit status: 0 success; 1 --check found files to convert, or --warnings-only
found warnings; 2 usage error; 3 a file could not be read or written (the
others are still converted).)";

// Converting in place waits on the disk's syncs rather than on the processor:
// this many jobs keep the disk busy, whatever the number of cores.
constexpr unsigned kMinWriteJobs = 8;

// Where a signal finds the temporary files of the saves in progress.
q9::TempNames g_temps;

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // The texts and diffs are bytes on Windows too: no LF becomes CR LF on the way out.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#else
  // A write beyond the file size limit must fail as an error the save reports.
  std::signal(SIGXFSZ, SIG_IGN);
  q9::RemoveTempsOnSignals(&g_temps);
#endif
  q9::BatchOptions options;
  options.jobs = std::max(1u, std::thread::hardware_concurrency());
  bool check = false, diff = false, list_rows = false, warnings_only = false;
  std::string backup_suffix;
  std::string warnings = "all";

  CLI::App app{"Converts game scripts to the #strict syntax, in place.", "q9strict"};
  app.footer(kFooter);
  app.set_version_flag("--version", std::string("q9strict ") + Q9_VERSION);
  app.add_option("PATH", options.paths, "script files and folders");
  auto* check_flag = app.add_flag("--check", check, "write nothing; list files that would change");
  auto* diff_flag = app.add_flag("--diff", diff, "write nothing; print a unified diff");
  auto* backup_flag = app.add_flag("--backup{.bak}", backup_suffix,
                                   "keep each original as PATH+SUFFIX (--backup=SUFFIX)");
  auto* jobs_option =
      app.add_option("-j,--jobs", options.jobs,
                     "files converted in parallel (default: cores; in place at least 8)")
          ->check(CLI::Range(1u, 1024u));
  app.add_option("--include", options.patterns, "file name glob for folders (default: *.c)")
      ->allow_extra_args(false);
  app.add_flag("--list-rows", list_rows, "print the conversion stages and rows and exit");
  app.add_flag("--safe", options.job.safe,
               "convert so that every function computes what it did (see README)");
  app.add_option("--warnings", warnings, "report conversion hazards: all or none (default: all)")
      ->check(CLI::IsMember({"all", "none"}));
  auto* warnings_only_flag = app.add_flag("--warnings-only", warnings_only,
                                          "write nothing; list the warnings on standard output");
  check_flag->excludes(diff_flag)->excludes(backup_flag);
  diff_flag->excludes(backup_flag);
  warnings_only_flag->excludes(check_flag)->excludes(diff_flag)->excludes(backup_flag);
  try {
    app.parse(argc, argv);
    if (backup_suffix.find('/') != std::string::npos) {
      throw CLI::ValidationError("--backup", "the suffix must not contain '/'");
    }
    if (backup_flag->count() > 0 && q9::BackupsWouldMatch(backup_suffix, options.patterns)) {
      throw CLI::ValidationError("--backup",
                                 "backups named with this suffix would be converted next time");
    }
    if (warnings_only && warnings == "none") {
      throw CLI::ValidationError("--warnings-only", "cannot list warnings with --warnings=none");
    }
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? q9::kExitOk : q9::kExitUsage;
  }
  if (list_rows) {
    std::cout << q9::FormatRowList();
    return q9::kExitOk;
  }
  if (options.paths.empty()) {
    std::cerr << "usage: q9strict [options] PATH...\nRun with --help for more information.\n";
    return q9::kExitUsage;
  }
  options.job.mode = check           ? q9::BatchMode::kCheck
                     : diff          ? q9::BatchMode::kDiff
                     : warnings_only ? q9::BatchMode::kWarningsOnly
                                     : q9::BatchMode::kWrite;
  options.job.warnings = warnings == "all";
  options.job.temps = &g_temps;
  if (options.job.mode == q9::BatchMode::kWrite && jobs_option->count() == 0) {
    options.jobs = std::max(options.jobs, kMinWriteJobs);
  }
  if (backup_flag->count() > 0) options.job.backup_suffix = backup_suffix;
  return q9::RunBatch(options, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}
