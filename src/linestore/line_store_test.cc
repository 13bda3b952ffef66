#include "linestore/line_store.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <numeric>
#include <string>
#include <system_error>
#include <tuple>
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

// |body|'s exit code in a child, as nobody with |groups| if |as_nobody|; -1 if it crashed or hung.
template <typename Body>
int RunInChild(Body body, bool as_nobody = false, const std::vector<gid_t>& groups = {}) {
  const pid_t pid = fork();
  if (pid == 0) {
    alarm(10);
    const bool became = !as_nobody || (setgroups(groups.size(), groups.data()) == 0 &&
                                       setgid(kNobody) == 0 && setuid(kNobody) == 0);
    _exit(became ? body() : 4);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

using LineStoreFileTest = ScratchTest;

// The fourth row crosses the 64 KiB read and write chunks: a line ending exactly
// at a chunk's end, and one longer than several chunks.
TEST_F(LineStoreFileTest, FormatCasesThroughFiles) {
  const std::string a(65535, 'a'), b(200000, 'b');
  // Joined lines: a block filled to two bytes short, a line of two, then one longer than a block.
  const std::string f(kJoinedBlock - 3, 'f'), o(kJoinedBlock + 1, 'o');
  std::string many;  // more lines than a list grown by doubling would have room for
  for (int i = 0; i < 1025; ++i) many += "x\n";
  // Bytes read, their lines, the bytes written.
  const std::vector<std::tuple<std::string, LineList, std::string>> cases = {
      {"a\n\n\nb", {"a", "", "", "b"}, "a\n\n\nb\n"},
      {"a\r\nb\r\n", {"a\r", "b\r"}, "a\r\nb\r\n"},
      {"\xEF\xBB\xBFx\0\xFF\n"s, {"\xEF\xBB\xBFx\0\xFF"s}, "\xEF\xBB\xBFx\0\xFF\n"s},
      {a + "\n" + b + "\nc", {a, b, "c"}, a + "\n" + b + "\nc\n"},
      {many, LineList(1025, "x"), many},
      {f + "\nyy\n" + o + "\nz", {f, "yy", o, "z"}, f + "\nyy\n" + o + "\nz\n"},
  };
  for (const auto& [bytes, expected, written] : cases) {
    SCOPED_TRACE(testing::PrintToString(bytes.substr(0, 20)));
    EXPECT_EQ(SplitLines(bytes), expected);
    EXPECT_EQ(JoinLines(expected), written);
    // Joined, copied or taken, with a view per line; taking and clearing give the room back.
    LineList taken = expected;
    JoinedLines copied, joined;
    copied.Copy(expected);
    joined.Take(&taken);
    EXPECT_EQ(taken.capacity(), 0u);
    for (const JoinedLines* j : {&copied, &joined}) {
      EXPECT_EQ(std::accumulate(j->blocks.begin(), j->blocks.end(), std::string()), written);
      EXPECT_EQ(j->lines, std::vector<std::string_view>(expected.begin(), expected.end()));
    }
    joined.Clear();
    EXPECT_EQ(joined.lines.capacity() + joined.blocks.size(), 0u);
    WriteBytes("in.c", bytes);
    LineList lines = {"stale"};
    ASSERT_TRUE(Open("in.c", &lines).ok());
    EXPECT_EQ(lines, expected);
    EXPECT_LE(lines.capacity(), expected.size() + 1);  // no room kept for lines it has not
    WriteBytes("out.c", std::string(1000, 'z'));  // nothing of a longer old file may remain
    ASSERT_TRUE(Save("out.c", lines).ok());
    EXPECT_EQ(ReadBytes("out.c"), written);
    EXPECT_EQ(ListTree(dir_), (Names{"in.c", "out.c"}));
  }
}

// Every path that cannot be read or replaced is refused with its reason and
// changes nothing. Nobody (whom only root can become) may write the folder, not secret.c or sub.
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
    if (test.as_nobody && !root) continue;
    // In a child, where a read that waits for the FIFO's writer fails the test
    // and the size limit stops big.c's writes part-way, as a full disk would.
    auto attempt = [&] {
      signal(SIGXFSZ, SIG_IGN);
      const struct rlimit limit = {4096, 4096};
      LineList lines = {"stale"};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 3;
      if (Open(test.path, &lines).reason() != test.open_reason || lines != test.lines) return 1;
      const Status saved = Save(test.path, LineList(100, std::string(99, 'n')));
      return saved.reason() == test.save_reason ? 0 : 2;
    };
    EXPECT_EQ(RunInChild(attempt, test.as_nobody), 0);
    EXPECT_EQ(ListTree(dir_), before);
    EXPECT_TRUE(ReadBytes("ro.c") + ReadBytes("secret.c") == "keep\nkeep\n" &&
                ReadBytes("big.c") == old + "\n");
    EXPECT_TRUE(fs::is_fifo(fs::symlink_status("pipe.c")));
  }
}

