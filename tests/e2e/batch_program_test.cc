// The batch converter as a process in scratch folders: what only the program
// shows (options, exit statuses, the files it leaves, an ordinary user's walk,
// a descriptor limit, a terminal); formatting is the unit tests' to show.

#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "tests/e2e/process.h"

namespace q9::test {
namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;

constexpr const char* kAsNobody = "setpriv --reuid=65534 --regid=65534 --clear-groups ";

class BatchProgramTest : public ScratchTest {
 protected:
  // Runs the program with |args| as bash's |shell| command runs "$0" "$@".
  ProcessResult Run(std::vector<std::string> args, const std::string& input = "",
                    const std::string& shell = "exec \"$0\" \"$@\"") {
    args.insert(args.begin(), {"/bin/bash", "-c", "set -o pipefail; " + shell, Q9_BATCH_PROGRAM});
    return RunProcess(args, input, dir_);
  }
  void Put(const fs::path& relative, const std::string& bytes) {
    fs::create_directories((dir_ / relative).parent_path());
    WriteBytes(dir_ / relative, bytes);
  }
  std::string Get(const fs::path& relative) const { return ReadBytes(dir_ / relative); }
};

TEST_F(BatchProgramTest, UsageErrorsTouchNothing) {
  Put("s.c", kOld);
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "a PATH is needed"},
      {{"--warnin=precedence", "s.c"}, "did you mean --warnings?\n"},  // as far as a hint goes
      {{"--j", "2", "s.c"}, "did you mean -j?\n"},
      {{"--check", "--diff", "s.c"}, "--help"},
      {{"--diff", "--backup", "s.c"}, "--help"},
      {{"-j", "0", "s.c"}, "--help"},
      {{"-j", "1025", "s.c"}, "--help"},
      {{"-q", "-v", "s.c"}, "--help"},
      {{"--backup=/x", "s.c"}, "--help"},
      {{"--warnings=some", "s.c"}, "unknown warning kind \"some\" (known: all, none, "},
      {{"--no-warn=precedence,x", "s.c"}, "unknown warning kind \"x\""},
      {{"--warnings-only", "--check", "s.c"}, "--help"},
      {{"--warnings-only", "--warnings=none", "s.c"}, "--help"},
      {{"-", "s.c"}, "\"-\" must be the only path"},
      {{"--backup", "-"}, "--help"},
      // The backups would be taken for scripts by the next run.
      {{"--backup=.c", "s.c"}, "would be converted next time"},
      {{"--include", "*", "--backup", "s.c"}, "would be converted next time"},
      {{"--include", "*[c]", "--backup=.c", "s.c"}, "would be converted next time"},
      {{"--include", "*[!k]", "--backup=.c", "s.c"}, "would be converted next time"},
  };
  for (const auto& [args, says] : cases) {
    SCOPED_TRACE(testing::PrintToString(args));
    ProcessResult r = Run(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_THAT(r.err, HasSubstr(says));
    EXPECT_EQ(Get("s.c"), kOld);
  }
  ProcessResult help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_THAT(help.out, HasSubstr("\nUsage: q9strict [OPTIONS] PATH...\n"));
  EXPECT_THAT(help.out, HasSubstr("Kinds of warnings and notes: precedence, "));
  EXPECT_EQ(Run({"--version"}).out, "q9strict 1.0.0\n");
  // A set-user-ID copy that another user starts (as only root can arrange) runs once.
  const std::string suid = "cp \"$0\" suid && chmod 4755 suid && exec " +
                           std::string(geteuid() == 0 ? kAsNobody : "") + "./suid \"$@\"";
  EXPECT_EQ(Run({"--version"}, "", suid).out, "q9strict 1.0.0\n");
  EXPECT_TRUE(Run({"--list-rows"}).out.starts_with("Stage 1  Strict "));
}

// "FILE:LINE: SEVERITY [KIND]" for each diagnostic, other lines as they are.
std::string Outline(const std::string& text) {
  static const std::regex context("(^|\n)  [^\n]*"), wording(": (note|warning): [^\n]* \\[");
  return std::regex_replace(std::regex_replace(text, context, ""), wording, ": $1: [");
}

