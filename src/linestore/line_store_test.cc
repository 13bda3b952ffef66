#include "linestore/line_store.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "gtest/gtest.h"

namespace q9 {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
  return info.st_mode;
}

std::vector<std::string> ListDir(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// Every temporary name starts with a dot; the tests never create one themselves.
std::vector<std::string> HiddenFilesUnder(const std::string& dir) {
  std::vector<std::string> hidden;
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.path().filename().string().starts_with('.')) hidden.push_back(entry.path());
  }
  return hidden;
}

std::string ErrnoText(int error) { return std::generic_category().message(error); }

// Runs |body| in a child process and returns its exit code; -1 when it was
// killed by a signal or had not finished after |timeout|, so a call that
// blocks or crashes fails the test instead of hanging the test binary.
int RunInChild(const std::function<int()>& body,
               std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  pid_t pid = fork();
  if (pid == 0) _exit(body());
  if (pid < 0) return -1;
  auto deadline = std::chrono::steady_clock::now() + timeout;
  int wait_status = 0;
  while (waitpid(pid, &wait_status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &wait_status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
}

// Drops root rights in a child, so permission checks apply as for a user.
bool BecomeNobodyIfRoot() {
  if (geteuid() != 0) return true;
  return setgid(kNobody) == 0 && setuid(kNobody) == 0;
}

class LineStoreFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "linestore.XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr) << ErrnoText(errno);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }

  std::string dir_;
};

struct FormatCase {
  std::string bytes;
  LineList lines;
  std::string written;
};

const std::vector<FormatCase>& FormatCases() {
  static const std::vector<FormatCase> cases = {
      {"a\nb\n", {"a", "b"}, "a\nb\n"},
      {"a\nb", {"a", "b"}, "a\nb\n"},
      {"", {}, ""},
      {"\n", {""}, "\n"},
      {"a\n\n\nb", {"a", "", "", "b"}, "a\n\n\nb\n"},
      {"a\r\nb\r\n", {"a\r", "b\r"}, "a\r\nb\r\n"},
      {"\r", {"\r"}, "\r\n"},
      {std::string("\xEF\xBB\xBFx\0y\n", 7),
       {std::string("\xEF\xBB\xBFx\0y", 6)},
       std::string("\xEF\xBB\xBFx\0y\n", 7)},
  };
  return cases;
}

TEST(SplitJoinTest, FormatCases) {
  for (const FormatCase& test : FormatCases()) {
    SCOPED_TRACE(testing::PrintToString(test.bytes));
    EXPECT_EQ(SplitLines(test.bytes), test.lines);
    EXPECT_EQ(JoinLines(test.lines), test.written);
  }
}

TEST(SplitJoinTest, AllByteValuesSurvive) {
  std::string bytes;
  for (int value = 0; value < 256; ++value) bytes += static_cast<char>(value);
  bytes += '\n';
  LineList lines = SplitLines(bytes);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], bytes.substr(0, 10));
  EXPECT_EQ(lines[1], bytes.substr(11, 245));
  EXPECT_EQ(JoinLines(lines), bytes);
}

TEST_F(LineStoreFileTest, FormatCasesThroughFiles) {
  for (const FormatCase& test : FormatCases()) {
    SCOPED_TRACE(testing::PrintToString(test.bytes));
    WriteBytes(Path("in.c"), test.bytes);
    LineList lines = {"stale"};
    ASSERT_TRUE(Open(Path("in.c"), &lines).ok());
    EXPECT_EQ(lines, test.lines);
    // Saving over a longer file checks that nothing of the old content remains.
    WriteBytes(Path("out.c"), std::string(1000, 'z'));
    ASSERT_TRUE(Save(Path("out.c"), lines).ok());
    EXPECT_EQ(ReadBytes(Path("out.c")), test.written);
  }
}

TEST_F(LineStoreFileTest, AllByteValuesSurviveAFile) {
  std::string bytes;
  for (int value = 255; value >= 0; --value) bytes += static_cast<char>(value);
  bytes += '\n';
  WriteBytes(Path("bytes.c"), bytes);
  LineList lines;
  ASSERT_TRUE(Open(Path("bytes.c"), &lines).ok());
  ASSERT_TRUE(Save(Path("bytes.c"), lines).ok());
  EXPECT_EQ(ReadBytes(Path("bytes.c")), bytes);
}

