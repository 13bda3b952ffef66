#include "linestore/win_status.h"

#ifdef _WIN32

#include <windows.h>

#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "gtest/gtest.h"

namespace q9 {
namespace {

// The reasons users see in "Fehler beim Schreiben der Datei: ..." read as on
// other systems (the line store tests meet the missing file and folder); any
// other code gets the system's text as a bare phrase.
TEST(WinErrorStatusTest, ReasonsReadAsElsewhere) {
  const std::vector<std::pair<DWORD, std::string>> cases = {
      {ERROR_ACCESS_DENIED, "Permission denied"},
      {ERROR_SHARING_VIOLATION, "Permission denied"},
      {ERROR_DISK_FULL, "No space left on device"},
      {ERROR_WRITE_PROTECT, "Read-only file system"},
  };
  for (const auto& [code, reason] : cases) {
    SCOPED_TRACE(code);
    EXPECT_EQ(WinErrorStatus(code).reason(), reason);
  }
  const std::string other = WinErrorStatus(ERROR_CRC).reason();
  ASSERT_FALSE(other.empty());
  EXPECT_EQ(std::string(". \r\n").find(other.back()), std::string::npos) << other;
  EXPECT_TRUE(std::system_category().message(ERROR_CRC).starts_with(other)) << other;
}

}  // namespace
}  // namespace q9

#endif  // _WIN32
