// MakeBackup for Windows: a hard link where the file system has them (NTFS),
// else an exclusive copy. Paths go to the wide ("W") calls, as in the line store.
#include "batch/backup.h"

#ifdef _WIN32

#include <windows.h>

#include <string>

#include "linestore/error_status_win.h"
#include "linestore/wide_path_win.h"

namespace q9 {
namespace {

bool AlreadyExists(DWORD code) { return code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS; }

Status BackupError(const std::string& backup_path, DWORD code) {
  if (AlreadyExists(code)) return Status::Error("backup " + backup_path + " already exists");
  return Status::Error("backup " + backup_path + ": " + WinErrorStatus(code).reason());
}

// Failures after which a copy may still succeed where the link did not: another
// volume, a file system without hard links (FAT), too many links, or a file we
// may read but not link.
bool LinkUnsupported(DWORD code) {
  return code == ERROR_NOT_SAME_DEVICE || code == ERROR_INVALID_FUNCTION ||
         code == ERROR_NOT_SUPPORTED || code == ERROR_TOO_MANY_LINKS || code == ERROR_ACCESS_DENIED;
}

// The copy is flushed like a save, so the backup is on the disk before the
// original is replaced. 0 or the first failure; a failed copy is removed.
DWORD CopyInto(const std::string& path, const std::string& backup_path) {
  if (!CopyFileW(WidePath(path).c_str(), WidePath(backup_path).c_str(), /*bFailIfExists=*/TRUE))
    return GetLastError();
  // CopyFile carries the read-only attribute over; opening for the flush must not fail on it.
  DWORD attributes = GetFileAttributesW(WidePath(backup_path).c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    SetFileAttributesW(WidePath(backup_path).c_str(),
                       attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  }
  DWORD error = 0;
  HANDLE file = CreateFileW(WidePath(backup_path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE || !FlushFileBuffers(file)) error = GetLastError();
  if (file != INVALID_HANDLE_VALUE && !CloseHandle(file) && error == 0) error = GetLastError();
  if (error == 0 && attributes != INVALID_FILE_ATTRIBUTES) {
    SetFileAttributesW(WidePath(backup_path).c_str(), attributes);
  }
  if (error != 0) DeleteFileW(WidePath(backup_path).c_str());
  return error;
}

}  // namespace

Status MakeBackup(const Folder& folder, const std::string& name, const FileId& id,
                  const Folder& backup_folder, const std::string& backup_name,
                  const std::string& shown) {
  // Names here are followed like any path; the id check is left to the save.
  (void)id;
  const std::string path = folder.prefix() + name;
  const std::string backup_path = backup_folder.prefix() + backup_name;
  if (CreateHardLinkW(WidePath(backup_path).c_str(), WidePath(path).c_str(), nullptr))
    return Status();
  DWORD error = GetLastError();
  if (LinkUnsupported(error)) error = CopyInto(path, backup_path);
  return error == 0 ? Status() : BackupError(shown, error);
}

}  // namespace q9

#endif  // _WIN32
