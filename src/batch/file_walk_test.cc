#include "batch/file_walk.h"

#include <filesystem>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "linestore/scratch_test_util.h"

namespace q9 {
namespace {

namespace fs = std::filesystem;
using Files = std::vector<std::string>;

using FileWalkTest = ScratchTest;

void Touch(const fs::path& path) {
  fs::create_directories(path.parent_path());
  WriteBytes(path, "x");
}

Files Collect(const Files& paths, const Files& patterns = {"*.c"}) {
  Files files;
  for (const FoundScript& script : CollectScripts(paths, patterns).files) {
    files.push_back(script.path);
  }
  return files;
}

TEST_F(FileWalkTest, FoldersGiveMatchingFilesInNameOrder) {
  for (const char* path : {"t/b.c", "t/a.c", "t/A.c", "t/notes.txt", "t/sub/z.c", "t/sub/deep/m.c",
                           "t/b.c.bak", "t/zz/y.c", "t/c.h"}) Touch(path);
  EXPECT_EQ(Collect({"t"}),
            (Files{"t/A.c", "t/a.c", "t/b.c", "t/sub/deep/m.c", "t/sub/z.c", "t/zz/y.c"}));
  EXPECT_TRUE(CollectScripts(Files{"t"}, Files{"*.c"}).errors.empty());
  EXPECT_EQ(Collect({"t/"}).front(), "t/A.c");
  EXPECT_EQ(Collect({"t"}, {"*.h", "*.txt"}), (Files{"t/c.h", "t/notes.txt"}));
}

// Named paths are taken as given, in order; each file once however it was reached.
TEST_F(FileWalkTest, NamedPathsInOrderEachFileOnce) {
  for (const char* path : {"t/notes.txt", "t/a.c", "t/b.c"}) Touch(path);
  fs::create_directory_symlink("t", "link_to_t");
  EXPECT_EQ(
      Collect({"t/notes.txt", "missing.c", "t/b.c", "t", "./t/a.c", "link_to_t", "link_to_t/a.c"}),
      (Files{"t/notes.txt", "missing.c", "t/b.c", "t/a.c"}));
}

TEST_F(FileWalkTest, LinksInsideFoldersAreNotFollowed) {
  for (const char* path : {"outside/o.c", "t/a.c"}) Touch(path);
  fs::create_symlink("../outside/o.c", "t/link.c");
  fs::create_directory_symlink("../outside", "t/linkdir");
  fs::create_directory_symlink("..", "t/loop");
  EXPECT_EQ(Collect({"t"}), (Files{"t/a.c"}));
  EXPECT_EQ(Collect({"t/link.c"}), (Files{"t/link.c"}));  // named, it is taken like any file
}

}  // namespace
}  // namespace q9
