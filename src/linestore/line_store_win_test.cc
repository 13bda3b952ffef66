// Open and Save on Windows (run through Wine when cross-built).
#include "linestore/line_store.h"

#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace q9 {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  return names;
}

DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

class LineStoreWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = (fs::temp_directory_path() /
            ("q9linestore." + std::to_string(GetCurrentProcessId()) + "." + test->name()))
               .string();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    // A read-only file would keep its folder from being removed.
    for (const auto& entry : fs::recursive_directory_iterator(dir_)) {
      SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    fs::remove_all(dir_);
  }

  // Backslashes, as a Windows user types them.
  std::string Path(const std::string& name) const { return dir_ + "\\" + name; }

  std::string dir_;
};

struct BytesCase {
  std::string bytes;
  LineList lines;
  std::string saved;
};

// No layer between the program and the file may turn LF into CR LF or back,
// nor stop at a Ctrl-Z byte as text mode does.
TEST_F(LineStoreWinTest, BytesPassUntranslated) {
  const std::vector<BytesCase> cases = {
      {"a\r\nb\r\n", {"a\r", "b\r"}, "a\r\nb\r\n"},
      {"a\nb", {"a", "b"}, "a\nb\n"},
      {"x\x1Ay\n\x1A", {"x\x1Ay", "\x1A"}, "x\x1Ay\n\x1A\n"},
      {"\r\r\n\n", {"\r\r", ""}, "\r\r\n\n"},
      {"", {}, ""},
      {"M\xF6glich\n", {"M\xF6glich"}, "M\xF6glich\n"},
  };
  for (const BytesCase& test : cases) {
    SCOPED_TRACE(testing::PrintToString(test.bytes));
    WriteBytes(Path("s.c"), test.bytes);
    LineList lines{"stale"};
    ASSERT_TRUE(Open(Path("s.c"), &lines).ok());
    EXPECT_EQ(lines, test.lines);
    ASSERT_TRUE(Save(Path("s.c"), lines).ok());
    EXPECT_EQ(ReadBytes(Path("s.c")), test.saved);
  }
}

// Lines longer than a read chunk, and chunk ends that fall inside a line or
// right after an LF.
TEST_F(LineStoreWinTest, LinesSpanningReadChunks) {
  const LineList lines = {std::string(200000, 'x'), "", std::string(65535, 'y'),
                          std::string(65536, 'z'), "end"};
  ASSERT_TRUE(Save(Path("big.c"), lines).ok());
  LineList read;
  ASSERT_TRUE(Open(Path("big.c"), &read).ok());
  EXPECT_EQ(read, lines);
  EXPECT_EQ(ReadBytes(Path("big.c")), JoinLines(lines));
}

TEST_F(LineStoreWinTest, MissingFilesReadAsEmpty) {
  for (const std::string& path : {Path("none.c"), Path("no-folder\\none.c"), std::string()}) {
    SCOPED_TRACE(path);
    LineList lines{"stale"};
    EXPECT_TRUE(Open(path, &lines).ok());
    EXPECT_TRUE(lines.empty());
  }
}

TEST_F(LineStoreWinTest, SaveCreatesAFileAndReplacesOne) {
  ASSERT_TRUE(Save(Path("new.c"), {"one"}).ok());
  EXPECT_EQ(ReadBytes(Path("new.c")), "one\n");
  ASSERT_TRUE(Save(Path("new.c"), {"two", "three"}).ok());
  EXPECT_EQ(ReadBytes(Path("new.c")), "two\nthree\n");
  EXPECT_EQ(Names(dir_), std::vector<std::string>{"new.c"});  // no temporary file left
}

struct RefusalCase {
  std::string name;
  std::string reason;
};

