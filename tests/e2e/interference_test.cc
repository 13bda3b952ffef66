// Both programs while another process acts on their files at the worst
// moment, or a signal ends them there: a preloaded library (fault_shim.cc)
// runs a command, or fails a call, at a chosen system call. Whatever happens,
// no file outside the folder changes, no temporary file stays, and a script
// is old, new or what the other process made of it, never damaged.

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "tests/e2e/process.h"

namespace q9::test {
namespace {

namespace fs = std::filesystem;

const std::string kOld = "Initialize: SetVar(0,1); return(1);\n";
const std::string kNew =
    "/*+++Automatisiertes Syntax Update zu #strict - Quellor+++*/\n#strict\n func Initialize(){\n"
    " Var(0)=1;\n return(1);\n}\n";
const std::string kTail = "Tail: Hurt(3);\n";
const std::string kAppend = "echo 'Tail: Hurt(3);' >>";
const std::string kChanged = ": error: changed while converting\n";
const std::string kInteractiveChanged =
    "Fehler beim Schreiben der Datei: a.c (changed while converting)\n";

struct Case {
  std::string name;
  std::string setup;  // a shell command run in the scratch folder first
  std::string fault;  // Q9_FAULT (see fault_shim.cc)
  // q9strict's arguments; none: the interactive program converts a.c in s.
  std::vector<std::string> args;
  int status;
  std::string message;  // part of q9strict's standard error, or the interactive output
  std::string listing;  // the names in s afterwards (a link marked @)
  // s/a.c afterwards: old, new, appended, link or - (none); "old or new" where
  // the signal's handler runs on one thread while a worker renames on another.
  std::string a;
};

std::string Listing(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string() + (entry.is_symlink() ? "@" : ""));
  }
  std::sort(names.begin(), names.end());
  std::string listing;
  for (const std::string& name : names) listing += (listing.empty() ? "" : " ") + name;
  return listing;
}

std::string State(const fs::path& file) {
  if (fs::is_symlink(file)) return "link";
  if (!fs::exists(file)) return "-";
  const std::string bytes = ReadFile(file);
  return bytes == kOld ? "old" : bytes == kNew ? "new" : bytes == kOld + kTail ? "appended" : bytes;
}