// Lines end exactly at, just before and far beyond the read chunk boundaries.
TEST_F(LineStoreFileTest, LinesSpanningReadChunks) {
  const std::vector<size_t> lengths = {65535, 0, 65536, 1, 200000, 0, 0, 7, 65534, 3};
  LineList expected;
  std::string bytes;
  for (size_t i = 0; i < lengths.size(); ++i) {
    expected.push_back(std::string(lengths[i], static_cast<char>('a' + i)));
    bytes += expected.back();
    if (i + 1 < lengths.size()) bytes += '\n';
  }
  WriteBytes(Path("big.c"), bytes);
  LineList lines;
  ASSERT_TRUE(Open(Path("big.c"), &lines).ok());
  EXPECT_TRUE(lines == expected);
  ASSERT_TRUE(Save(Path("big.c"), lines).ok());
  EXPECT_TRUE(ReadBytes(Path("big.c")) == bytes + "\n");
}

TEST_F(LineStoreFileTest, MissingFileReadsAsEmpty) {
  for (const std::string& path : {Path("absent.c"), std::string()}) {
    SCOPED_TRACE(path);
    LineList lines = {"stale"};
    EXPECT_TRUE(Open(path, &lines).ok());
    EXPECT_TRUE(lines.empty());
  }
}

TEST(InsertVStringTest, PutsTheLineAtTheIndex) {
  struct Case {
    LineList input;
    int index;
    LineList expected;
  };
  const std::vector<Case> cases = {
      {{"a", "b", "c"}, 0, {"X", "a", "b", "c"}},
      {{"a", "b", "c"}, 1, {"a", "X", "b", "c"}},
      {{"a", "b", "c"}, 2, {"a", "b", "X", "c"}},
      {{"a", "b", "c"}, 3, {"a", "b", "c", "X"}},
      {{}, 0, {"X"}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.index);
    LineList input = test.input;
    EXPECT_EQ(InsertVString(input, test.index, "X"), test.expected);
    EXPECT_EQ(input, test.input);
  }
}

TEST_F(LineStoreFileTest, DirectoryIsRefused) {
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
  LineList lines = {"stale"};
  Status opened = Open(Path("sub"), &lines);
  EXPECT_FALSE(opened.ok());
  EXPECT_EQ(opened.reason(), ErrnoText(EISDIR));
  EXPECT_TRUE(lines.empty());
  EXPECT_FALSE(Save(Path("sub"), {"x"}).ok());
  EXPECT_TRUE(S_ISDIR(ModeOf(Path("sub"))));
  EXPECT_TRUE(ListDir(Path("sub")).empty());
}

TEST_F(LineStoreFileTest, RefusedSavePathsLeaveNothingBehind) {
  ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
  WriteBytes(Path("file.c"), "keep\n");
  const std::vector<std::string> paths = {
      "",                      // names nothing
      Path("missing/new.c"),   // directory does not exist
      Path("sub/"),            // an existing directory
      Path("fresh/"),          // a directory name that does not exist
      Path("file.c/inner.c"),  // a file used as a directory
  };
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    Status status = Save(path, {"new"});
    EXPECT_FALSE(status.ok());
    EXPECT_FALSE(status.reason().empty());
    EXPECT_EQ(ListDir(dir_), (std::vector<std::string>{"file.c", "sub"}));
    EXPECT_TRUE(ListDir(Path("sub")).empty());
    EXPECT_EQ(ReadBytes(Path("file.c")), "keep\n");
  }
}

TEST_F(LineStoreFileTest, FifoIsRefusedWithoutBlocking) {
  const std::string fifo = Path("pipe.c");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
  EXPECT_EQ(RunInChild([&] {
              LineList lines = {"stale"};
              Status status = Open(fifo, &lines);
              return !status.ok() && status.reason() == "not a regular file" && lines.empty() ? 0
                                                                                              : 1;
            }),
            0);
  EXPECT_EQ(RunInChild([&] { return Save(fifo, {"x"}).ok() ? 1 : 0; }), 0);
  EXPECT_TRUE(S_ISFIFO(ModeOf(fifo)));
  EXPECT_EQ(ListDir(dir_), std::vector<std::string>{"pipe.c"});
}

TEST_F(LineStoreFileTest, SaveKeepsPermissionBits) {
  // Set-ID bits are in the list because a change of owner clears them.
  for (mode_t mode : {0640, 0755, 0600, 0604, 04755, 02750}) {
    SCOPED_TRACE(mode);
    const std::string path = Path("script.c");
    WriteBytes(path, "old\n");
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
    ASSERT_TRUE(Save(path, {"new"}).ok());
    EXPECT_EQ(ModeOf(path) & 07777, mode);
    EXPECT_EQ(ReadBytes(path), "new\n");
  }
}

