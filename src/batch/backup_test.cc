#include "batch/backup.h"

#include <sys/stat.h>

#include <filesystem>
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
  // A file, a link to nowhere and a folder, each in the backup's place.
  WriteBytes(At("f.c.bak"), "older backup\n");
  fs::create_symlink("nowhere", At("l.c.bak"));
  fs::create_directory(At("d.c.bak"));
  for (const std::string name : {"f.c", "l.c", "d.c"}) {
    WriteBytes(At(name), "old\n");
    EXPECT_EQ(Backup(name).reason(), "backup " + At(name + ".bak") + " already exists");
  }
  EXPECT_EQ(ReadBytes(At("f.c.bak")), "older backup\n");
  EXPECT_TRUE(fs::is_symlink(At("l.c.bak")) && fs::is_directory(At("d.c.bak")));
  EXPECT_EQ(Backup("none.c").reason(),
            "backup " + At("none.c.bak") + ": No such file or directory");
  EXPECT_FALSE(fs::exists(fs::symlink_status(At("none.c.bak"))));
}

// From another file system, where no hard link reaches, the bytes are copied with their mode.
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
