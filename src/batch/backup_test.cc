#include "batch/backup.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "batch/old_script_test_util.h"
#include "gtest/gtest.h"

namespace q9 {
namespace {

namespace fs = std::filesystem;

using BackupTest = ScratchTest;

TEST_F(BackupTest, BackupIsAHardLinkThatOutlivesAReplacement) {
  WriteBytes(At("s.c"), "old\n");
  ASSERT_TRUE(MakeBackup(At("s.c"), At("s.c.bak")).ok());
  EXPECT_TRUE(fs::equivalent(At("s.c"), At("s.c.bak")));
  // What an atomic save does: a new file renamed over the name.
  WriteBytes(At("new"), "converted\n");
  fs::rename(At("new"), At("s.c"));
  EXPECT_EQ(ReadBytes(At("s.c.bak")), "old\n");
}

TEST_F(BackupTest, NeverReplacesAnExistingFile) {
  struct Case {
    const char* name;
    void (*make_existing)(const std::string& path);
  };
  const Case cases[] = {
      {"a file", [](const std::string& path) { WriteBytes(path, "older backup\n"); }},
      {"a dangling link", [](const std::string& path) { fs::create_symlink("nowhere", path); }},
      {"a folder", [](const std::string& path) { fs::create_directory(path); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(At("s.c"), "current\n");
    fs::remove_all(At("s.c.bak"));
    c.make_existing(At("s.c.bak"));
    const fs::file_status before = fs::symlink_status(At("s.c.bak"));
    const Status status = MakeBackup(At("s.c"), At("s.c.bak"));
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(status.reason(), "backup " + At("s.c.bak") + " already exists");
    EXPECT_EQ(fs::symlink_status(At("s.c.bak")).type(), before.type());
    if (fs::is_regular_file(before)) {
      EXPECT_EQ(ReadBytes(At("s.c.bak")), "older backup\n");
    }
  }
}

TEST_F(BackupTest, MissingScriptGivesAReason) {
  const Status status = MakeBackup(At("none.c"), At("none.c.bak"));
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.reason(), "backup " + At("none.c.bak") + ": No such file or directory");
  EXPECT_FALSE(fs::exists(fs::symlink_status(At("none.c.bak"))));
}

// A link into another file system cannot be hard-linked from here: the bytes
// are copied, with the original's permission bits.
TEST_F(BackupTest, CopiesAcrossFileSystems) {
  const fs::path other = fs::path("/dev/shm") / dir_.filename();
  struct stat shm_info, dir_info;
  if (stat("/dev/shm", &shm_info) != 0 || stat(dir_.c_str(), &dir_info) != 0 ||
      shm_info.st_dev == dir_info.st_dev) {
    GTEST_SKIP() << "needs /dev/shm on a file system of its own";
  }
  WriteBytes(other, "elsewhere\n");
  fs::permissions(other, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(other, At("s.c"));
  const Status status = MakeBackup(At("s.c"), At("s.c.bak"));
  EXPECT_TRUE(status.ok()) << status.reason();
  EXPECT_EQ(ReadBytes(At("s.c.bak")), "elsewhere\n");
  EXPECT_FALSE(fs::equivalent(other, At("s.c.bak")));
  EXPECT_EQ(fs::status(At("s.c.bak")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_FALSE(MakeBackup(At("s.c"), At("s.c.bak")).ok());
  fs::remove(other);
}

}  // namespace
}  // namespace q9
