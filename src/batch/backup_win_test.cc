// MakeBackup on Windows (run through Wine when cross-built).
#include "batch/backup.h"

#ifdef _WIN32

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "linestore/line_store.h"
#include "linestore/scratch_test_util.h"

namespace q9 {
namespace {

using BackupWinTest = ScratchTest;

// The backup keeps the old bytes through a save, never replaces an existing
// one, and is not made for a missing original.
TEST_F(BackupWinTest, KeepsOldBytesAndNeverReplacesAnything) {
  Folder folder;
  ASSERT_TRUE(Folder::Open(dir_.string(), &folder).ok());
  auto backup = [&](const std::string& name) {
    return MakeBackup(folder, name, FileId(), folder, name + ".bak", At(name + ".bak")).reason();
  };
  WriteBytes(At("s.c"), "old\r\n");
  ASSERT_EQ(backup("s.c"), "");
  ASSERT_TRUE(Save(At("s.c"), {"new"}).ok());
  EXPECT_EQ(ReadBytes(At("s.c")), "new\n");
  EXPECT_EQ(ReadBytes(At("s.c.bak")), "old\r\n");
  EXPECT_EQ(backup("s.c"), "backup " + At("s.c.bak") + " already exists");
  EXPECT_EQ(ReadBytes(At("s.c.bak")), "old\r\n");
  EXPECT_EQ(backup("none.c"), "backup " + At("none.c.bak") + ": No such file or directory");
  EXPECT_EQ(ListTree(dir_), (std::vector<std::string>{"s.c", "s.c.bak"}));
}

}  // namespace
}  // namespace q9

#endif  // _WIN32
