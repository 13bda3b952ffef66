// The batch converter run as a process in scratch folders: what only the
// program shows (options, exit statuses, the files it leaves, a diff that
// `patch` applies, a terminal, an ordinary user's walk, a descriptor limit).
// Formatting and each file's bytes are the unit tests' to show.

#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "batch/old_script_test_util.h"
#include "gtest/gtest.h"
#include "tests/e2e/process.h"

namespace q9::test {
namespace {

namespace fs = std::filesystem;

const std::string kOld = "Initialize: SetVar(0,1); return(1);\n";
const std::string kMarker = "/*+++Automatisiertes Syntax Update zu #strict - Quellor+++*/\n";
const std::string kNew = kMarker + "#strict\n func Initialize(){\n Var(0)=1;\n return(1);\n}\n";

class BatchProgramTest : public ::testing::Test {
 protected:
  void TearDown() override { fs::remove_all(dir_); }

  ProcessResult Run(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), Q9_BATCH_PROGRAM);
    return RunProcess(args, input, {.cwd = dir_.string()});
  }
  void Put(const fs::path& relative, const std::string& bytes) {
    fs::create_directories((dir_ / relative).parent_path());
    WriteFile(dir_ / relative, bytes);
  }
  std::string Get(const fs::path& relative) const { return ReadFile(dir_ / relative); }

  fs::path dir_ = MakeScratchDir();
};

