// The real program against file system faults: a write cut short by the file
// size limit, permissions that stop the read or the write (as an unprivileged
// user, since root passes most checks), read-only scripts and symbolic links.
// Every case must print its message, end with the right status, leave the
// script fully old or fully new and leave no temporary file behind.

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "gtest/gtest.h"
#include "linestore/line_store.h"
#include "pipeline/pipeline.h"
#include "tests/e2e/process.h"

namespace q9::test {
namespace {

namespace fs = std::filesystem;

constexpr int kNobody = 65534;
const std::string kClosing =
    "Operation abgeschlossen\n"
    "Drueck die \"Any Key\" taste zum fortfahren\n";
const std::string kHeader =
    "/*+++Automatisiertes Syntax Update zu #strict - Quellor+++*/\n#strict\n";

std::string ReadFailed(const std::string& path, const std::string& reason) {
  return "Fehler beim Lesen der Datei: " + path + " (" + reason + ")\n";
}

std::string WriteFailed(const std::string& path, const std::string& reason) {
  return "Fehler beim Schreiben der Datei: " + path + " (" + reason + ")\n";
}

// What the library makes of |bytes|: the program must write exactly this.
std::string Converted(const std::string& bytes) {
  LineList lines = SplitLines(bytes);
  Convert(&lines);
  return JoinLines(lines);
}

// A script big enough that its new text needs several writes.
std::string OldScript() {
  std::string script;
  for (int i = 0; i < 1500; ++i) {
    script +=
        "Timer: if(Equal(Var(0),10)) SetVar(0,0); IncVar(0); return(Sum(Var(0),2));\n"
        "Fire: SetLocal(1,Mul(Local(1),3)); if(Not(x)) Dec(i);\n";
  }
  return script;
}

// What the program printed after echoing |path|: its messages and closing lines.
std::string AfterPathEcho(const std::string& out, const std::string& path) {
  const std::string echo = "Pfad: " + path + "\n";
  const std::size_t at = out.find(echo);
  return at == std::string::npos ? "<no path echo in: " + out + ">" : out.substr(at + echo.size());
}

std::size_t EntryCount(const fs::path& dir) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
}

mode_t ModeOf(const fs::path& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return 0;
  return info.st_mode & 07777;
}

class FaultInjectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Everybody may reach the scratch folder and run a private copy of the
    // program, wherever the build folder lies.
    fs::permissions(root_, fs::perms(0755));
    fs::create_directory(root_ / "bin");
    fs::copy_file(Q9_PROGRAM, program_);
    fs::permissions(program_, fs::perms(0755));
  }
  void TearDown() override { fs::remove_all(root_); }

  // A fresh working folder with the given mode, holding nothing yet.
  fs::path FreshDir(const std::string& name, mode_t mode) {
    fs::path dir = root_ / name;
    fs::remove_all(dir);
    fs::create_directory(dir);
    chmod(dir.c_str(), mode);
    return dir;
  }

  ProcessResult Run(const fs::path& cwd, const std::string& path, ProcessOptions options = {}) {
    options.cwd = cwd.string();
    options.time_limit_seconds = 120;
    return RunProcess({program_.string()}, path + "\n", options);
  }

  static void SkipUnlessRoot() {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to run the program as another user";
  }

  const fs::path root_ = MakeScratchDir();
  const fs::path program_ = root_ / "bin" / "Q9ToQ9strict";
};

