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
#include <fstream>
#include <iostream>
#include <thread>

#include "batch/batch_run.h"
#include "batch/command_line.h"
#include "batch/file_walk.h"
#include "batch/nearest_word.h"
#include "batch/own_console.h"
#include "batch/report.h"
#include "batch/stream_job.h"
#include "linestore/allocator_tunables.h"
#include "linestore/temp_names.h"

namespace {

constexpr const char* kFooter =
    R"(PATH is a script or a folder (walked recursively for files matching
--include); a file named is converted whatever its name. "-" alone reads a
script from standard input and writes the converted script to standard output.
Warnings name the places where the conversion may have changed a script's
meaning or damaged it: PATH:LINE: warning: WHAT; CHECK [KIND], then the line.
Kinds of warnings and notes: )";

// Converting in place waits on the disk's syncs rather than on the processor:
// this many jobs keep the disk busy, whatever the number of cores.
constexpr unsigned kMinWriteJobs = 8;

// Where a signal finds the temporary files of the saves in progress.
q9::TempNames g_temps;

constexpr const char* kExitStatuses =
    R"(
Exit status: 0 success; 1 --check found files to convert, --warnings-only
found warnings, or a folder held no scripts; 2 usage error;
3 a file could not be read or written (the others are still converted).)";

constexpr const char* kKeyPrompt = "Press any key to close this window.";

// The usage line says that a path is needed; CLI11 would show it in brackets,
// since --list-rows and --version need none.
class Formatter : public CLI::Formatter {
 public:
  std::string make_usage(const CLI::App*, std::string) const override {
    return "Usage: q9strict [OPTIONS] PATH...\n  or:  q9strict [OPTIONS] -\n";
  }
};

// "did you mean --check?" for the first option on the command line that the
// program does not know, or "".
std::string OptionHint(const CLI::App& app, const std::vector<std::string>& args) {
  std::vector<std::string> known;
  for (const CLI::Option* option : app.get_options()) {
    for (const std::string& name : option->get_lnames()) known.push_back("--" + name);
    for (const std::string& name : option->get_snames()) known.push_back("-" + name);
  }
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--") break;
    if (args[i].size() < 2 || args[i][0] != '-') continue;
    const std::string name = args[i].substr(0, args[i].find('='));
    if (name.size() == 2 || std::find(known.begin(), known.end(), name) != known.end()) continue;
    const std::string nearest = q9::NearestWord(name, known);
    if (!nearest.empty()) return "did you mean " + nearest + "?\n";
  }
  return "";
}