TEST_F(LineStoreFileTest, NewFileGetsModeLessUmask) {
  struct Case {
    mode_t umask;
    mode_t expected;
  };
  for (const Case& test : std::vector<Case>{{022, 0644}, {027, 0640}, {077, 0600}, {0, 0666}}) {
    SCOPED_TRACE(test.umask);
    const std::string path = Path("new.c");
    mode_t saved = umask(test.umask);
    Status status = Save(path, {"x"});
    umask(saved);
    ASSERT_TRUE(status.ok()) << status.reason();
    EXPECT_EQ(ModeOf(path) & 07777, test.expected);
    ASSERT_EQ(unlink(path.c_str()), 0);
  }
}

TEST_F(LineStoreFileTest, SaveKeepsOwner) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give a file away";
  const std::string path = Path("script.c");
  WriteBytes(path, "old\n");
  ASSERT_EQ(chown(path.c_str(), kNobody, kNobody), 0);
  ASSERT_TRUE(Save(path, {"new"}).ok());
  struct stat info {};
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, kNobody);
  EXPECT_EQ(info.st_gid, kNobody);
}

TEST_F(LineStoreFileTest, SymbolicLinksStayLinks) {
  struct Link {
    std::string path;
    std::string target;
  };
  struct Case {
    std::string name;
    std::vector<Link> links;  // made in order; the first one is saved to
    std::string file;         // the file the chain ends in
    bool file_exists;
  };
  ASSERT_EQ(mkdir(Path("a").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(Path("b").c_str(), 0755), 0);
  const std::vector<Case> cases = {
      {"same directory", {{"link.c", "script.c"}}, "script.c", true},
      {"absolute", {{"link.c", Path("b/script.c")}}, "b/script.c", true},
      {"other directory", {{"a/link.c", "../b/script.c"}}, "b/script.c", true},
      {"chain", {{"l1.c", "a/l2.c"}, {"a/l2.c", "../b/script.c"}}, "b/script.c", true},
      {"dangling", {{"a/link.c", "new.c"}}, "a/new.c", false},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    if (test.file_exists) WriteBytes(Path(test.file), "old\n");
    for (const Link& link : test.links) {
      ASSERT_EQ(symlink(link.target.c_str(), Path(link.path).c_str()), 0);
    }
    const std::string saved = Path(test.links.front().path);
    ASSERT_TRUE(Save(saved, {"new", "content"}).ok());
    for (const Link& link : test.links) {
      EXPECT_TRUE(S_ISLNK(ModeOf(Path(link.path)))) << link.path;
      EXPECT_EQ(fs::read_symlink(Path(link.path)).string(), link.target);
    }
    EXPECT_EQ(ReadBytes(Path(test.file)), "new\ncontent\n");
    LineList lines;
    ASSERT_TRUE(Open(saved, &lines).ok());
    EXPECT_EQ(lines, (LineList{"new", "content"}));
    EXPECT_TRUE(HiddenFilesUnder(dir_).empty());
    for (const Link& link : test.links) unlink(Path(link.path).c_str());
    unlink(Path(test.file).c_str());
  }
}

TEST_F(LineStoreFileTest, LinkChainLengthIsBounded) {
  struct Case {
    int links;
    bool ok;
  };
  for (const Case& test : std::vector<Case>{{40, true}, {41, false}}) {
    SCOPED_TRACE(test.links);
    fs::remove_all(Path("chain"));
    ASSERT_EQ(mkdir(Path("chain").c_str(), 0755), 0);
    for (int i = 0; i < test.links; ++i) {
      std::string next = "l" + std::to_string(i + 1);
      ASSERT_EQ(symlink(next.c_str(), Path("chain/l" + std::to_string(i)).c_str()), 0);
    }
    Status status = Save(Path("chain/l0"), {"x"});
    EXPECT_EQ(status.ok(), test.ok) << status.reason();
    if (!test.ok) {
      EXPECT_EQ(status.reason(), ErrnoText(ELOOP));
    }
    EXPECT_EQ(fs::exists(Path("chain/l" + std::to_string(test.links))), test.ok);
  }
}

TEST_F(LineStoreFileTest, LinkLoopIsRefused) {
  ASSERT_EQ(symlink("l2.c", Path("l1.c").c_str()), 0);
  ASSERT_EQ(symlink("l1.c", Path("l2.c").c_str()), 0);
  Status status = Save(Path("l1.c"), {"x"});
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.reason(), ErrnoText(ELOOP));
  EXPECT_TRUE(S_ISLNK(ModeOf(Path("l1.c"))));
  EXPECT_TRUE(S_ISLNK(ModeOf(Path("l2.c"))));
  EXPECT_EQ(ListDir(dir_), (std::vector<std::string>{"l1.c", "l2.c"}));
}

