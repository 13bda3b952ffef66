// Both programs at pipes while another process acts on their files at the worst
// moment, or a signal ends them there (fault_shim.cc acts, or fails a call, at a
// chosen system call): no file outside the folder changes, no temporary file
// stays, and a script is old, new or what the other process made of it, never
// damaged. The interactive program's other answers at a pipe are rows here too.

#include <csignal>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "tests/e2e/process.h"

namespace q9::test {
namespace {

namespace fs = std::filesystem;

const std::string kTail = "Tail: Hurt(3);\n";
const std::string kAppend = "echo 'Tail: Hurt(3);' >>";
const std::string kChanged = ": error: changed while converting\n";
const std::string kKeyPrompt = "Drueck die \"Any Key\" taste zum fortfahren\n";

struct Case {
  std::string name, setup, fault;  // setup: a shell command run first; fault: Q9_FAULT
  std::string run;  // a bash command: "$B" is q9strict, "$I" the interactive program
  int status;
  std::string message;  // part of the output
  // s/a.c afterwards (see State): two where a signal's handler and a worker's rename race.
  std::set<std::string> a;
  std::set<std::string> listing = {"a.c", "b.c"};  // the names in s afterwards (a link marked @)
};

std::set<std::string> Listing(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    names.insert(entry.path().filename().string() + (entry.is_symlink() ? "@" : ""));
  }
  return names;
}

std::string State(const fs::path& file) {
  if (fs::is_symlink(file)) return "link";
  if (!fs::exists(file)) return "-";
  const std::string b = ReadBytes(file);
  if (b == kMarker + "#strict\n") return "header";  // a new file's
  return b == kOld ? "old" : b == kNew ? "new" : b == kOld + kTail ? "appended" : "damaged";
}

using InterferenceTest = ScratchTest;

TEST_F(InterferenceTest, OtherProcessesAndSignalsAtTheWorstMoment) {
  const std::string batch = "exec \"$B\" ", one_job = batch + "-j 1 s";
  const std::string backup = batch + "-j 1 --backup s";
  const std::string dialogue = "cd s && exec \"$I\"";  // typed: a.c
  // Old and ours, new and ours, old and a user's (no name before the infix).
  const std::string stale = "touch -d '61 seconds ago' s/.a.c.tmpAbCd1234 s/..tmpAbCd1234 && "
                            "touch s/.b.c.tmpXyZw5678";
  // clang-format off
  const Case cases[] = {
      {"a link, another file and a folder's link swapped in after the walk",
       "cp o.c s/c.c && mkdir s/sub && cp o.c s/sub/d.c && cp o.c d.c", "openat:a.c 1 sh ln -sfn "
       "../o.c s/b.c && ln -f o.c s/c.c && mv s/sub s/moved && ln -s .. s/sub", one_job, 3,
       "s/b.c" + kChanged + "s/c.c" + kChanged + "s/sub/d.c" + kChanged + "1 converted, 0 "
       "unchanged, 0 with warnings, 3 failed\n", {"new"}, {"a.c", "b.c@", "c.c", "moved", "sub@"}},
      {"a link swapped in before the backup", "", "linkat:a.c.bak 1 sh ln -sfn ../o.c s/a.c",
       backup, 3, "s/a.c" + kChanged, {"link"}, {"a.c@", "b.c", "b.c.bak"}},
      {"backups copied (EXDEV): a.c.bak cannot be created, b.c's copy is interrupted", "",
       "linkat:.bak * fail 18\nopenat:a.c.bak 1 fail 13\nread:file 5 fail 4\nwrite:file 1 fail 4",
       backup, 3, "s/a.c: error: cannot write: backup s/a.c.bak: Permission denied\n1 converted",
       {"old"}, {"a.c", "b.c", "b.c.bak"}},
      {"text appended while converting", "", "fsync:file 1 sh " + kAppend + " s/a.c",
       batch + "s/a.c", 3, "s/a.c" + kChanged + "0 converted", {"appended"}},
      // EISDIR: what a kernel without unnamed files answers.
      {"appended and deleted while named temporary files are written", "", "openat:O_TMPFILE * "
       "fail 21\nfsync:file 1 sh " + kAppend + " s/a.c\nfsync:file 2 sh rm s/b.c", one_job, 3,
       "s/a.c" + kChanged + "s/b.c" + kChanged, {"appended"}, {"a.c"}},
      // A kernel without unnamed files, on a file system without hard links.
      {"interactive: a new file", "rm s/a.c", "openat:O_TMPFILE * fail 95\nlinkat * fail 1",
       dialogue, 0, "Pfad: a.c\nOperation abgeschlossen\n", {"header"}},
      {"interactive: read and write interrupted", "", "read:file 1 fail 4\nwrite:file 1 fail 4",
       dialogue, 0, "Operation abgeschlossen\n", {"new"}},
      {"interactive: text appended", "", "fsync:file 1 sh " + kAppend + " a.c", dialogue, 1,
       "Fehler beim Schreiben der Datei: a.c (changed while converting)\n", {"appended"}},
      // Converted means a crash can no longer lose it: not so when the folder's sync failed.
      {"the folder's sync fails", "", "fsync:dir * fail 5", batch + "s", 3,
       "s/a.c: error: cannot write: folder not synced: Input/output error\n"
       "s/b.c: error: cannot write: folder not synced: Input/output error\n"
       "0 converted, 0 unchanged, 0 with warnings, 2 failed\n", {"new"}},
      {"SIGTERM when the new file has a name", "", "renameat 1 sh kill -TERM $PPID", one_job,
       128 + SIGTERM, "", {"old", "new"}},
      {"SIGINT with a named temporary file throughout", "", "openat:O_TMPFILE * fail 95\n"
       "fsync:file 1 sh kill -INT $PPID", one_job, 128 + SIGINT, "", {"old", "new"}},
      {"interactive: SIGHUP when the new file has a name", "", "renameat 1 sh kill -HUP $PPID",
       dialogue, 128 + SIGHUP, "", {"old"}},
      // The interactive program, too, syncs the folder after the rename.
      {"interactive: kill -9 at the folder's sync", "", "fsync:dir 1 sh kill -KILL $PPID",
       dialogue, 128 + SIGKILL, "", {"new"}},
      {"kill -9 while the new file has no name", "", "fsync:file 1 sh kill -KILL $PPID", one_job,
       128 + SIGKILL, "", {"old"}},
      {"leftovers older than a minute removed", stale, "", batch + "s", 0, "2 converted", {"new"},
       {"..tmpAbCd1234", ".b.c.tmpXyZw5678", "a.c", "b.c"}},
      {"interactive: leftovers older than a minute removed", stale, "", dialogue, 0,
       "Operation abgeschlossen\n", {"new"}, {"..tmpAbCd1234", ".b.c.tmpXyZw5678", "a.c", "b.c"}},
      {"interactive: version", "", "", dialogue + " --version", 0, "Q9ToQ9strict 1.0.0\n", {"old"}},
      {"interactive: help", "", "", dialogue + " --help", 0, "Usage: Q9ToQ9strict\n", {"old"}},
      {"interactive: standard input unreadable", "", "", dialogue + " </", 1,
       "ist)\nFehler beim Lesen der Datei: stdin (Is a directory)\n", {"old"}},
      // The write fails as an error, not as a signal that ends the program.
      {"interactive: size limit", "", "", "cd s && prlimit --fsize=0 \"$I\" | cat", 1,
       "Fehler beim Schreiben der Datei: a.c (File too large)\n" + kKeyPrompt, {"old"}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path dir = dir_ / c.name;
    fs::create_directories(dir / "s");
    for (const char* name : {"s/a.c", "s/b.c", "o.c"}) WriteBytes(dir / name, kOld);
    ASSERT_EQ(RunProcess({"/bin/sh", "-c", c.setup}, "", dir).status, 0);
    std::vector<std::string> env = FaultEnv(c.fault);
    env.insert(env.end(), {std::string("B=") + Q9_BATCH_PROGRAM, std::string("I=") + Q9_PROGRAM});
    const ProcessResult r =
        RunProcess({"/bin/bash", "-c", "set -o pipefail; " + c.run}, "a.c\n\n", dir, env);
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    EXPECT_THAT(r.out + r.err, testing::HasSubstr(c.message));
    EXPECT_EQ(Listing(dir / "s"), c.listing);
    EXPECT_EQ(c.a.count(State(dir / "s/a.c")), 1u) << State(dir / "s/a.c");
    for (const auto& entry : fs::directory_iterator(dir)) {
      EXPECT_TRUE(!entry.is_regular_file() || ReadBytes(entry.path()) == kOld) << entry.path();
    }
  }
}

}  // namespace
}  // namespace q9::test
