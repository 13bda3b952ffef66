// The real program against file system faults. Every case must print its
// message, end with the right status, leave the script fully old or fully new
// with its mode and owner, and leave no temporary file behind.

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "gtest/gtest.h"
#include "linestore/line_store.h"
#include "pipeline/pipeline.h"
#include "tests/e2e/process.h"

namespace q9::test {
namespace {

namespace fs = std::filesystem;

constexpr int kSelf = -1;  // the test's own user
constexpr int kNobody = 65534;
const std::string kKeyPrompt = "Drueck die \"Any Key\" taste zum fortfahren\n";
const std::string kClosing = "Operation abgeschlossen\n" + kKeyPrompt;

// A file error, too, ends with the key prompt.
const std::string kReadDenied =
    "Fehler beim Lesen der Datei: Script.c (Permission denied)\n" + kKeyPrompt;
const std::string kWriteDenied =
    "Fehler beim Schreiben der Datei: Script.c (Permission denied)\n" + kKeyPrompt;
const std::string kReadOnly =
    "Fehler beim Schreiben der Datei: Script.c (read-only file)\n" + kKeyPrompt;
const std::string kTooLarge =
    "Fehler beim Schreiben der Datei: Script.c (File too large)\n" + kKeyPrompt;

std::string Converted(const std::string& bytes) {
  LineList lines = SplitLines(bytes);
  Convert(&lines);
  return JoinLines(lines);
}

class FaultInjectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Another user must reach the scratch folder and a private copy of the program.
    fs::permissions(root_, fs::perms(0755));
    fs::create_directory(root_ / "bin");
    fs::copy_file(Q9_PROGRAM, program_);
    fs::permissions(program_, fs::perms(0755));
  }
  void TearDown() override { fs::remove_all(root_); }

  // Empties "here", the working folder, and "there", which everybody may write.
  void FreshDirs() {
    for (const fs::path& dir : {here_, there_}) {
      fs::remove_all(dir);
      fs::create_directory(dir);
      chmod(dir.c_str(), dir == here_ ? 0755 : 0777);
    }
  }

  // Runs the program on "Script.c" in "here", whose text lives in |file|.
  void RunAndCheck(const fs::path& file, const std::string& tail, ProcessOptions options) {
    const std::string old_text = ReadFile(file);
    struct stat before {};
    const bool existed = stat(file.c_str(), &before) == 0;
    auto entries = [&] {
      return std::distance(fs::directory_iterator(here_), {}) +
             std::distance(fs::directory_iterator(there_), {});
    };
    const auto entries_before = entries();
    options.cwd = here_.string();
    options.time_limit_seconds = 120;
    ProcessResult r = RunProcess({program_.string()}, "Script.c\n", options);
    const bool converted = tail == kClosing;
    EXPECT_TRUE(r.out.ends_with("Pfad: Script.c\n" + tail)) << r.out;
    EXPECT_EQ(r.status, converted ? 0 : 1);
    EXPECT_TRUE(ReadFile(file) == (converted ? Converted(old_text) : old_text));
    EXPECT_EQ(fs::is_symlink(here_ / "Script.c"), file != here_ / "Script.c");
    EXPECT_EQ(entries(), entries_before + (converted && !existed ? 1 : 0));  // no temporary file
    struct stat after {};
    if (existed && stat(file.c_str(), &after) == 0) {
      EXPECT_EQ(after.st_mode, before.st_mode);
      EXPECT_EQ(after.st_uid, before.st_uid);
    }
  }

  const fs::path root_ = MakeScratchDir();
  const fs::path program_ = root_ / "bin" / "Q9ToQ9strict";
  const fs::path here_ = root_ / "here";
  const fs::path there_ = root_ / "there";
};

TEST_F(FaultInjectionTest, WriteCutShortBySizeLimitKeepsTheOldScript) {
  std::string old_text;
  for (int i = 0; i < 1500; ++i) old_text += "Fire: SetLocal(1,Mul(Local(1),3)); if(Not(x)) i--;\n";
  const long new_size = static_cast<long>(Converted(old_text).size());
  // 65537 lets the second 64 KiB write through in part.
  for (long limit : {0L, 65537L, new_size - 1, new_size}) {
    SCOPED_TRACE("limit " + std::to_string(limit));
    FreshDirs();
    WriteFile(here_ / "Script.c", old_text);
    RunAndCheck(here_ / "Script.c", limit < new_size ? kTooLarge : kClosing,
                {.file_size_limit = limit});
  }
}

TEST_F(FaultInjectionTest, PermissionsAndSymbolicLinks) {
  enum Link { kNone, kAbsolute, kRelativeChain, kDangling };
  struct Case {
    std::string name;
    int uid;  // who runs the program
    mode_t script_mode;
    bool theirs;  // the script belongs to nobody, not root
    Link link;
    std::string tail;  // what follows the path echo
  };
  // A script behind a link lies "there"; the temporary file must go beside it.
  const Case cases[] = {
      {"unreadable script", kNobody, 0600, false, kNone, kReadDenied},
      {"directory not writable", kNobody, 0644, true, kNone, kWriteDenied},
      {"someone else's script in a writable folder", kNobody, 0644, false, kAbsolute, kWriteDenied},
      {"own script in a writable folder", kNobody, 0640, true, kAbsolute, kClosing},
      // Root may write it, but a script marked read-only stays for everybody.
      {"read-only script", kSelf, 0444, false, kNone, kReadOnly},
      {"link to a read-only script", kSelf, 0444, false, kAbsolute, kReadOnly},
      {"chain of relative links", kSelf, 0644, false, kRelativeChain, kClosing},
      {"dangling link creates its target", kSelf, 0644, false, kDangling, kClosing},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.uid != kSelf && geteuid() != 0) continue;  // only root may run it as nobody
    FreshDirs();
    const fs::path file = c.link == kNone ? here_ / "Script.c" : there_ / "real.c";
    if (c.link != kDangling) {
      WriteFile(file, "Init: SetVar(0,Sum(1,2));\n");
      ASSERT_TRUE(!c.theirs || chown(file.c_str(), kNobody, kNobody) == 0);
      chmod(file.c_str(), c.script_mode);
    }
    if (c.link == kRelativeChain) fs::create_symlink("real.c", there_ / "middle.c");
    if (c.link != kNone) {
      fs::create_symlink(c.link == kRelativeChain ? "../there/middle.c" : file, here_ / "Script.c");
    }
    RunAndCheck(file, c.tail, {.uid = c.uid});
  }
}

}  // namespace
}  // namespace q9::test