// Warnings by kind, on standard error, standard output or as JSON Lines; a
// script on standard input ("-") goes to standard output.
TEST_F(BatchProgramTest, WarningsAndPipes) {
  const std::string script = "Timer: Not(1,\nInitialize: SetVar(0,GetSum(2));\n";
  const std::string converted =
      kMarker + "#strict\n func Timer(){\n Not(1,\n}\n func Initialize(){\n Var(0)=Get2;\n}\n";
  auto note = [](const std::string& path) { return path + ":4: note: [unconverted]\n"; };
  auto warning = [](const std::string& path) { return path + ":7: warning: [name-in-word]\n"; };
  auto both = [&](const std::string& path) { return note(path) + warning(path); };
  const std::string counts =
      " with warnings, 0 failed; warnings: 1 name-in-word; notes: 1 unconverted\n";
  const std::string clean = "1 would be converted, 0 unchanged, 0 with warnings, 0 failed";
  struct Case {
    std::vector<std::string> args;
    std::string input;  // standard input, for "-"
    int status;
    std::string out, err;   // in outline
    bool converts = false;  // s.c is converted
    std::string shell = "exec \"$0\" \"$@\"";
  };
  const std::string cannot = "error: cannot write standard output: ";
  const std::string full = "exec \"$0\" \"$@\" >/dev/full";
  const std::string mul = "x: SetVar(0,Mul(Sum(Var(1),2),3));";
  // clang-format off
  const Case cases[] = {
      {{"--warnings-only", "s.c"}, "", 1, both("s.c"), "1 would be converted, 0 unchanged, 1" + counts},
      // Notes alone are no warnings found.
      {{"--warnings-only", "--warnings=unconverted", "s.c"}, "", 0, note("s.c"),
       clean + "; notes: 1 unconverted\n"},
      {{"-j", "1024", "s.c"}, "", 0, "", both("s.c") + "1 converted, 0 unchanged, 1" + counts, true},
      {{"-q", "--report=r.jsonl", "s.c"}, "", 0, "", "", true},
      {{"-"}, script, 0, converted, both("-") + "1 converted, 0 unchanged, 1" + counts},
      {{"--check", "--warnings=none", "-"}, script, 1, "-\n", clean + "\n"},
      // The diff alone, though there is a warning.
      {{"--safe", "--diff", "-q", "-"}, mul + "\nSetVar(1,2,3);", 0, "--- a/-\n+++ b/-\n@@ -1,2 +1,6 @@\n-" + mul +
       "\n-SetVar(1,2,3);\n\\ No newline at end of file\n+" + kMarker +
       "+#strict\n+ func x(){\n+ Var(0)=(Var(1)+2)*3;\n+SetVar(1,2,3);\n+}\n", ""},
      {{"--warnings-only", "--no-warn=unconverted", "-q", "-"}, script, 1, warning("-"), ""},
      {{"--no-warn=all", "-"}, script, 0, converted, "1 converted, 0 unchanged, 0 with warnings, 0 failed\n"},
      {{"-v", "-"}, converted, 0, converted,
       "-: already converted\n0 converted, 0 unchanged, 1 already converted, 0 with warnings, 0 failed\n"},
      {{"-q", "-"}, std::string("Timer:\0\n", 8), 3, "", "-: error: not a script: holds NUL bytes\n"},
      // Output that cannot be written fails the run, a script's as well as a file's.
      {{"-q", "--check", "s.c"}, "", 3, "", cannot + "No space left on device\n", false, full},
      {{"-q", "-"}, script, 3, "", cannot + "No space left on device\n", false, full},
      // A script on standard input that cannot be read is no empty script.
      {{"-"}, "", 3, "", "-: error: cannot read: standard input\n0 converted, 0 unchanged, 0 with "
       "warnings, 1 failed\n", false, "exec \"$0\" \"$@\" </"},
      // A write beyond the size limit fails as an error, not as a signal that ends the program.
      {{"-q", "s.c"}, "", 3, "s.c: error: cannot write: File too large\n", "", false,
       "prlimit --fsize=0 \"$0\" \"$@\" 2>&1 | cat"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    Put("s.c", script);
    ProcessResult r = Run(c.args, c.input, c.shell);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(Outline(r.out), c.out);
    EXPECT_EQ(Outline(r.err), c.err);
    EXPECT_EQ(Get("s.c"), c.converts ? converted : script);
  }
  // One object a line, the message as the terminal shows it.
  EXPECT_THAT(Get("r.jsonl"), testing::MatchesRegex(
      R"(\{"path":"s\.c","line":4,"kind":"unconverted","message":"[^"]+"\})" "\n"
      R"(\{"path":"s\.c","line":7,"kind":"name-in-word",.*)"));
}

