#include "batch/file_walk.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace q9 {
namespace {

namespace fs = std::filesystem;

TEST(MatchesAnyTest, ShellGlobsOnTheName) {
  struct Case {
    std::string name;
    std::vector<std::string> patterns;
    bool matches;
  };
  const Case cases[] = {
      {"Script.c", {"*.c"}, true},      {"Script.C", {"*.c"}, false},
      {"Script.c.bak", {"*.c"}, false}, {".hidden.c", {"*.c"}, true},
      {"Defs.h", {"*.c", "*.h"}, true}, {"Script.c", {"Script.?"}, true},
      {"Script.c", {}, false},          {"a.c", {"[ab].c"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MatchesAny(c.name, c.patterns), c.matches);
  }
}

class FileWalkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("q9walk." + std::to_string(getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_);
    previous_ = fs::current_path();
    fs::current_path(root_);
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(root_);
  }
  static void Touch(const fs::path& path) {
    fs::create_directories(path.parent_path().empty() ? "." : path.parent_path());
    std::ofstream(path) << "x";
  }
  static WalkResult Collect(std::vector<std::string> paths,
                            std::vector<std::string> patterns = {"*.c"}) {
    return CollectScripts(paths, patterns);
  }

  fs::path root_;
  fs::path previous_;
};

TEST_F(FileWalkTest, FoldersGiveMatchingFilesInNameOrder) {
  for (const char* path : {"t/b.c", "t/a.c", "t/A.c", "t/notes.txt", "t/sub/z.c", "t/sub/deep/m.c",
                           "t/b.c.bak", "t/zz/y.c", "t/c.h"}) {
    Touch(path);
  }
  const WalkResult result = Collect({"t"});
  EXPECT_EQ(result.files, (std::vector<std::string>{"t/A.c", "t/a.c", "t/b.c", "t/sub/deep/m.c",
                                                    "t/sub/z.c", "t/zz/y.c"}));
  EXPECT_TRUE(result.errors.empty());
  EXPECT_EQ(Collect({"t/"}).files.front(), "t/A.c");
  EXPECT_EQ(Collect({"t"}, {"*.h", "*.txt"}).files,
            (std::vector<std::string>{"t/c.h", "t/notes.txt"}));
}

TEST_F(FileWalkTest, NamedPathsAreTakenAsGivenInOrder) {
  Touch("t/notes.txt");
  Touch("t/a.c");
  const WalkResult result = Collect({"t/notes.txt", "missing.c", "t"});
  EXPECT_EQ(result.files, (std::vector<std::string>{"t/notes.txt", "missing.c", "t/a.c"}));
}

TEST_F(FileWalkTest, EachFileOnceWhereverItWasReached) {
  Touch("t/a.c");
  Touch("t/b.c");
  fs::create_directory_symlink("t", "link_to_t");
  const WalkResult result = Collect({"t/b.c", "t", "./t/a.c", "link_to_t", "link_to_t/a.c"});
  EXPECT_EQ(result.files, (std::vector<std::string>{"t/b.c", "t/a.c"}));
}

TEST_F(FileWalkTest, LinksInsideFoldersAreNotFollowed) {
  Touch("outside/o.c");
  Touch("t/a.c");
  fs::create_symlink("../outside/o.c", "t/link.c");
  fs::create_directory_symlink("../outside", "t/linkdir");
  fs::create_directory_symlink("..", "t/loop");
  EXPECT_EQ(Collect({"t"}).files, (std::vector<std::string>{"t/a.c"}));
  // Named on the command line, the link is taken like any file.
  EXPECT_EQ(Collect({"t/link.c"}).files, (std::vector<std::string>{"t/link.c"}));
}

TEST_F(FileWalkTest, UnlistableFolderIsReportedAndSkipped) {
  if (geteuid() == 0) GTEST_SKIP() << "root lists every folder";
  Touch("t/closed/a.c");
  Touch("t/open/b.c");
  fs::permissions("t/closed", fs::perms::none);
  const WalkResult result = Collect({"t"});
  fs::permissions("t/closed", fs::perms::owner_all);
  EXPECT_EQ(result.files, (std::vector<std::string>{"t/open/b.c"}));
  ASSERT_EQ(result.errors.size(), 1u);
  EXPECT_EQ(result.errors[0].path, "t/closed");
  EXPECT_EQ(result.errors[0].reason, "Permission denied");
}

}  // namespace
}  // namespace q9
