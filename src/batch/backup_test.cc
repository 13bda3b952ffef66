#include "batch/backup.h"

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>

#include "gtest/gtest.h"
#include "linestore/scratch_test_util.h"

namespace q9 {
namespace {

namespace fs = std::filesystem;

class BackupTest : public ScratchTest {
 protected:
  // Keeps |name| of the scratch folder (or of |folder|) as NAME.bak in the scratch folder.
  Status Backup(const std::string& name, const std::string& folder = "") {
    Folder from, to;
    EXPECT_TRUE(Folder::Open(dir_.string(), &to).ok());
    EXPECT_TRUE(Folder::Open(folder.empty() ? dir_.string() : folder, &from).ok());
    return MakeBackup(from, name, FileId(), to, name + ".bak", At(name + ".bak"));
  }
};

// A hard link, which keeps the old bytes when an atomic save renames a new
// file over the script; never in place of anything that has the name.
TEST_F(BackupTest, HardLinkThatNeverReplacesAnything) {
  WriteBytes(At("s.c"), "old\n");
  ASSERT_TRUE(Backup("s.c").ok());
  EXPECT_TRUE(fs::equivalent(At("s.c"), At("s.c.bak")));
  WriteBytes(At("new"), "converted\n");
  fs::rename(At("new"), At("s.c"));
  EXPECT_EQ(ReadBytes(At("s.c.bak")), "old\n");

  const std::function<void(const std::string&)> existing[] = {
      [](const std::string& path) { WriteBytes(path, "older backup\n"); },
      [](const std::string& path) { fs::create_symlink("nowhere", path); },
      [](const std::string& path) { fs::create_directory(path); },
  };
  for (const auto& make : existing) {
    fs::remove_all(At("s.c.bak"));
    make(At("s.c.bak"));
    const fs::file_type before = fs::symlink_status(At("s.c.bak")).type();
    EXPECT_EQ(Backup("s.c").reason(), "backup " + At("s.c.bak") + " already exists");
    EXPECT_EQ(fs::symlink_status(At("s.c.bak")).type(), before);
    if (before == fs::file_type::regular) {
      EXPECT_EQ(ReadBytes(At("s.c.bak")), "older backup\n");
    }
  }

  EXPECT_EQ(Backup("none.c").reason(),
            "backup " + At("none.c.bak") + ": No such file or directory");
  EXPECT_FALSE(fs::exists(fs::symlink_status(At("none.c.bak"))));
}

// A file on another file system cannot be hard-linked from here: the bytes
// are copied, with the original's permission bits.
TEST_F(BackupTest, CopiesAcrossFileSystems) {
  const fs::path other = fs::path("/dev/shm") / dir_.filename();
  struct stat shm_info, dir_info;
  if (stat("/dev/shm", &shm_info) != 0 || stat(dir_.c_str(), &dir_info) != 0 ||
      shm_info.st_dev == dir_info.st_dev) {
    GTEST_SKIP() << "needs /dev/shm on a file system of its own";
  }
  fs::create_directory(other);
  WriteBytes(other / "s.c", "elsewhere\n");
  const auto perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
  fs::permissions(other / "s.c", perms);
  const Status status = Backup("s.c", other.string());
  EXPECT_TRUE(status.ok()) << status.reason();
  EXPECT_EQ(ReadBytes(At("s.c.bak")), "elsewhere\n");
  EXPECT_FALSE(fs::equivalent(other / "s.c", At("s.c.bak")));
  EXPECT_EQ(fs::status(At("s.c.bak")).permissions(), perms);
  EXPECT_FALSE(Backup("s.c", other.string()).ok());
  fs::remove_all(other);
}

}  // namespace
}  // namespace q9
