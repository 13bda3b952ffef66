// Both programs while another process acts on their files at the worst
// moment, or a signal ends them there: a preloaded library (fault_shim.cc)
// runs a command, or fails a call, at a chosen system call. Whatever happens,
// no file outside the folder changes, no temporary file stays, and a script
// is old, new or what the other process made of it, never damaged.

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

struct Case {
  std::string name;
  std::string setup;  // a shell command run in the scratch folder first
  std::string fault;  // Q9_FAULT (see fault_shim.cc), for the fault library preloaded
  // q9strict's arguments; none: the interactive program converts a.c in s.
  std::vector<std::string> args;
  int status;
  std::string message;            // part of q9strict's standard error, or the interactive output
  std::set<std::string> listing;  // the names in s afterwards (a link marked @)
  // s/a.c afterwards: old, new, appended, link or - (none); old or new where
  // the signal's handler runs on one thread while a worker renames on another.
  std::set<std::string> a;
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
  const std::string bytes = ReadBytes(file);
  return bytes == kOld           ? "old"
         : bytes == kNew         ? "new"
         : bytes == kOld + kTail ? "appended"
                                 : "damaged";
}

using InterferenceTest = ScratchTest;

TEST_F(InterferenceTest, OtherProcessesAndSignalsAtTheWorstMoment) {
  const std::vector<std::string> one_job = {"-j", "1", "s"};
  const std::string stale =
      "touch -d '61 seconds ago' s/.a.c.tmpAbCd1234 && touch s/.b.c.tmpXyZw5678";
  // clang-format off
  const Case cases[] = {
      {"a link, another file and a folder's link swapped in after the walk",
       "cp o.c s/c.c && mkdir s/sub && cp o.c s/sub/d.c && cp o.c d.c", "openat:a.c 1 sh ln -sfn "
       "../o.c s/b.c && ln -f o.c s/c.c && mv s/sub s/moved && ln -s .. s/sub", one_job, 3,
       "s/b.c" + kChanged + "s/c.c" + kChanged + "s/sub/d.c" + kChanged + "1 converted, 0 "
       "unchanged, 0 with warnings, 3 failed\n", {"a.c", "b.c@", "c.c", "moved", "sub@"}, {"new"}},
      {"a link swapped in before the backup", "",
       "linkat:a.c.bak 1 sh ln -sfn ../o.c s/a.c", {"-j", "1", "--backup", "s"}, 3,
       "s/a.c" + kChanged, {"a.c@", "b.c", "b.c.bak"}, {"link"}},
      {"backups copied (EXDEV): a.c.bak cannot be created, b.c's copy is interrupted", "",
       "linkat:.bak * fail 18\nopenat:a.c.bak 1 fail 13\nread:file 5 fail 4\nwrite:file 1 fail 4",
       {"-j", "1", "--backup", "s"}, 3, "s/a.c: error: cannot write: backup s/a.c.bak: Permission "
       "denied\n1 converted", {"a.c", "b.c", "b.c.bak"}, {"old"}},
      {"text appended while converting", "", "fsync:file 1 sh " + kAppend + " s/a.c", {"s/a.c"},
       3, "s/a.c" + kChanged + "0 converted", {"a.c", "b.c"}, {"appended"}},
      // EISDIR: what a kernel without unnamed files answers.
      {"appended and deleted while named temporary files are written", "", "openat:O_TMPFILE * "
       "fail 21\nfsync:file 1 sh " + kAppend + " s/a.c\nfsync:file 2 sh rm s/b.c", one_job, 3,
       "s/a.c" + kChanged + "s/b.c" + kChanged, {"a.c"}, {"appended"}},
      {"interactive: text appended", "", "fsync:file 1 sh " + kAppend + " a.c", {}, 1,
       "Fehler beim Schreiben der Datei: a.c (changed while converting)\n", {"a.c", "b.c"},
       {"appended"}},
      // Converted means a crash can no longer lose it: not so when the folder's sync failed.
      {"the folder's sync fails", "", "fsync:dir * fail 5", {"s"}, 3,
       "s/a.c: error: cannot write: folder not synced: Input/output error\n"
       "s/b.c: error: cannot write: folder not synced: Input/output error\n"
       "0 converted, 0 unchanged, 0 with warnings, 2 failed\n",
       {"a.c", "b.c"}, {"new"}},
      {"SIGTERM when the new file has a name", "", "renameat 1 sh kill -TERM $PPID", one_job,
       128 + SIGTERM, "", {"a.c", "b.c"}, {"old", "new"}},
      {"SIGINT with a named temporary file throughout", "",
       "openat:O_TMPFILE * fail 95\nfsync:file 1 sh kill -INT $PPID", one_job, 128 + SIGINT, "",
       {"a.c", "b.c"}, {"old", "new"}},
      {"interactive: SIGHUP when the new file has a name", "", "renameat 1 sh kill -HUP $PPID",
       {}, 128 + SIGHUP, "", {"a.c", "b.c"}, {"old"}},
      // The interactive program, too, syncs the folder after the rename.
      {"interactive: kill -9 at the folder's sync", "", "fsync:dir 1 sh kill -KILL $PPID", {},
       128 + SIGKILL, "", {"a.c", "b.c"}, {"new"}},
      {"kill -9 while the new file has no name", "", "fsync:file 1 sh kill -KILL $PPID", one_job,
       128 + SIGKILL, "", {"a.c", "b.c"}, {"old"}},
      {"leftovers older than a minute removed", stale, "", {"s"}, 0, "2 converted",
       {".b.c.tmpXyZw5678", "a.c", "b.c"}, {"new"}},
      {"interactive: leftovers older than a minute removed", stale, "", {}, 0,
       "Operation abgeschlossen\n", {".b.c.tmpXyZw5678", "a.c", "b.c"}, {"new"}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path dir = dir_ / c.name;
    fs::create_directories(dir / "s");
    for (const char* name : {"s/a.c", "s/b.c", "o.c"}) WriteBytes(dir / name, kOld);
    ASSERT_EQ(RunProcess({"/bin/sh", "-c", c.setup}, "", {.cwd = dir.string()}).status, 0);
    const bool interactive = c.args.empty();
    std::vector<std::string> argv = c.args;
    argv.insert(argv.begin(), interactive ? Q9_PROGRAM : Q9_BATCH_PROGRAM);
    const ProcessResult r =
        RunProcess(argv, interactive ? "a.c\n\n" : "",
                   {.cwd = (interactive ? dir / "s" : dir).string(), .env = FaultEnv(c.fault)});
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    EXPECT_THAT(interactive ? r.out : r.err, testing::HasSubstr(c.message)) << r.out << r.err;
    EXPECT_EQ(Listing(dir / "s"), c.listing);
    EXPECT_EQ(c.a.count(State(dir / "s/a.c")), 1u) << State(dir / "s/a.c");
    for (const auto& entry : fs::directory_iterator(dir)) {
      EXPECT_TRUE(!entry.is_regular_file() || ReadBytes(entry.path()) == kOld) << entry.path();
    }
  }
}

}  // namespace
}  // namespace q9::test
