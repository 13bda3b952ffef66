#include "linestore/line_store.h"

#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "gtest/gtest.h"
#include "linestore/scratch_test_util.h"

namespace q9 {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using Names = std::vector<std::string>;

constexpr uid_t kNobody = 65534;

std::string ErrnoText(int error) { return std::generic_category().message(error); }

// Runs |body| in a child process, as nobody with the supplementary |groups|
// when |as_nobody|: its exit code, or -1 when it crashed or was still running
// after 10 s, so a call that blocks fails instead of hanging.
template <typename Body>
int RunInChild(Body body, bool as_nobody = false, const std::vector<gid_t>& groups = {}) {
  pid_t pid = fork();
  if (pid == 0) {
    alarm(10);
    if (as_nobody && (setgroups(groups.size(), groups.data()) != 0 || setgid(kNobody) != 0 ||
                      setuid(kNobody) != 0)) {
      _exit(4);
    }
    _exit(body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

using LineStoreFileTest = ScratchTest;

// The last row crosses the 64 KiB read and write chunks: a line ending exactly
// at a chunk's end, and one longer than several chunks.
TEST_F(LineStoreFileTest, FormatCasesThroughFiles) {
  struct Case {
    std::string bytes;
    LineList lines;
    std::string written;
  };
  const std::string a(65535, 'a'), b(200000, 'b');
  const std::vector<Case> cases = {
      {"a\n\n\nb", {"a", "", "", "b"}, "a\n\n\nb\n"},
      {"a\r\nb\r\n", {"a\r", "b\r"}, "a\r\nb\r\n"},
      {"\xEF\xBB\xBFx\0\xFF\n"s, {"\xEF\xBB\xBFx\0\xFF"s}, "\xEF\xBB\xBFx\0\xFF\n"s},
      {a + "\n" + b + "\nc", {a, b, "c"}, a + "\n" + b + "\nc\n"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(testing::PrintToString(test.bytes.substr(0, 20)));
    EXPECT_EQ(SplitLines(test.bytes), test.lines);
    EXPECT_EQ(JoinLines(test.lines), test.written);
    WriteBytes("in.c", test.bytes);
    LineList lines = {"stale"};
    ASSERT_TRUE(Open("in.c", &lines).ok());
    EXPECT_EQ(lines, test.lines);
    WriteBytes("out.c", std::string(1000, 'z'));  // nothing of a longer old file may remain
    ASSERT_TRUE(Save("out.c", lines).ok());
    EXPECT_EQ(ReadBytes("out.c"), test.written);
    EXPECT_EQ(ListTree(dir_), (Names{"in.c", "out.c"}));
  }
}

// Every path that cannot be read or replaced is refused with its reason, and
// nothing in the folder changes. The rows for nobody (root can become nobody,
// nobody else can) meet a file and a folder that nobody may not write, in a
// folder that everybody may.
TEST_F(LineStoreFileTest, RefusedPathsChangeNothing) {
  const std::string old(9999, 'o');
  WriteBytes("big.c", old + "\n");
  WriteBytes("ro.c", "keep\n");
  WriteBytes("secret.c", "keep\n");
  ASSERT_EQ(chmod("ro.c", 0444), 0);  // root may write it: the mode bits protect it
  ASSERT_EQ(chmod("secret.c", 0600), 0);
  ASSERT_EQ(chmod(dir_.c_str(), 0777), 0);
  ASSERT_EQ(mkdir("sub", 0755), 0);
  ASSERT_EQ(mkfifo("pipe.c", 0644), 0);
  ASSERT_EQ(symlink("l2.c", "l1.c"), 0);
  ASSERT_EQ(symlink("l1.c", "l2.c"), 0);
  const Names before = ListTree(dir_);
  struct Case {
    std::string path;
    std::string open_reason;  // "" when the read succeeds with |lines|
    LineList lines;
    std::string save_reason;
    bool as_nobody = false;
  };
  const std::string denied = ErrnoText(EACCES);
  const bool root = geteuid() == 0;
  const std::vector<Case> cases = {
      {"", "", {}, ErrnoText(ENOENT)},
      {"missing/new.c", "", {}, ErrnoText(ENOENT)},
      {"sub", ErrnoText(EISDIR), {}, ErrnoText(EISDIR)},
      {"fresh/", "", {}, ErrnoText(EISDIR)},
      {"pipe.c", "not a regular file", {}, "not a regular file"},
      {"ro.c", "", {"keep"}, "read-only file"},
      {"l1.c", ErrnoText(ELOOP), {}, ErrnoText(ELOOP)},
      {"big.c", "", {old}, ErrnoText(EFBIG)},
      {"secret.c", denied, {}, denied, true},
      {"sub/new.c", "", {}, denied, true},
      // /proc has no unnamed files: root falls back to a named one, and its reason.
      {"/proc/new.c", "", {}, root ? ErrnoText(ENOENT) : denied},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.path);
    if (test.as_nobody && !root) continue;  // only root can become nobody
    // In a child: a read that waits for a FIFO's writer fails the test, and the
    // size limit makes the writes of big.c fail part-way, as a full disk would.
    EXPECT_EQ(RunInChild(
                  [&] {
                    signal(SIGXFSZ, SIG_IGN);
                    struct rlimit limit = {4096, 4096};
                    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 3;
                    LineList lines = {"stale"};
                    if (Open(test.path, &lines).reason() != test.open_reason) return 1;
                    if (lines != test.lines) return 1;
                    return Save(test.path, LineList(100, std::string(99, 'n'))).reason() ==
                                   test.save_reason
                               ? 0
                               : 2;
                  },
                  test.as_nobody),
              0);
    EXPECT_EQ(ListTree(dir_), before);
    EXPECT_TRUE(ReadBytes("ro.c") == "keep\n" && ReadBytes("big.c") == old + "\n");
    EXPECT_EQ(ReadBytes("secret.c"), "keep\n");
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status("pipe.c")));
  }
}

// An existing file keeps its mode, set-ID bits included (a change of owner
// clears them), and its owner; a new one gets 0666 less the umask. The name is
// as long as names get, so the temporary name must be cut to fit.
TEST_F(LineStoreFileTest, SaveKeepsModeAndOwner) {
  struct Case {
    mode_t before;  // 0: no file yet
    mode_t mask;
    mode_t after;
  };
  const std::string name(255, 'n');
  const bool root = geteuid() == 0;
  const Case cases[] = {
      {0640, 0, 0640}, {04755, 022, 04755}, {02750, 022, 02750}, {0, 027, 0640}, {0, 0, 0666}};
  for (const Case& test : cases) {
    SCOPED_TRACE(test.before);
    fs::remove(name);
    if (test.before != 0) {
      WriteBytes(name, "old\n");
      ASSERT_TRUE(!root || chown(name.c_str(), kNobody, kNobody) == 0);
      ASSERT_EQ(chmod(name.c_str(), test.before), 0);
    }
    mode_t saved = umask(test.mask);
    Status status = Save(name, {"new"});
    umask(saved);
    ASSERT_TRUE(status.ok()) << status.reason();
    EXPECT_EQ(ReadBytes(name), "new\n");
    struct stat info {};
    ASSERT_EQ(stat(name.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, test.after);
    EXPECT_EQ(info.st_uid, root && test.before != 0 ? kNobody : geteuid());
    EXPECT_EQ(ListTree(dir_), Names{name});
  }
}

// A chain of relative links into other folders, whose end does not exist
// before the first save and does before the second.
TEST_F(LineStoreFileTest, SymbolicLinksStayLinks) {
  ASSERT_TRUE(fs::create_directory("a") && fs::create_directory("b"));
  ASSERT_EQ(symlink("a/l2.c", "l1.c"), 0);
  ASSERT_EQ(symlink("../b/script.c", "a/l2.c"), 0);
  for (const LineList& lines : {LineList{"new"}, LineList{"newer", "text"}}) {
    ASSERT_TRUE(Save("l1.c", lines).ok());
    EXPECT_EQ(fs::read_symlink("l1.c"), "a/l2.c");
    EXPECT_EQ(fs::read_symlink("a/l2.c"), "../b/script.c");
    EXPECT_EQ(ReadBytes("b/script.c"), JoinLines(lines));
    EXPECT_EQ(ListTree(dir_), (Names{"a", "a/l2.c", "b", "b/script.c", "l1.c"}));
  }
  // As the kernel does, 40 links in a row are followed and the 41st is not.
  for (int i = 0; i < 41; ++i) {
    ASSERT_EQ(symlink(i == 0 ? "b/script.c" : ("h" + std::to_string(i - 1)).c_str(),
                      ("h" + std::to_string(i)).c_str()), 0);
  }
  LineList lines;
  EXPECT_TRUE(Open("h39", &lines).ok());
  EXPECT_EQ(lines, (LineList{"newer", "text"}));
  EXPECT_EQ(Open("h40", &lines).reason(), ErrnoText(ELOOP));
}

// A script shared through its group, saved by root and by a member of the
// group: group, mode and extended attributes (an ACL is two of them) stay; the
// owner stays only for root, and the member's save says so.
TEST_F(LineStoreFileTest, SharedScriptKeepsGroupAndAttributes) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make another user's script";
  constexpr uid_t kDaemon = 1;
  constexpr gid_t kShared = 4242;
  ASSERT_EQ(chmod(dir_.c_str(), 0777), 0);
  for (const bool as_nobody : {false, true}) {
    SCOPED_TRACE(as_nobody);
    WriteBytes("a.c", "old\n");
    ASSERT_EQ(chown("a.c", kDaemon, kShared), 0);
    ASSERT_EQ(chmod("a.c", 0664), 0);
    if (setxattr("a.c", "user.origin", "kept", 4, 0) != 0 ||
        setxattr("a.c", "user.empty", "", 0, 0) != 0) {
      GTEST_SKIP() << "the file system keeps no user attributes";
    }
    const Names notes_wanted =
        as_nobody ? Names{"owner not kept: Operation not permitted"} : Names{};
    EXPECT_EQ(RunInChild(
                  [&] {
                    Folder folder;
                    std::string name;
                    LineList lines;
                    FileStamp stamp;
                    Names notes;
                    const bool ok = ResolveScript("a.c", &folder, &name).ok() &&
                                    OpenIn(folder, name, FileId(), &lines, &stamp).ok() &&
                                    SaveIn(folder, name, {"new"}, stamp, {}, &notes).ok();
                    return ok && notes == notes_wanted ? 0 : 1;
                  },
                  as_nobody, {kShared}),
              0);
    EXPECT_EQ(ReadBytes("a.c"), "new\n");
    struct stat info {};
    ASSERT_EQ(stat("a.c", &info), 0);
    EXPECT_EQ(info.st_uid, as_nobody ? kNobody : kDaemon);
    EXPECT_EQ(info.st_gid, kShared);
    EXPECT_EQ(info.st_mode & 07777, 0664u);
    char value[8] = {};
    EXPECT_EQ(getxattr("a.c", "user.origin", value, sizeof value), 4);
    EXPECT_STREQ(value, "kept");
    EXPECT_EQ(getxattr("a.c", "user.empty", value, sizeof value), 0);
    EXPECT_EQ(ListTree(dir_), Names{"a.c"});
  }
}

}  // namespace
}  // namespace q9