TEST(InterferenceTest, OtherProcessesAndSignalsAtTheWorstMoment) {
  const std::vector<std::string> one_job = {"-j", "1", "s"};
  const std::string stale =
      "touch -d '2 minutes ago' s/.a.c.tmpAbCd1234 && touch s/.b.c.tmpXyZw5678";
  // clang-format off
  const Case cases[] = {
      {"a link swapped in after the walk", "", "openat:a.c 1 sh ln -sfn ../o.c s/b.c", one_job,
       3, "s/b.c" + kChanged + "1 converted, 0 unchanged, 0 with warnings, 1 failed\n",
       "a.c b.c@", "new"},
      {"another file linked in after the walk", "", "openat:a.c 1 sh ln -f o.c s/b.c", one_job, 3,
       "s/b.c" + kChanged, "a.c b.c", "new"},
      {"a folder swapped for a link after the walk",
       "mkdir s/sub && cp o.c s/sub/c.c && cp o.c c.c",
       "openat:a.c 1 sh mv s/sub s/moved && ln -s .. s/sub", one_job, 3, "s/sub/c.c" + kChanged,
       "a.c b.c moved sub@", "new"},
      {"a link swapped in before the backup", "",
       "linkat:a.c.bak 1 sh ln -sfn ../o.c s/a.c", {"-j", "1", "--backup", "s"}, 3,
       "s/a.c" + kChanged, "a.c@ b.c b.c.bak", "link"},
      {"text appended while converting", "", "fsync:file 1 sh " + kAppend + " s/a.c", {"s/a.c"},
       3, "s/a.c" + kChanged + "0 converted", "a.c b.c", "appended"},
      {"deleted while converting", "", "fsync:file 1 sh rm s/a.c", {"s/a.c"}, 3,
       "s/a.c" + kChanged, "b.c", "-"},
      {"interactive: text appended", "", "fsync:file 1 sh " + kAppend + " a.c", {}, 1,
       kInteractiveChanged, "a.c b.c", "appended"},
      {"interactive: deleted", "", "fsync:file 1 sh rm a.c", {}, 1, kInteractiveChanged, "b.c",
       "-"},
      // Converted means a crash can no longer lose it: not so when the folder's sync failed.
      {"the folder's sync fails", "", "fsync:dir * fail 5", {"s"}, 3,
       "s/a.c: error: cannot write: folder not synced: Input/output error\n"
       "s/b.c: error: cannot write: folder not synced: Input/output error\n"
       "0 converted, 0 unchanged, 0 with warnings, 2 failed\n",
       "a.c b.c", "new"},
      {"SIGTERM when the new file has a name", "", "renameat 1 sh kill -TERM $PPID", one_job,
       128 + SIGTERM, "", "a.c b.c", "old or new"},
      {"SIGINT with a named temporary file throughout", "",
       "openat:O_TMPFILE * fail 95\nfsync:file 1 sh kill -INT $PPID", one_job, 128 + SIGINT, "",
       "a.c b.c", "old or new"},
      {"interactive: SIGHUP when the new file has a name", "", "renameat 1 sh kill -HUP $PPID",
       {}, 128 + SIGHUP, "", "a.c b.c", "old"},
      {"kill -9 while the new file has no name", "", "fsync:file 1 sh kill -KILL $PPID", one_job,
       128 + SIGKILL, "", "a.c b.c", "old"},
      {"leftovers older than a minute removed", stale, "", {"s"}, 0, "2 converted",
       ".b.c.tmpXyZw5678 a.c b.c", "new"},
      {"interactive: leftovers older than a minute removed", stale, "", {}, 0,
       "Operation abgeschlossen\n", ".b.c.tmpXyZw5678 a.c b.c", "new"},
  };
  // clang-format on
  const char* asan_options = std::getenv("ASAN_OPTIONS");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path dir = MakeScratchDir();
    fs::create_directory(dir / "s");
    for (const char* name : {"s/a.c", "s/b.c", "o.c"}) WriteFile(dir / name, kOld);
    if (!c.setup.empty()) {
      ASSERT_EQ(RunProcess({"/bin/sh", "-c", c.setup}, "", {.cwd = dir.string()}).status, 0);
    }
    ProcessOptions options{.cwd = dir.string(), .time_limit_seconds = 60};
    if (!c.fault.empty()) {
      // The library comes before the sanitizer's runtime, which must be told so.
      options.env = {std::string("LD_PRELOAD=") + Q9_FAULT_SHIM, "Q9_FAULT=" + c.fault,
                     std::string("ASAN_OPTIONS=") + (asan_options ? asan_options : "") +
                         ":verify_asan_link_order=0"};
    }
    const bool interactive = c.args.empty();
    std::vector<std::string> argv = c.args;
    argv.insert(argv.begin(), interactive ? Q9_PROGRAM : Q9_BATCH_PROGRAM);
    if (interactive) options.cwd = (dir / "s").string();
    const ProcessResult r = RunProcess(argv, interactive ? "a.c\n\n" : "", options);
    EXPECT_EQ(r.status, c.status) << r.out << r.err;
    EXPECT_NE((interactive ? r.out : r.err).find(c.message), std::string::npos) << r.out << r.err;
    EXPECT_EQ(Listing(dir / "s"), c.listing);
    const std::string state = State(dir / "s/a.c");
    if (c.a == "old or new") {
      EXPECT_TRUE(state == "old" || state == "new") << state;
    } else {
      EXPECT_EQ(state, c.a);
    }
    for (const auto& entry : fs::directory_iterator(dir)) {
      EXPECT_TRUE(!entry.is_regular_file() || ReadFile(entry.path()) == kOld) << entry.path();
    }
    fs::remove_all(dir);
  }
}

}  // namespace
}  // namespace q9::test
