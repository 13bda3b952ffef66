#include "batch/backup.h"

#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "batch/old_script_test_util.h"
#include "gtest/gtest.h"

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

TEST_F(BackupTest, BackupIsAHardLinkThatOutlivesAReplacement) {
  WriteBytes(At("s.c"), "old\n");
  ASSERT_TRUE(Backup("s.c").ok());
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
    const Status status = Backup("s.c");
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(status.reason(), "backup " + At("s.c.bak") + " already exists");
    EXPECT_EQ(fs::symlink_status(At("s.c.bak")).type(), before.type());
    if (fs::is_regular_file(before)) {
      EXPECT_EQ(ReadBytes(At("s.c.bak")), "older backup\n");
    }
  }
}

TEST_F(BackupTest, MissingScriptGivesAReason) {
  const Status status = Backup("none.c");
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.reason(), "backup " + At("none.c.bak") + ": No such file or directory");
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
  fs::permissions(other / "s.c",
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const Status status = Backup("s.c", other.string());
  EXPECT_TRUE(status.ok()) << status.reason();
  EXPECT_EQ(ReadBytes(At("s.c.bak")), "elsewhere\n");
  EXPECT_FALSE(fs::equivalent(other / "s.c", At("s.c.bak")));
  EXPECT_EQ(fs::status(At("s.c.bak")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_FALSE(Backup("s.c", other.string()).ok());
  fs::remove_all(other);
}

}  // namespace
}  // namespace q9