TEST_F(BatchProgramTest, UsageErrorsTouchNothing) {
  Put("s.c", kOld);
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "a PATH is needed"},
      {{"--no-such-option", "s.c"}, "--help"},
      {{"--chek", "s.c"}, "did you mean --check?\n"},
      {{"--warning=precedence", "s.c"}, "did you mean --warnings?\n"},
      {{"--check", "--diff", "s.c"}, "--help"},
      {{"--diff", "--backup", "s.c"}, "--help"},
      {{"-j", "0", "s.c"}, "--help"},
      {{"-j", "1025", "s.c"}, "--help"},
      {{"-j", "many", "s.c"}, "--help"},
      {{"-q", "-v", "s.c"}, "--help"},
      {{"--backup=/x", "s.c"}, "--help"},
      {{"--warnings=some", "s.c"}, "unknown warning kind \"some\" (known: all, none, "},
      {{"--no-warn=precedence,x", "s.c"}, "unknown warning kind \"x\""},
      {{"--warnings-only", "--check", "s.c"}, "--help"},
      {{"--warnings-only", "--warnings=none", "s.c"}, "--help"},
      {{"--warnings-only", "--warnings=precedence", "--no-warn=precedence", "s.c"}, "--help"},
      {{"-", "s.c"}, "\"-\" must be the only path"},
      {{"--backup", "-"}, "--help"},
      // The backups would be taken for scripts by the next run.
      {{"--backup=.c", "s.c"}, "would be converted next time"},
      {{"--include", "*", "--backup", "s.c"}, "would be converted next time"},
      {{"--include", "*[c]", "--backup=.c", "s.c"}, "would be converted next time"},
  };
  for (const auto& [args, says] : cases) {
    SCOPED_TRACE(testing::PrintToString(args));
    ProcessResult r = Run(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    EXPECT_EQ(Get("s.c"), kOld);
  }
  ProcessResult help = Run({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("\nUsage: q9strict [OPTIONS] PATH...\n"), std::string::npos);
  EXPECT_NE(help.out.find("Kinds of warnings and notes: precedence, "), std::string::npos);
  EXPECT_EQ(Run({"--version"}).out, "q9strict 1.0.0\n");
  EXPECT_TRUE(Run({"--list-rows"}).out.starts_with("Stage 1  Strict "));
}

// Which files a run takes, and what it says about those it leaves.
TEST_F(BatchProgramTest, TreeCheckConvertCheck) {
  const std::string binary("\x89PNG\r\n\x1a\n\0\xFF", 10);
  for (const char* name :
       {"obj/Script.c", "obj/b/Defs.c", "obj/Upper.C", "obj/notes.txt", "obj/Script.c.old"}) {
    Put(name, kOld);
  }
  Put("obj/Done.c", kNew);
  Put("obj/Graphics.png", binary);
  fs::create_directories(dir_ / "empty/sub");
  Put("empty/notes.txt", kOld);
  ProcessResult r = Run({"--check", "-j", "1024", "obj"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "obj/Script.c\nobj/Upper.C\nobj/b/Defs.c\n");
  EXPECT_EQ(r.err,
            "3 would be converted, 0 unchanged, 1 already converted, 0 with warnings, 0 failed\n");

  r = Run({"obj", "empty"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "no scripts found under empty\n"
            "3 converted, 0 unchanged, 1 already converted, 0 with warnings, 0 failed\n");
  for (const char* name : {"obj/Script.c", "obj/b/Defs.c", "obj/Upper.C", "obj/Done.c"}) {
    EXPECT_EQ(Get(name), kNew) << name;
  }
  EXPECT_EQ(Get("obj/notes.txt") + Get("obj/Script.c.old"), kOld + kOld);
  EXPECT_EQ(Get("obj/Graphics.png"), binary);
  std::size_t files = 0;  // no temporary files or backups left behind
  for (const auto& entry : fs::recursive_directory_iterator(dir_)) files += entry.is_regular_file();
  EXPECT_EQ(files, 8u);

  // A second run changes nothing and, with -v, says why.
  r = Run({"-v", "obj/b"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err,
            "obj/b/Defs.c: already converted\n"
            "0 converted, 0 unchanged, 1 already converted, 0 with warnings, 0 failed\n");

  // Another pattern picks other files; a file named on the command line is taken as it is.
  r = Run({"--include", "*.txt", "obj", "obj/Script.c.old"});
  EXPECT_EQ(r.err, "2 converted, 0 unchanged, 0 with warnings, 0 failed\n");
  EXPECT_EQ(Get("obj/notes.txt") + Get("obj/Script.c.old"), kNew + kNew);
}

// Scripts with CR LF, Latin-1 text, no final LF and bracket errors: the diff
// turns a copy of the originals into exactly what the conversion writes.
TEST_F(BatchProgramTest, DiffAppliesWithPatch) {
  auto name = [](std::uint32_t seed) { return "s/f" + std::to_string(seed) + ".c"; };
  for (std::uint32_t seed = 1; seed <= 14; ++seed) {
    Put(name(seed), OldSyntaxScript(seed, 2000));
    Put("copy/" + name(seed), OldSyntaxScript(seed, 2000));
  }
  Put("s/done.c", kNew);
  ProcessResult diff = Run({"--diff", "s"});
  EXPECT_EQ(diff.status, 0);
  EXPECT_NE(diff.out.find("\\ No newline at end of file\n"), std::string::npos);
  EXPECT_EQ(diff.out.find("done.c"), std::string::npos);
  EXPECT_EQ(Get(name(1)), OldSyntaxScript(1, 2000));  // --diff writes nothing

  Put("changes.diff", diff.out);
  ProcessResult patch = RunProcess({"/usr/bin/patch", "-p1", "-s", "-i", "../changes.diff"}, "",
                                   {.cwd = (dir_ / "copy").string()});
  EXPECT_EQ(patch.status, 0) << patch.out << patch.err;
  EXPECT_EQ(Run({"s"}).status, 0);
  for (std::uint32_t seed = 1; seed <= 14; ++seed) {
    EXPECT_EQ(Get("copy/" + name(seed)), Get(name(seed))) << seed;
  }
}

// A backup is never overwritten (the next free number is taken), a linked
// script keeps its link and is backed up by content, and the word after
// --backup is a path.
TEST_F(BatchProgramTest, BackupsTakeTheNextFreeName) {
  Put("s/b.c", kOld);
  Put("s/b.c.bak", "the only old copy\n");
  ProcessResult r = Run({"--backup", "s"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err,
            "s/b.c: note: backup kept as s/b.c.bak.1 (the usual name was taken)\n"
            "1 converted, 0 unchanged, 0 with warnings, 0 failed\n");
  EXPECT_EQ(Get("s/b.c") + Get("s/b.c.bak") + Get("s/b.c.bak.1"),
            kNew + "the only old copy\n" + kOld);
  Put("real.c", kOld);
  fs::create_symlink("real.c", dir_ / "link.c");
  EXPECT_EQ(Run({"--backup=.orig", "link.c"}).status, 0);
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.c"));
  EXPECT_EQ(Get("real.c"), kNew);
  EXPECT_FALSE(fs::is_symlink(dir_ / "link.c.orig"));
  EXPECT_EQ(Get("link.c.orig"), kOld);
}

// "FILE:LINE: SEVERITY [KIND]" for each diagnostic, and other lines as they
// are: the wording of each warning is ReportTest's business.
std::string Outline(const std::string& text) {
  std::istringstream in(text);
  std::string out, line;
  while (std::getline(in, line)) {
    if (line.starts_with("  ")) continue;
    std::size_t severity = line.find(": note: ");
    if (severity == std::string::npos) severity = line.find(": warning: ");
    out += severity == std::string::npos ? line + "\n"
                                         : line.substr(0, line.find(' ', severity + 2)) +
                                               line.substr(line.rfind(" [")) + "\n";
  }
  return out;
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
    std::string out, err;  // in outline
    bool converts = false;  // s.c is converted
  };
  const std::string mul = "x: SetVar(0,Mul(Sum(Var(1),2),3));";
  // clang-format off
  const Case cases[] = {
      {{"--warnings-only", "s.c"}, "", 1, both("s.c"), "1 would be converted, 0 unchanged, 1" + counts},
      // Notes alone are no warnings found.
      {{"--warnings-only", "--warnings=unconverted", "s.c"}, "", 0, note("s.c"),
       clean + "; notes: 1 unconverted\n"},
      {{"s.c"}, "", 0, "", both("s.c") + "1 converted, 0 unchanged, 1" + counts, true},
      {{"-q", "--report=r.jsonl", "s.c"}, "", 0, "", "", true},
      {{"-"}, script, 0, converted, both("-") + "1 converted, 0 unchanged, 1" + counts},
      {{"--check", "--warnings=none", "-"}, script, 1, "-\n", clean + "\n"},
      {{"--safe", "--diff", "-q", "-"}, mul, 0, "--- a/-\n+++ b/-\n@@ -1 +1,5 @@\n-" + mul +
       "\n\\ No newline at end of file\n+" + kMarker + "+#strict\n+ func x(){\n+ Var(0)=(Var(1)+2)*3;\n+}\n", ""},
      {{"--warnings-only", "--no-warn=unconverted", "-q", "-"}, script, 1, warning("-"), ""},
      {{"-v", "-"}, converted, 0, converted,
       "-: already converted\n0 converted, 0 unchanged, 1 already converted, 0 with warnings, 0 failed\n"},
      {{"-q", "-"}, std::string("Timer:\0\n", 8), 3, "", "-: error: not a script: holds NUL bytes\n"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.args));
    Put("s.c", script);
    ProcessResult r = Run(c.args, c.input);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(Outline(r.out), c.out);
    EXPECT_EQ(Outline(r.err), c.err);
    EXPECT_EQ(Get("s.c"), c.converts ? converted : script);
  }
  // One object a line, the message as the terminal shows it.
  const std::string report = Get("r.jsonl");
  EXPECT_TRUE(report.starts_with(R"({"path":"s.c","line":4,"kind":"unconverted","message":")"))
      << report;
  EXPECT_NE(report.find("\"}\n{\"path\":\"s.c\",\"line\":7,\"kind\":\"name-in-word\""),
            std::string::npos)
      << report;
}

// Output that cannot be written fails the run, in each mode that writes output.
TEST_F(BatchProgramTest, UnwritableOutputIsStatus3) {
  std::signal(SIGPIPE, SIG_IGN);         // inherited: the program sees the closed pipe as EPIPE
  Put("s.c", kOld + "Timer: Not(1,\n");  // a warning for --warnings-only
  for (const char* mode : {"--check", "--diff", "--warnings-only"}) {
    for (const bool pipe : {false, true}) {
      SCOPED_TRACE(std::string(mode) + (pipe ? " into a closed pipe" : " into /dev/full"));
      ProcessOptions options{.cwd = dir_.string()};
      options.stdout_reader_closed = pipe;
      options.stdout_file = pipe ? "" : "/dev/full";
      ProcessResult r = RunProcess({Q9_BATCH_PROGRAM, mode, "s.c"}, "", options);
      EXPECT_EQ(r.status, 3);
      EXPECT_NE(r.err.find(std::string("error: cannot write standard output: ") +
                           (pipe ? "Broken pipe" : "No space left on device") + "\n"),
                std::string::npos)
          << r.err;
    }
  }
  EXPECT_EQ(Get("s.c"), kOld + "Timer: Not(1,\n");
}

// Every folder or entry the walk cannot read is a failure with its reason, as
// an ordinary user sees it (root gives up its rights for the run); a path
// longer than the system's limit is no obstacle; names are printed with their
// control bytes escaped.
TEST_F(BatchProgramTest, WalkReportsWhatItCannotReadAndEscapesNames) {
  Put("s/ok.c", kOld);
  Put("s/bad\n\x1b[2J.c", kOld);
  Put("s/listonly/sub/y.c", kOld);
  for (const std::string folder : {"closed", "listonly", "passonly"})
    Put("s/" + folder + "/x.c", kOld);
  const std::string deep =
      "cd s && d=$(printf 'd%.0s' $(seq 200)) && for i in $(seq 25); do mkdir $d && cd $d; done && "
      "printf 'Init: SetVar(0,1);\\n' >deep.c && pwd | wc -c";
  ProcessResult made = RunProcess({"/bin/bash", "-c", deep}, "", {.cwd = dir_.string()});
  ASSERT_GT(std::stoi(made.out), 4096);  // PATH_MAX
  chmod(dir_.c_str(), 0755);
  chmod((dir_ / "s/closed").c_str(), 0);
  chmod((dir_ / "s/listonly").c_str(), 0444);
  chmod((dir_ / "s/passonly").c_str(), 0111);
  ProcessResult r = RunProcess({Q9_BATCH_PROGRAM, "--check", "s"}, "",
                               {.cwd = dir_.string(), .uid = geteuid() == 0 ? 65534 : -1});
  for (const char* folder : {"closed", "listonly", "passonly"}) {
    chmod((dir_ / "s" / folder).c_str(), 0755);
  }
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err,
            "s/closed: error: cannot read: Permission denied\n"
            "s/listonly/sub: error: cannot read: Permission denied\n"
            "s/listonly/x.c: error: cannot read: Permission denied\n"
            "s/passonly: error: cannot read: Permission denied\n"
            "3 would be converted, 0 unchanged, 0 with warnings, 4 failed\n");
  EXPECT_TRUE(r.out.starts_with("s/bad\\x0a\\e[2J.c\ns/dddd")) << r.out.substr(0, 100);
  EXPECT_TRUE(r.out.ends_with("/deep.c\ns/ok.c\n")) << r.out;
  RunProcess({"/bin/rm", "-rf", "s"}, "", {.cwd = dir_.string()});  // deeper than remove_all goes
}

// Each script and folder gives its descriptors back: 300 scripts in 150
// folders convert under a limit of 64 open files.
TEST_F(BatchProgramTest, ManyFoldersUnderALowDescriptorLimit) {
  for (int i = 0; i < 300; ++i) {
    Put("s/d" + std::to_string(i / 2) + "/f" + std::to_string(i % 2) + ".c", kOld);
  }
  ProcessResult r =
      RunProcess({"/bin/sh", "-c", "ulimit -n 64 && exec \"$0\" --backup s", Q9_BATCH_PROGRAM}, "",
                 {.cwd = dir_.string()});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "300 converted, 0 unchanged, 0 with warnings, 0 failed\n");
  EXPECT_EQ(Get("s/d149/f1.c") + Get("s/d149/f1.c.bak"), kNew + kOld);
}

// At a terminal a long run shows a progress bar, and erases it at the end.
TEST_F(BatchProgramTest, ProgressBarAtATerminal) {
  for (int i = 0; i < 60; ++i) Put("s/f" + std::to_string(i) + ".c", kOld);
  int master = -1;
  pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (chdir(dir_.c_str()) != 0) _exit(126);
    execl(Q9_BATCH_PROGRAM, Q9_BATCH_PROGRAM, "s", static_cast<char*>(nullptr));
    _exit(127);
  }
  std::string output;
  char buffer[4096];
  ssize_t n = 0;
  for (pollfd p{master, POLLIN, 0}; poll(&p, 1, 10000) > 0 && (n = read(master, buffer, 4096)) > 0;)
    output.append(buffer, static_cast<std::size_t>(n));  // read fails with EIO after exit
  int status = 0;
  waitpid(pid, &status, 0);
  close(master);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  // Erased with blanks over the bar: 30 marks, two brackets and " 60/60".
  EXPECT_TRUE(output.ends_with("] 60/60\r" + std::string(38, ' ') +
                               "\r60 converted, 0 unchanged, 0 with warnings, 0 failed\r\n"))
      << output;
}

}  // namespace
}  // namespace q9::test
