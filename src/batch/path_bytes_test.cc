#include "batch/path_bytes.h"

#include <filesystem>
#include <string>
#include <utility>

#include "batch/old_script_test_util.h"
#include "gtest/gtest.h"
#include "linestore/line_store.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace q9 {
namespace {

namespace fs = std::filesystem;

TEST(PathBytesTest, SlashesAreForward) {
  const std::pair<fs::path, std::string> cases[] = {
      {fs::path("a") / "b" / "c.c", "a/b/c.c"}, {fs::path("Script.c"), "Script.c"}, {{}, ""}};
  for (const auto& [path, bytes] : cases) EXPECT_EQ(PathBytes(path), bytes);
}

// A name met in a folder walk must open through the line store, whatever its
// characters, as long as the system can name it in bytes at all.
using PathBytesWalkTest = ScratchTest;

TEST_F(PathBytesWalkTest, NamesFromAWalkOpenInTheLineStore) {
#ifdef _WIN32
  const fs::path name = fs::path(L"Schwert_\u00f6.c");
  if (GetACP() != 1252) GTEST_SKIP() << "the name needs the Western code page";
#else
  const fs::path name = fs::path("Schwert_\xC3\xB6.c");
#endif
  WriteBytes(dir_ / name, "Timer: IncVar(0);\n");
  for (const auto& entry : fs::directory_iterator(dir_)) {
    LineList lines;
    ASSERT_TRUE(Open(PathBytes(entry.path()), &lines).ok());
    EXPECT_EQ(lines, LineList{"Timer: IncVar(0);"});
  }
}

#ifdef _WIN32
TEST(PathBytesTest, WindowsNamesAreInTheAnsiCodePage) {
  if (GetACP() != 1252) GTEST_SKIP() << "the expected bytes are those of code page 1252";
  EXPECT_EQ(PathBytes(fs::path(L"dir\\Schwert_\u00f6.c")), "dir/Schwert_\xF6.c");
  EXPECT_EQ(PathBytes(fs::path(L"\u65e5.c")), "?.c");
}
#endif

}  // namespace
}  // namespace q9