TEST_F(FaultInjectionTest, WriteCutShortBySizeLimitKeepsTheOldScript) {
  const std::string old_text = OldScript();
  const std::string new_text = Converted(old_text);
  ASSERT_NE(new_text, old_text);
  const long new_size = static_cast<long>(new_text.size());
  struct Case {
    long limit;
    bool converted;
  };
  const Case cases[] = {
      {0, false},
      {1, false},
      {4096, false},
      {65536, false},
      {65537, false},
      {new_size / 2, false},
      {new_size - 1, false},
      {new_size, true},
      {new_size + 1000, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("limit " + std::to_string(c.limit));
    const fs::path dir = FreshDir("work", 0755);
    WriteFile(dir / "Script.c", old_text);
    ProcessResult r = Run(dir, "Script.c", {.file_size_limit = c.limit});
    EXPECT_EQ(AfterPathEcho(r.out, "Script.c"),
              c.converted ? kClosing : WriteFailed("Script.c", "File too large"));
    EXPECT_EQ(r.status, c.converted ? 0 : 1);
    EXPECT_EQ(ReadFile(dir / "Script.c"), c.converted ? new_text : old_text);
    EXPECT_EQ(EntryCount(dir), 1u);
  }
}

TEST_F(FaultInjectionTest, PermissionsAsAnotherUser) {
  SkipUnlessRoot();
  const std::string old_text = "Init: SetVar(0,Sum(1,2));\n";
  struct Case {
    std::string name;
    mode_t dir_mode;
    int file_owner;
    mode_t file_mode;
    std::string tail;  // what follows the path echo
  };
  const Case cases[] = {
      {"unreadable script", 0755, 0, 0600, ReadFailed("Script.c", "Permission denied")},
      {"unreadable and unwritable", 0755, 0, 0200, ReadFailed("Script.c", "Permission denied")},
      {"directory not writable", 0755, kNobody, 0644, WriteFailed("Script.c", "Permission denied")},
      {"read-only script, writable directory", 0777, kNobody, 0444,
       WriteFailed("Script.c", "read-only file")},
      {"someone else's script, writable directory", 0777, 0, 0644,
       WriteFailed("Script.c", "Permission denied")},
      {"own script, writable directory", 0777, kNobody, 0640, kClosing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path dir = FreshDir("work", c.dir_mode);
    const fs::path script = dir / "Script.c";
    WriteFile(script, old_text);
    ASSERT_EQ(
        chown(script.c_str(), static_cast<uid_t>(c.file_owner), static_cast<gid_t>(c.file_owner)),
        0);
    chmod(script.c_str(), c.file_mode);
    ProcessResult r = Run(dir, "Script.c", {.uid = kNobody});
    const bool converted = c.tail == kClosing;
    EXPECT_EQ(AfterPathEcho(r.out, "Script.c"), c.tail);
    EXPECT_EQ(r.status, converted ? 0 : 1);
    EXPECT_EQ(ReadFile(script), converted ? Converted(old_text) : old_text);
    EXPECT_EQ(ModeOf(script), c.file_mode);
    struct stat info {};
    ASSERT_EQ(stat(script.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, static_cast<uid_t>(c.file_owner));
    EXPECT_EQ(EntryCount(dir), 1u);
  }
}

// Root may write anything the kernel allows; a script marked read-only is
// refused all the same, whatever other bits it has.
TEST_F(FaultInjectionTest, ReadOnlyScriptIsRefusedAndKeptForEveryone) {
  const std::string old_text = "x=Sum(a,b);\n";
  for (mode_t mode : {0444, 0400, 0555, 0000}) {
    SCOPED_TRACE("mode " + std::to_string(mode));
    const fs::path dir = FreshDir("work", 0777);
    WriteFile(dir / "Script.c", old_text);
    chmod((dir / "Script.c").c_str(), mode);
    ProcessResult r = Run(dir, "Script.c");
    const bool readable = geteuid() == 0 || (mode & 0400) != 0;
    EXPECT_EQ(AfterPathEcho(r.out, "Script.c"), readable
                                                    ? WriteFailed("Script.c", "read-only file")
                                                    : ReadFailed("Script.c", "Permission denied"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadFile(dir / "Script.c"), old_text);
    EXPECT_EQ(ModeOf(dir / "Script.c"), mode);
    EXPECT_EQ(EntryCount(dir), 1u);
  }
}

TEST_F(FaultInjectionTest, SymbolicLinksStayAndTheirTargetIsConverted) {
  const std::string old_text = "Init: SetVar(0,Sum(1,2));\n";
  const std::string new_text = Converted(old_text);
  struct Case {
    std::string name;
    // Builds the links in |here| (the working folder) and |there| (another
    // folder); returns the file that holds the script.
    std::function<fs::path(const fs::path& here, const fs::path& there)> setup;
    std::string tail;
    std::string final_text;
    std::size_t entries_there;  // afterwards; the working folder keeps just the link
  };
  const Case cases[] = {
      {"link to a file in another folder",
       [&](const fs::path& here, const fs::path& there) {
         WriteFile(there / "real.c", old_text);
         fs::create_symlink(there / "real.c", here / "Script.c");
         return there / "real.c";
       },
       kClosing, new_text, 1},
      {"chain of relative links",
       [&](const fs::path& here, const fs::path& there) {
         WriteFile(there / "real.c", old_text);
         fs::create_symlink("../there/middle.c", here / "Script.c");
         fs::create_symlink("real.c", there / "middle.c");
         return there / "real.c";
       },
       kClosing, new_text, 2},
      {"dangling link creates its target",
       [&](const fs::path& here, const fs::path& there) {
         fs::create_symlink(there / "new.c", here / "Script.c");
         return there / "new.c";
       },
       kClosing, kHeader, 1},
      {"link to a read-only file",
       [&](const fs::path& here, const fs::path& there) {
         WriteFile(there / "real.c", old_text);
         chmod((there / "real.c").c_str(), 0444);
         fs::create_symlink(there / "real.c", here / "Script.c");
         return there / "real.c";
       },
       WriteFailed("Script.c", "read-only file"), old_text, 1},
      {"loop of links",
       [&](const fs::path& here, const fs::path& there) {
         fs::create_symlink(there / "b.c", here / "Script.c");
         fs::create_symlink(here / "Script.c", there / "b.c");
         return fs::path();
       },
       ReadFailed("Script.c", "Too many levels of symbolic links"), "", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path here = FreshDir("here", 0755);
    const fs::path there = FreshDir("there", 0755);
    const fs::path target = c.setup(here, there);
    ProcessResult r = Run(here, "Script.c");
    EXPECT_EQ(AfterPathEcho(r.out, "Script.c"), c.tail);
    EXPECT_EQ(r.status, c.tail == kClosing ? 0 : 1);
    EXPECT_TRUE(fs::is_symlink(here / "Script.c"));
    if (!target.empty()) {
      EXPECT_EQ(ReadFile(target), c.final_text);
    }
    EXPECT_EQ(EntryCount(here), 1u);
    EXPECT_EQ(EntryCount(there), c.entries_there);
  }
}

// The temporary file goes beside the target, so a link in a folder the user
// may not write still converts a target in one it may.
TEST_F(FaultInjectionTest, LinkInAReadOnlyFolderToAWritableOne) {
  SkipUnlessRoot();
  const std::string old_text = "Init: SetVar(0,Sum(1,2));\n";
  const fs::path here = FreshDir("here", 0755);
  const fs::path there = FreshDir("there", 0777);
  WriteFile(there / "real.c", old_text);
  ASSERT_EQ(chown((there / "real.c").c_str(), kNobody, kNobody), 0);
  fs::create_symlink(there / "real.c", here / "Script.c");
  ProcessResult r = Run(here, "Script.c", {.uid = kNobody});
  EXPECT_EQ(AfterPathEcho(r.out, "Script.c"), kClosing);
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(fs::is_symlink(here / "Script.c"));
  EXPECT_EQ(ReadFile(there / "real.c"), Converted(old_text));
  EXPECT_EQ(EntryCount(here), 1u);
  EXPECT_EQ(EntryCount(there), 1u);
}

}  // namespace
}  // namespace q9::test
