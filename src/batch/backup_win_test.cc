// MakeBackup on Windows (run through Wine when cross-built).
#include "batch/backup.h"

#ifdef _WIN32

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "gtest/gtest.h"
#include "linestore/line_store.h"

namespace q9 {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

class BackupWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("q9backup." + std::to_string(GetCurrentProcessId()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string At(const std::string& name) const { return (dir_ / name).string(); }
  // Keeps |name| of the scratch folder as NAME.bak beside it.
  Status Backup(const std::string& name) {
    Folder folder;
    EXPECT_TRUE(Folder::Open(dir_.string(), &folder).ok());
    return MakeBackup(folder, name, FileId(), folder, name + ".bak", At(name + ".bak"));
  }

  fs::path dir_;
};

TEST_F(BackupWinTest, BackupKeepsTheOldBytesThroughASave) {
  Write(At("s.c"), "old\r\n");
  ASSERT_TRUE(Backup("s.c").ok());
  ASSERT_TRUE(Save(At("s.c"), {"new"}).ok());
  EXPECT_EQ(Read(At("s.c")), "new\n");
  EXPECT_EQ(Read(At("s.c.bak")), "old\r\n");
}

TEST_F(BackupWinTest, ExistingBackupIsNeverReplaced) {
  Write(At("s.c"), "old");
  Write(At("s.c.bak"), "precious");
  Status status = Backup("s.c");
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.reason(), "backup " + At("s.c.bak") + " already exists");
  EXPECT_EQ(Read(At("s.c.bak")), "precious");
}

TEST_F(BackupWinTest, MissingOriginalIsAnErrorAndMakesNoBackup) {
  Status status = Backup("none.c");
  ASSERT_FALSE(status.ok());
  EXPECT_EQ(status.reason(), "backup " + At("none.c.bak") + ": No such file or directory");
  EXPECT_FALSE(fs::exists(At("none.c.bak")));
}

}  // namespace
}  // namespace q9

#endif  // _WIN32