// Every folder or entry the walk cannot read fails with its reason, as an
// ordinary user sees it (root gives up its rights for the run); a path beyond
// the system's limit is no obstacle; names are printed with control bytes escaped.
TEST_F(BatchProgramTest, WalkReportsWhatItCannotReadAndEscapesNames) {
  for (const std::string name : {"ok.c", "bad\n\x1b[2J.c", "listonly/sub/y.c", "closed/x.c",
                                 "listonly/x.c", "passonly/x.c"})
    Put("s/" + name, kOld);
  const std::string setup =
      "chmod 755 . && cd s && chmod 0 closed && chmod 444 listonly && chmod 111 passonly && "
      "d=$(printf 'd%.0s' $(seq 200)) && for i in $(seq 25); do mkdir $d && cd $d; done && "
      "printf 'Init: SetVar(0,1);\\n' >deep.c && pwd | wc -c";
  ProcessResult made = RunProcess({"/bin/bash", "-c", setup}, "", dir_);
  ASSERT_GT(std::stoi(made.out), 4096);  // PATH_MAX
  const char* user = geteuid() == 0 ? kAsNobody : "";
  ProcessResult r = Run({"--check", "s"}, "", "exec " + std::string(user) + "\"$0\" \"$@\"");
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err,
            "s/closed: error: cannot read: Permission denied\n"
            "s/listonly/sub: error: cannot read: Permission denied\n"
            "s/listonly/x.c: error: cannot read: Permission denied\n"
            "s/passonly: error: cannot read: Permission denied\n"
            "3 would be converted, 0 unchanged, 0 with warnings, 4 failed\n");
  EXPECT_TRUE(r.out.starts_with("s/bad\\x0a\\e[2J.c\ns/dddd")) << r.out.substr(0, 100);
  EXPECT_TRUE(r.out.ends_with("/deep.c\ns/ok.c\n")) << r.out;
  // Deeper than remove_all goes.
  RunProcess({"/bin/sh", "-c", "chmod -R u+rwx s; rm -rf s"}, "", dir_);
}

// Each script and folder gives its descriptors back: 300 scripts in 150 folders
// convert under a limit of 64 open files, at a terminal, where a long run shows
// a progress bar and erases it. Which files a run takes and what it says of the
// rest; a backup takes the next free name; a linked script keeps its link.
TEST_F(BatchProgramTest, ManyFoldersWithBackupsAtATerminal) {
  for (int i = 0; i < 300; ++i)
    Put("s/d" + std::to_string(i / 2) + "/f" + std::to_string(i % 2) + ".c", kOld);
  for (const char* name : {"s/Upper.C", "s/notes.txt", "empty/sub/notes.txt", "real.c"})
    Put(name, kOld);
  Put("s/Done.c", kNew);
  Put("s/d0/f0.c.bak", "the only old copy\n");
  fs::create_symlink("real.c", dir_ / "link.c");
  int master = -1;
  const pid_t pid = StartAtTerminal(
      {"/usr/bin/prlimit", "--nofile=64", Q9_BATCH_PROGRAM, "--backup", "s", "empty", "link.c"},
      dir_, &master);
  ASSERT_GE(pid, 0);
  std::string output;
  int status = -1;
  EXPECT_TRUE(WaitFor(master, &output, [&] { return waitpid(pid, &status, WNOHANG) == pid; }));
  close(master);
  EXPECT_EQ(ShellStatus(status), 1);
  const std::string summary =
      "302 converted, 0 unchanged, 1 already converted, 0 with warnings, 0 failed\r\n";
  // Blanks over the last bar: 30 marks, two brackets and " 303/303".
  EXPECT_TRUE(output.ends_with("] 303/303\r" + std::string(40, ' ') + "\r" + summary)) << output;
  static const std::regex bar("\r(\\[[# ]{30}\\] [0-9]+/303| +\r)");
  EXPECT_EQ(std::regex_replace(output, bar, ""),
            "no scripts found under empty\r\n"
            "s/d0/f0.c: note: backup kept as s/d0/f0.c.bak.1 (the usual name was taken)\r\n" +
                summary);
  EXPECT_EQ(Get("s/d0/f0.c") + Get("s/d0/f0.c.bak") + Get("s/d0/f0.c.bak.1") + Get("s/d149/f1.c") +
                Get("s/d149/f1.c.bak") + Get("s/Upper.C") + Get("s/Done.c") + Get("s/notes.txt") +
                Get("real.c") + Get("link.c.bak"),
            kNew + "the only old copy\n" + kOld + kNew + kOld + kNew + kNew + kOld + kNew + kOld);
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.c") && !fs::is_symlink(dir_ / "link.c.bak"));
  // No temporary file left, nor a backup of Done.c: 153 folders, 609 files (302 backups).
  EXPECT_EQ(std::distance(fs::recursive_directory_iterator(dir_), {}), 153 + 609);
}

}  // namespace
}  // namespace q9::test