TEST_F(LineStoreWinTest, RefusedPathsKeepTheirBytesAndLeaveNothingBehind) {
  fs::create_directory(Path("folder"));
  WriteBytes(Path("ro.c"), "old\r\n");
  SetFileAttributesA(Path("ro.c").c_str(), FILE_ATTRIBUTE_READONLY);
  const std::vector<RefusalCase> cases = {
      {"folder", "Is a directory"},
      {"ro.c", "read-only file"},
      {"missing\\x.c", "No such file or directory"},
      {"folder\\", "Is a directory"},
  };
  for (const RefusalCase& test : cases) {
    SCOPED_TRACE(test.name);
    Status status = Save(Path(test.name), {"new"});
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.reason(), test.reason);
  }
  EXPECT_EQ(ReadBytes(Path("ro.c")), "old\r\n");
  EXPECT_TRUE(fs::is_empty(Path("folder")));
  std::vector<std::string> names = Names(dir_);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"folder", "ro.c"}));
}

TEST_F(LineStoreWinTest, FoldersAndDevicesAreNotRead) {
  fs::create_directory(Path("folder"));
  const std::vector<RefusalCase> cases = {
      {Path("folder"), "Is a directory"},
      {"NUL", "not a regular file"},
  };
  for (const RefusalCase& test : cases) {
    SCOPED_TRACE(test.name);
    LineList lines{"stale"};
    Status status = Open(test.name, &lines);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.reason(), test.reason);
    EXPECT_TRUE(lines.empty());
  }
}

TEST_F(LineStoreWinTest, SaveKeepsTheHiddenAttribute) {
  WriteBytes(Path("h.c"), "old\n");
  ASSERT_TRUE(SetFileAttributesA(Path("h.c").c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(Save(Path("h.c"), {"new"}).ok());
  EXPECT_EQ(ReadBytes(Path("h.c")), "new\n");
  EXPECT_TRUE(Attributes(Path("h.c")) & FILE_ATTRIBUTE_HIDDEN);
}

// A reader that holds the script open (an editor, a virus scanner) may make
// the system refuse the replacement. Either way the script then holds the old
// or the new bytes, whole, and no temporary file stays.
TEST_F(LineStoreWinTest, SaveOverAFileOpenForReadingIsAllOrNothing) {
  WriteBytes(Path("open.c"), "old\n");
  HANDLE reader = CreateFileA(Path("open.c").c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  Status status = Save(Path("open.c"), {"new"});
  CloseHandle(reader);
  if (status.ok()) {
    EXPECT_EQ(ReadBytes(Path("open.c")), "new\n");
  } else {
    EXPECT_EQ(status.reason(), "Permission denied");
    EXPECT_EQ(ReadBytes(Path("open.c")), "old\n");
  }
  EXPECT_EQ(Names(dir_), std::vector<std::string>{"open.c"});
}

// A symbolic link stays a link; the file it leads to gets the new content.
TEST_F(LineStoreWinTest, SymbolicLinksStayLinks) {
  WriteBytes(Path("target.c"), "old\n");
  // Creating one needs a privilege or developer mode; Wine 8 reports success
  // but makes none.
  CreateSymbolicLinkA(Path("link.c").c_str(), Path("target.c").c_str(), 0);
  const DWORD attributes = Attributes(Path("link.c"));
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    GTEST_SKIP() << "no symbolic links here";
  }
  ASSERT_TRUE(Save(Path("link.c"), {"new"}).ok());
  EXPECT_EQ(ReadBytes(Path("target.c")), "new\n");
  EXPECT_TRUE(fs::is_symlink(Path("link.c")));
  std::vector<std::string> names = Names(dir_);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"link.c", "target.c"}));
}

TEST_F(LineStoreWinTest, ForwardSlashesAndBareNamesWork) {
  fs::create_directory(Path("sub"));
  ASSERT_TRUE(Save(dir_ + "/sub/s.c", {"a"}).ok());
  EXPECT_EQ(ReadBytes(Path("sub\\s.c")), "a\n");
  const fs::path before = fs::current_path();
  fs::current_path(Path("sub"));
  Status status = Save("s.c", {"b"});
  fs::current_path(before);
  ASSERT_TRUE(status.ok()) << status.reason();
  EXPECT_EQ(ReadBytes(Path("sub\\s.c")), "b\n");
  EXPECT_EQ(Names(Path("sub")), std::vector<std::string>{"s.c"});
}

}  // namespace
}  // namespace q9

#endif  // _WIN32