// An existing file keeps owner and mode, set-ID bits too (a new owner clears them); a new one
// gets 0666 less the umask. The longest name has the temporary name cut to fit.
TEST_F(LineStoreFileTest, SaveKeepsModeAndOwner) {
  const std::string name(255, 'n');
  const bool root = geteuid() == 0;
  // The mode before (0: no file yet), the umask, the mode after.
  const std::tuple<mode_t, mode_t, mode_t> cases[] = {
      {0640, 0, 0640}, {04755, 022, 04755}, {02750, 022, 02750}, {0, 027, 0640}, {0, 0, 0666}};
  for (const auto& [before, mask, after] : cases) {
    SCOPED_TRACE(before);
    fs::remove(name);
    if (before != 0) {
      WriteBytes(name, "old\n");
      ASSERT_TRUE(!root || chown(name.c_str(), kNobody, kNobody) == 0);
      ASSERT_EQ(chmod(name.c_str(), before), 0);
    }
    mode_t saved = umask(mask);
    Status status = Save(name, {"new"});
    umask(saved);
    ASSERT_TRUE(status.ok()) << status.reason();
    EXPECT_EQ(ReadBytes(name), "new\n");
    struct stat info {};
    ASSERT_EQ(stat(name.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, after);
    EXPECT_EQ(info.st_uid, root && before != 0 ? kNobody : geteuid());
    EXPECT_EQ(ListTree(dir_), Names{name});
  }
}

// A chain of relative links into other folders, whose end the first save creates.
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

// A script shared through its group, saved by root and by a member: group, mode and
// extended attributes (an ACL is two) stay; the owner only for root, else a note says so.
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
    const Names wanted = as_nobody ? Names{"owner not kept: Operation not permitted"} : Names{};
    auto save = [&] {
      Folder folder;
      std::string name;
      LineList lines;
      FileStamp stamp;
      Names notes;
      const bool ok = ResolveScript("a.c", &folder, &name).ok() &&
                      OpenIn(folder, name, FileId(), &lines, &stamp).ok() &&
                      SaveIn(folder, name, {"new"}, stamp, {}, &notes).ok();
      return ok && notes == wanted ? 0 : 1;
    };
    EXPECT_EQ(RunInChild(save, as_nobody, {kShared}), 0);
    EXPECT_EQ(ReadBytes("a.c"), "new\n");
    struct stat info {};
    ASSERT_EQ(stat("a.c", &info), 0);
    EXPECT_EQ(std::tuple(info.st_uid, info.st_gid, info.st_mode & 07777),
              std::tuple(as_nobody ? kNobody : kDaemon, kShared, 0664u));
    char value[8] = {};
    EXPECT_EQ(getxattr("a.c", "user.origin", value, sizeof value), 4);
    EXPECT_STREQ(value, "kept");
    EXPECT_EQ(getxattr("a.c", "user.empty", value, sizeof value), 0);
    EXPECT_EQ(ListTree(dir_), Names{"a.c"});
  }
}

using TempNamesTest = ScratchTest;

// Saves at once each hold a slot of their own; the names still held when the
// program ends are removed, those released (renamed over their script) are not.
TEST_F(TempNamesTest, EachNameHasItsOwnSlotUntilTheEnd) {
  const int folder = open(dir_.c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_GE(folder, 0);
  for (const char* name : {".a.tmp", ".b.tmp", ".c.tmp"}) WriteBytes(name, "");
  TempNames names;
  const int a = names.Claim(folder, ".a.tmp"), b = names.Claim(folder, ".b.tmp");
  const int c = names.Claim(folder, ".c.tmp");
  EXPECT_TRUE(a >= 0 && b >= 0 && c >= 0 && a != b && b != c && a != c) << a << b << c;
  names.Named(a);
  names.Named(c);
  names.Release(b);
  names.RemoveAll();
  EXPECT_EQ(ListTree(dir_), Names{".b.tmp"});
  EXPECT_EQ(names.Claim(folder, ".d.tmp"), TempNames::kEnding);
  close(folder);
}

}  // namespace
}  // namespace q9
