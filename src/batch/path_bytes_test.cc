#include "batch/path_bytes.h"

#include <filesystem>
#include <string>
#include <utility>

#include "gtest/gtest.h"
#include "linestore/line_store.h"
#include "linestore/scratch_test_util.h"

namespace q9 {
namespace {

namespace fs = std::filesystem;

// Forward slashes; on Windows UTF-8, the form the line store takes there.
TEST(PathBytesTest, SlashesAreForwardAndBytesGoBothWays) {
  const std::pair<fs::path, std::string> cases[] = {
      {fs::path("a") / "b" / "c.c", "a/b/c.c"},
      {{}, ""},
#ifdef _WIN32
      {fs::path(L"dir\\Schwert_\u00f6.c"), "dir/Schwert_\xC3\xB6.c"},
      {fs::path(L"\u65e5.c"), "\xE6\x97\xA5.c"},
#endif
  };
  for (const auto& [path, bytes] : cases) {
    EXPECT_EQ(PathBytes(path), bytes);
    EXPECT_EQ(PathFromBytes(bytes).generic_wstring(), path.generic_wstring());
  }
}

// A name met in a folder walk must open through the line store, whatever its
// characters (on Windows also those outside the ANSI code page).
using PathBytesWalkTest = ScratchTest;

TEST_F(PathBytesWalkTest, NamesFromAWalkOpenInTheLineStore) {
#ifdef _WIN32
  const fs::path name = fs::path(L"Schwert_\u00f6_\u65e5.c");
#else
  const fs::path name = fs::path("Schwert_\xC3\xB6.c");
#endif
  WriteBytes(dir_ / name, "Timer: IncVar(0);\n");
  for (const auto& entry : fs::directory_iterator(dir_)) {
    LineList lines;
    ASSERT_TRUE(Open(PathBytes(entry.path()), &lines).ok());
    EXPECT_EQ(lines, LineList{"Timer: IncVar(0);"});
    ASSERT_TRUE(Save(PathBytes(entry.path()), {"x"}).ok());
  }
  EXPECT_EQ(ReadBytes(dir_ / name), "x\n");
}

}  // namespace
}  // namespace q9
