#include "linestore/error_status_win.h"

#ifdef _WIN32

#include <windows.h>

#include <cerrno>
#include <string>
#include <system_error>

namespace q9 {
namespace {

// The errno value whose text describes |code|, or 0 for none.
int EquivalentErrno(DWORD code) {
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    default:
      return 0;
  }
}

}  // namespace

Status WinErrorStatus(unsigned long code) {
  const DWORD win_code = static_cast<DWORD>(code);
  if (int error = EquivalentErrno(win_code); error != 0) {
    return Status::Error(std::generic_category().message(error));
  }
  std::string text = std::system_category().message(static_cast<int>(win_code));
  // The system's texts end in ".\r\n" or "."; a reason is a bare phrase.
  while (!text.empty() &&
         (text.back() == '\n' || text.back() == '\r' || text.back() == '.' || text.back() == ' ')) {
    text.pop_back();
  }
  if (text.empty()) text = "error " + std::to_string(win_code);
  return Status::Error(text);
}

}  // namespace q9

#endif  // _WIN32
