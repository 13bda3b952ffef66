#include "linestore/win_status.h"

#ifdef _WIN32

#include <windows.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace q9 {
namespace {

struct ReasonCase {
  DWORD code;
  std::string reason;
};

// The reasons users see in "Fehler beim Schreiben der Datei: ..." read as on
// other systems.
TEST(WinErrorStatusTest, CommonFailuresGetTheUsualReasons) {
  const std::vector<ReasonCase> cases = {
      {ERROR_FILE_NOT_FOUND, "No such file or directory"},
      {ERROR_PATH_NOT_FOUND, "No such file or directory"},
      {ERROR_ACCESS_DENIED, "Permission denied"},
      {ERROR_SHARING_VIOLATION, "Permission denied"},
      {ERROR_FILE_EXISTS, "File exists"},
      {ERROR_DISK_FULL, "No space left on device"},
      {ERROR_HANDLE_DISK_FULL, "No space left on device"},
      {ERROR_WRITE_PROTECT, "Read-only file system"},
      {ERROR_FILENAME_EXCED_RANGE, "File name too long"},
  };
  for (const ReasonCase& test : cases) {
    SCOPED_TRACE(test.code);
    Status status = WinErrorStatus(test.code);
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(status.reason(), test.reason);
  }
}

TEST(WinErrorStatusTest, OtherCodesGetTheSystemTextAsAPhrase) {
  for (DWORD code : {DWORD{ERROR_CRC}, DWORD{ERROR_NOT_READY}, DWORD{ERROR_BAD_NETPATH}}) {
    SCOPED_TRACE(code);
    Status status = WinErrorStatus(code);
    EXPECT_FALSE(status.ok());
    ASSERT_FALSE(status.reason().empty());
    EXPECT_NE(status.reason().back(), '\n');
    EXPECT_NE(status.reason().back(), '.');
  }
}

}  // namespace
}  // namespace q9

#endif  // _WIN32