int Run(const std::vector<std::string>& args, bool own_console) {
  q9::BatchOptions options;
  options.jobs = std::max(1u, std::thread::hardware_concurrency());
  bool check = false, diff = false, list_rows = false, warnings_only = false;
  bool quiet = false, verbose = false;
  std::string backup_suffix, report_path;
  std::string warnings = "all";
  std::vector<std::string> no_warn;

  CLI::App app{"Converts game scripts to the #strict syntax, in place.", "q9strict"};
  app.formatter(std::make_shared<Formatter>());
  app.footer(kFooter + q9::KnownKindList() + "." + kExitStatuses);
  app.set_version_flag("--version", std::string("q9strict ") + Q9_VERSION);
  app.add_option("PATH", options.paths, "script files and folders, or - for a pipe")->type_name("");
  auto* check_flag = app.add_flag("--check", check, "write nothing; list files that would change");
  auto* diff_flag = app.add_flag("--diff", diff, "write nothing; print a unified diff");
  auto* backup_flag =
      app.add_flag("--backup{.bak}", backup_suffix,
                   "keep each original as PATH.bak, or PATH+SUFFIX with --backup=SUFFIX");
  auto* jobs_option =
      app.add_option("-j,--jobs", options.jobs,
                     "files converted in parallel (default: cores; in place at least 8)")
          ->check(CLI::Range(1u, 1024u));
  app.add_option("--include", options.patterns,
                 "file name glob for folders, repeatable (default: *.c and *.C)")
      ->allow_extra_args(false);
  app.add_flag("--list-rows", list_rows, "print the conversion stages and rows and exit");
  app.add_flag("--safe", options.job.safe,
               "convert so that every function computes what it did (see README)");
  app.add_option("--warnings", warnings, "kinds of warnings: all, none or KIND,KIND (default: all)")
      ->type_name("KINDS");
  app.add_option("--no-warn", no_warn, "leave out warnings of these kinds: KIND,KIND")
      ->type_name("KINDS")
      ->allow_extra_args(false);
  auto* warnings_only_flag = app.add_flag("--warnings-only", warnings_only,
                                          "write nothing; list the warnings on standard output");
  app.add_option("--report", report_path, "also write the warnings to FILE as JSON Lines")
      ->type_name("FILE");
  auto* quiet_flag = app.add_flag("-q,--quiet", quiet, "print errors only");
  app.add_flag("-v,--verbose", verbose, "also name the files left as they were")
      ->excludes(quiet_flag);
  check_flag->excludes(diff_flag)->excludes(backup_flag);
  diff_flag->excludes(backup_flag);
  warnings_only_flag->excludes(check_flag)->excludes(diff_flag)->excludes(backup_flag);
  try {
    std::vector<std::string> reversed(args.rbegin(), args.rend() - 1);
    app.parse(reversed);
    if (backup_suffix.find('/') != std::string::npos) {
      throw CLI::ValidationError("--backup", "the suffix must not contain '/'");
    }
    if (backup_flag->count() > 0 && q9::BackupsWouldMatch(backup_suffix, options.patterns)) {
      throw CLI::ValidationError("--backup",
                                 "backups named with this suffix would be converted next time");
    }
    if (q9::Status s = q9::ApplyKindList(warnings, true, &options.job.warnings); !s.ok()) {
      throw CLI::ValidationError("--warnings", s.reason());
    }
    for (const std::string& list : no_warn) {
      if (q9::Status s = q9::ApplyKindList(list, false, &options.job.warnings); !s.ok()) {
        throw CLI::ValidationError("--no-warn", s.reason());
      }
    }
    if (warnings_only && options.job.warnings.none()) {
      throw CLI::ValidationError("--warnings-only", "no kind of warning is left to list");
    }
    const bool piped =
        std::find(options.paths.begin(), options.paths.end(), "-") != options.paths.end();
    if (piped && options.paths.size() > 1) {
      throw CLI::ValidationError("PATH", "\"-\" must be the only path");
    }
    if (piped && backup_flag->count() > 0) {
      throw CLI::ValidationError("--backup", "a script on standard input has no file to keep");
    }
  } catch (const CLI::ParseError& error) {
    if (app.exit(error) == 0) return q9::kExitOk;
    std::cerr << OptionHint(app, args);
    return q9::kExitUsage;
  }
  if (list_rows) {
    std::cout << q9::FormatRowList();
    return q9::kExitOk;
  }
  if (options.paths.empty()) {
    std::cerr << "q9strict: a PATH is needed (a script, a folder, or - for standard input)\n"
                 "usage: q9strict [OPTIONS] PATH...\nRun with --help for more information.\n";
    return q9::kExitUsage;
  }
  options.job.mode = check           ? q9::BatchMode::kCheck
                     : diff          ? q9::BatchMode::kDiff
                     : warnings_only ? q9::BatchMode::kWarningsOnly
                                     : q9::BatchMode::kWrite;
  options.job.temps = &g_temps;
  if (options.job.mode == q9::BatchMode::kWrite && jobs_option->count() == 0) {
    options.jobs = std::max(options.jobs, kMinWriteJobs);
  }
  options.verbosity = quiet     ? q9::Verbosity::kQuiet
                      : verbose ? q9::Verbosity::kVerbose
                                : q9::Verbosity::kNormal;
  if (backup_flag->count() > 0) options.job.backup_suffix = backup_suffix;
  // Scripts dropped on the program: their originals are kept beside them.
  if (own_console && options.job.mode == q9::BatchMode::kWrite && !options.job.backup_suffix) {
    options.job.backup_suffix = ".bak";
  }
  std::ofstream report;
  if (!report_path.empty()) {
    report.open(report_path, std::ios::binary | std::ios::trunc);
    if (!report) {
      std::cerr << report_path << ": error: cannot write the report\n";
      return q9::kExitFileError;
    }
  }
  std::ostream* json = report_path.empty() ? nullptr : &report;
  if (options.paths.size() == 1 && options.paths[0] == "-") {
    return q9::RunStream(options, std::cin, std::cout, std::cerr, json);
  }
  return q9::RunBatch(options, std::cout, std::cerr, isatty(STDERR_FILENO) == 1, json);
}

}  // namespace

int main(int argc, char** argv) {
  q9::RestartTunedForLargeScripts(argv);
#ifdef _WIN32
  // Scripts, texts and diffs are bytes on Windows too: no CR LF translation.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#else
  // A write beyond the file size limit must fail as an error the save reports.
  std::signal(SIGXFSZ, SIG_IGN);
  q9::RemoveTempsOnSignals(&g_temps);
#endif
  std::vector<std::string> args = q9::CommandLine(argc, argv);
  // Started from Explorer, the window closes with the program: without
  // scripts dropped on it, show what the program does; either way, wait.
  const bool own_console = q9::OwnsConsole();
  if (own_console && args.size() == 1) args.push_back("--help");
  const int status = Run(args, own_console);
  if (own_console) q9::WaitForKey(std::cerr, kKeyPrompt);
  return status;
}
