// The real program against file system faults. Every case must print its
// message, end with the right status, leave the script fully old or fully new
// with its mode and owner, and leave no temporary file behind.

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

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
    for (const auto& [from, to] : {std::pair{Q9_PROGRAM, program_}, {Q9_BATCH_PROGRAM, batch_}}) {
      fs::copy_file(from, to);
      fs::permissions(to, fs::perms(0755));
    }
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
  const fs::path batch_ = root_ / "bin" / "q9strict";
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

// Extended attribute |name| of |path|, or "-" when it has none.
std::string Attribute(const fs::path& path, const char* name) {
  std::string value(4096, '\0');
  const ssize_t size = getxattr(path.c_str(), name, value.data(), value.size());
  return size < 0 ? "-" : value.substr(0, static_cast<std::size_t>(size));
}

// An access ACL in the kernel's format: owner rw, user 4243 rw, group rw, mask rw, others r.
std::string AclGrantingUser4243() {
  std::string acl;
  auto put = [&acl](std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) acl += static_cast<char>((value >> (8 * i)) & 0xFF);
  };
  put(2, 4);  // version
  for (const auto& [tag, perm, id] : std::vector<std::tuple<int, int, std::uint32_t>>{
           {0x01, 6, ~0u}, {0x02, 6, 4243u}, {0x04, 6, ~0u}, {0x10, 6, ~0u}, {0x20, 4, ~0u}}) {
    put(static_cast<std::uint32_t>(tag), 2);
    put(static_cast<std::uint32_t>(perm), 2);
    put(id, 4);
  }
  return acl;
}

// A script shared through its group, converted by root and by a member of
// the group: group, mode, ACL and other extended attributes stay; the owner
// stays only for root, and the member's run says so.
TEST_F(FaultInjectionTest, SharedScriptKeepsGroupAclAndAttributes) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make another user's script";
  constexpr uid_t kDaemon = 1;
  constexpr gid_t kShared = 4242;
  const std::string acl = AclGrantingUser4243();
  struct Case {
    int uid;
    uid_t owner_after;
    std::string note;
  };
  const Case cases[] = {
      {kSelf, kDaemon, ""},
      {kNobody, kNobody, "there/a.c: note: owner not kept: Operation not permitted\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.uid);
    FreshDirs();
    const fs::path file = there_ / "a.c";
    WriteFile(file, "Init: SetVar(0,Sum(1,2));\n");
    ASSERT_EQ(chown(file.c_str(), kDaemon, kShared), 0);
    ASSERT_EQ(chmod(file.c_str(), 0664), 0);
    if (setxattr(file.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0 ||
        setxattr(file.c_str(), "user.origin", "kept", 4, 0) != 0) {
      GTEST_SKIP() << "the file system keeps no ACLs or user attributes";
    }
    ProcessResult r = RunProcess({batch_.string(), "there/a.c"}, "",
                                 {.cwd = root_.string(), .uid = c.uid, .groups = {kShared}});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, c.note + "1 converted, 0 unchanged, 0 with warnings, 0 failed\n");
    EXPECT_EQ(ReadFile(file), Converted("Init: SetVar(0,Sum(1,2));\n"));
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, c.owner_after);
    EXPECT_EQ(info.st_gid, kShared);
    EXPECT_EQ(info.st_mode & 07777, 0664u);
    EXPECT_EQ(Attribute(file, "system.posix_acl_access"), acl);
    EXPECT_EQ(Attribute(file, "user.origin"), "kept");
  }
}

}  // namespace
}  // namespace q9::test