// Root may write any file, so the check on the mode bits is what protects these.
TEST_F(LineStoreFileTest, ReadOnlyFileIsRefusedAndUnchanged) {
  for (mode_t mode : {0444, 0400, 0555, 0000}) {
    SCOPED_TRACE(mode);
    const std::string path = Path("script.c");
    WriteBytes(path, "original\n");
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
    Status status = Save(path, {"new"});
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(status.reason(), "read-only file");
    EXPECT_EQ(ReadBytes(path), "original\n");
    EXPECT_EQ(ModeOf(path) & 07777, mode);
    EXPECT_EQ(ListDir(dir_), std::vector<std::string>{"script.c"});
    ASSERT_EQ(unlink(path.c_str()), 0);
  }
}

// A write bit is set, but not one that applies to the caller.
TEST_F(LineStoreFileTest, FileTheCallerMayNotWriteIsRefused) {
  ASSERT_EQ(chmod(dir_.c_str(), 0777), 0);  // so only the file itself stands in the way
  const std::string path = Path("script.c");
  WriteBytes(path, "original\n");
  ASSERT_EQ(chmod(path.c_str(), 0464), 0);
  int code = RunInChild([&] {
    if (!BecomeNobodyIfRoot()) return 3;
    Status status = Save(path, {"new"});
    return !status.ok() && status.reason() == ErrnoText(EACCES) ? 0 : 1;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadBytes(path), "original\n");
  EXPECT_EQ(ListDir(dir_), std::vector<std::string>{"script.c"});
}

TEST_F(LineStoreFileTest, UnreadableFileIsAnError) {
  ASSERT_EQ(chmod(dir_.c_str(), 0777), 0);
  const std::string path = Path("script.c");
  WriteBytes(path, "secret\n");
  ASSERT_EQ(chmod(path.c_str(), 0260), 0);
  int code = RunInChild([&] {
    if (!BecomeNobodyIfRoot()) return 3;
    LineList lines = {"stale"};
    Status status = Open(path, &lines);
    return !status.ok() && status.reason() == ErrnoText(EACCES) && lines.empty() ? 0 : 1;
  });
  EXPECT_EQ(code, 0);
}

// The size limit makes the writes fail part-way, as a full disk would.
TEST_F(LineStoreFileTest, FailedWritesLeaveTheOriginal) {
  const std::string path = Path("script.c");
  std::string original;
  for (int i = 0; i < 300; ++i) original += "original line " + std::to_string(i) + "\n";
  WriteBytes(path, original);
  LineList big(1000, std::string(99, 'n'));  // about 100 KB
  int code = RunInChild([&] {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {4096, 4096};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 3;
    Status status = Save(path, big);
    if (status.ok()) return 1;
    return status.reason() == ErrnoText(EFBIG) ? 0 : 2;
  });
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(ReadBytes(path) == original);
  EXPECT_EQ(ListDir(dir_), std::vector<std::string>{"script.c"});
}

TEST_F(LineStoreFileTest, SuccessfulSavesLeaveNoTemporaryFile) {
  const std::string path = Path("script.c");
  ASSERT_TRUE(Save(path, {"first"}).ok());
  ASSERT_TRUE(Save(path, {"second", "save"}).ok());
  ASSERT_TRUE(Save(path, {}).ok());
  EXPECT_EQ(ReadBytes(path), "");
  EXPECT_EQ(ListDir(dir_), std::vector<std::string>{"script.c"});
}

TEST_F(LineStoreFileTest, LongestFileNameCanBeSaved) {
  const std::string name(255, 'n');
  ASSERT_TRUE(Save(Path(name), {"one"}).ok());
  ASSERT_TRUE(Save(Path(name), {"two"}).ok());
  EXPECT_EQ(ReadBytes(Path(name)), "two\n");
  EXPECT_EQ(ListDir(dir_), std::vector<std::string>{name});
}

TEST_F(LineStoreFileTest, RelativePathsStartAtTheWorkingDirectory) {
  const fs::path previous = fs::current_path();
  ASSERT_EQ(chdir(dir_.c_str()), 0);
  ASSERT_EQ(symlink("rel.c", "link.c"), 0);
  Status direct = Save("rel.c", {"one"});
  Status through_link = Save("link.c", {"two"});
  LineList lines;
  Status opened = Open("link.c", &lines);
  fs::current_path(previous);
  EXPECT_TRUE(direct.ok()) << direct.reason();
  EXPECT_TRUE(through_link.ok()) << through_link.reason();
  EXPECT_TRUE(opened.ok());
  EXPECT_EQ(lines, LineList{"two"});
  EXPECT_TRUE(S_ISLNK(ModeOf(Path("link.c"))));
  EXPECT_EQ(ListDir(dir_), (std::vector<std::string>{"link.c", "rel.c"}));
}

}  // namespace
}  // namespace q9
