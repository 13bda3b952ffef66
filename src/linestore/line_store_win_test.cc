// Open and Save on Windows and the reasons they give (run through Wine when cross-built).
#include "linestore/line_store.h"

#ifdef _WIN32

#include <windows.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "gtest/gtest.h"
#include "linestore/scratch_test_util.h"
#include "linestore/error_status_win.h"

namespace q9 {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

class LineStoreWinTest : public ScratchTest {
 protected:
  // A read-only file would keep its folder from being removed.
  void TearDown() override {
    SetFileAttributesA(At("ro.c").c_str(), FILE_ATTRIBUTE_NORMAL);
    ScratchTest::TearDown();
  }
};

// No layer may turn LF into CR LF or back, stop at Ctrl-Z as text mode does, or drop a last
// line without LF, over several 64 KiB chunks; the hidden attribute stays; so does no temporary.
TEST_F(LineStoreWinTest, BytesPassUntranslated) {
  const std::string big(200000, 'x');
  const std::vector<std::pair<std::string, LineList>> cases = {
      {"a\r\nb\x1A\n\x1A\n\nc", {"a\r", "b\x1A", "\x1A", "", "c"}},
      {"", {}},
      {big + "\n\n" + big, {big, "", big}},
  };
  fs::create_directory("sub");
  WriteBytes("sub/s.c", "");
  ASSERT_TRUE(SetFileAttributesA("sub\\s.c", FILE_ATTRIBUTE_HIDDEN));
  for (const auto& [bytes, expected] : cases) {
    SCOPED_TRACE(testing::PrintToString(bytes.substr(0, 20)));
    WriteBytes("sub/s.c", bytes);
    LineList lines{"stale"};
    ASSERT_TRUE(Open("sub\\s.c", &lines).ok());
    EXPECT_TRUE(lines == expected);
    ASSERT_TRUE(Save("sub/s.c", lines).ok());
    EXPECT_TRUE(ReadBytes("sub/s.c") == JoinLines(expected));
    EXPECT_TRUE(GetFileAttributesA("sub/s.c") & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(ListTree("sub"), Names{"s.c"});
  }
}

// Every path that cannot be read or replaced is refused with its reason and changes nothing.
TEST_F(LineStoreWinTest, RefusedPathsChangeNothing) {
  fs::create_directory("folder");
  WriteBytes("ro.c", "old\r\n");
  ASSERT_TRUE(SetFileAttributesA("ro.c", FILE_ATTRIBUTE_READONLY));
  struct Case {
    std::string path;
    std::string open_reason;  // "" when the read succeeds
    std::string save_reason;
  };
  const std::vector<Case> cases = {
      {"", "", "No such file or directory"},
      {"missing/x.c", "", "No such file or directory"},
      {"folder", "Is a directory", "Is a directory"},
      {"fresh\\", "", "Is a directory"},
      {"ro.c", "", "read-only file"},
      {"NUL", "not a regular file", "not a regular file"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.path);
    LineList lines{"stale"};
    EXPECT_EQ(Open(test.path, &lines).reason(), test.open_reason);
    EXPECT_EQ(lines.empty(), test.path != "ro.c");
    EXPECT_EQ(Save(test.path, {"new"}).reason(), test.save_reason);
    EXPECT_EQ(ReadBytes("ro.c"), "old\r\n");
    EXPECT_EQ(ListTree(dir_), (Names{"folder", "ro.c"}));
  }
}

// Reasons read as on other systems (the line store tests meet the missing file and folder);
// any other code gets the system's text as a bare phrase.
TEST(WinErrorStatusTest, ReasonsReadAsElsewhere) {
  const std::vector<std::pair<DWORD, std::string>> cases = {
      {ERROR_ACCESS_DENIED, "Permission denied"},
      {ERROR_SHARING_VIOLATION, "Permission denied"},
      {ERROR_DISK_FULL, "No space left on device"},
      {ERROR_WRITE_PROTECT, "Read-only file system"},
  };
  for (const auto& [code, reason] : cases) {
    SCOPED_TRACE(code);
    EXPECT_EQ(WinErrorStatus(code).reason(), reason);
  }
  const std::string other = WinErrorStatus(ERROR_CRC).reason();
  ASSERT_FALSE(other.empty());
  EXPECT_EQ(std::string(". \r\n").find(other.back()), std::string::npos) << other;
  EXPECT_TRUE(std::system_category().message(ERROR_CRC).starts_with(other)) << other;
}

}  // namespace
}  // namespace q9

#endif  // _WIN32
