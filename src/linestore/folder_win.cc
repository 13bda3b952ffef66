// Folders on Windows: a path with its final separator. Windows keeps a folder
// in use from being removed or renamed meanwhile anyway, so a path serves.
#include "linestore/folder.h"

#ifdef _WIN32

#include <windows.h>

#include <cerrno>
#include <utility>

#include "linestore/error_status_win.h"
#include "linestore/wide_path_win.h"

namespace q9 {
namespace {

bool IsMissing(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

std::string WithSeparator(const std::string& path) {
  if (path.empty() || path.ends_with('/') || path.ends_with('\\') || path.ends_with(':')) {
    return path;
  }
  return path + "/";
}

// The folder's volume and index, or unknown where the system does not say.
FileId IdOfFolder(const std::string& path) {
  HANDLE handle = CreateFileW(WidePath(path.empty() ? "." : path).c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return FileId();
  BY_HANDLE_FILE_INFORMATION info;
  FileId id;
  if (GetFileInformationByHandle(handle, &info)) {
    id = {info.dwVolumeSerialNumber,
          (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  }
  CloseHandle(handle);
  return id;
}

// 100-nanosecond steps since 1601 to seconds since 1970.
std::int64_t UnixSeconds(const FILETIME& time) {
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return static_cast<std::int64_t>(ticks / 10000000ULL) - 11644473600LL;
}

}  // namespace

Folder::Folder(Folder&& other) noexcept { *this = std::move(other); }

Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) {
    open_ = std::exchange(other.open_, false);
    id_ = other.id_;
    prefix_ = std::move(other.prefix_);
  }
  return *this;
}

Folder::~Folder() = default;

Status Folder::Open(const std::string& path, Folder* folder, int* error_number) {
  const DWORD attributes = GetFileAttributesW(WidePath(path.empty() ? "." : path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    const DWORD code = attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_DIRECTORY;
    if (error_number != nullptr) *error_number = IsMissing(code) ? ENOENT : ENOTDIR;
    return WinErrorStatus(code);
  }
  Folder opened;
  opened.prefix_ = WithSeparator(path);
  opened.id_ = IdOfFolder(path);
  opened.open_ = true;
  *folder = std::move(opened);
  return Status();
}

Folder Folder::WorkingFolder() {
  Folder folder;
  folder.open_ = true;
  folder.id_ = IdOfFolder("");
  return folder;
}

Status Folder::OpenChild(const std::string& name, const FileId& expected, Folder* child) const {
  const std::string path = prefix_ + name;
  const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
  const bool folder = attributes != INVALID_FILE_ATTRIBUTES &&
                      (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                      !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
  if (!folder) {
    if (expected.known()) return Status::Error(kChangedWhileConverting);
    return WinErrorStatus(attributes == INVALID_FILE_ATTRIBUTES ? GetLastError() : ERROR_DIRECTORY);
  }
  Folder opened;
  opened.prefix_ = WithSeparator(path);
  opened.id_ = IdOfFolder(path);
  if (expected.known() && opened.id_.known() && opened.id_ != expected) {
    return Status::Error(kChangedWhileConverting);
  }
  opened.open_ = true;
  *child = std::move(opened);
  return Status();
}

Status Folder::List(std::vector<FolderEntry>* entries) const {
  entries->clear();
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(WidePath(prefix_ + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND ? Status() : WinErrorStatus(code);
  }
  do {
    const std::string name = Utf8FromWide(found.cFileName);
    if (name == "." || name == "..") continue;
    FolderEntry entry;
    entry.name = name;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      entry.kind = EntryKind::kLink;
    } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      entry.kind = EntryKind::kFolder;
    } else {
      entry.kind = EntryKind::kFile;
    }
    entry.modified_unix = UnixSeconds(found.ftLastWriteTime);
    entries->push_back(std::move(entry));
  } while (FindNextFileW(search, &found));
  const DWORD code = GetLastError();
  FindClose(search);
  if (code != ERROR_NO_MORE_FILES) {
    entries->clear();
    return WinErrorStatus(code);
  }
  return Status();
}

void Folder::RemoveFile(const std::string& name) const {
  DeleteFileW(WidePath(prefix_ + name).c_str());
}

// Renames are written through (MOVEFILE_WRITE_THROUGH): nothing is left to sync.
Status Folder::Sync() const { return Status(); }

}  // namespace q9

#endif  // _WIN32
