// Open and Save for Windows. Scripts are bytes here as everywhere: the file is
// read and written with the Win32 calls directly, so no layer translates CR LF.
// Paths go to the wide ("W") calls by way of WidePath.
#include "linestore/line_store.h"

#ifdef _WIN32

#include <windows.h>

#include <cerrno>
#include <cstddef>
#include <ctime>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "linestore/error_status_win.h"
#include "linestore/line_chunks.h"
#include "linestore/wide_path_win.h"

namespace q9 {
namespace {

constexpr DWORD kChunkBytes = static_cast<DWORD>(kChunkSize);

// The longest name a directory entry may have on NTFS and FAT with long names.
constexpr size_t kMaxNameLength = 255;

constexpr std::string_view kTempInfix = ".tmp";
constexpr size_t kTempSuffixLength = 8;
constexpr int kTempAttempts = 100;
constexpr std::string_view kTempAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
// A temporary file older than this is no save in progress any more.
constexpr std::int64_t kStaleSeconds = 60;

// Attributes that a replaced file passes on to its new content.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

Status LastError() { return WinErrorStatus(GetLastError()); }

bool IsMissing(DWORD code) { return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND; }

// Owns one handle and closes it on every path out of a function.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ~ScopedHandle() {
    if (valid()) CloseHandle(handle_);
  }

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  // Hands the handle back to the caller, who then closes it (and checks).
  HANDLE Release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }

 private:
  HANDLE handle_;
};

bool IsSeparator(char c) { return c == '/' || c == '\\' || c == ':'; }

// The directory part of |path| including its final separator (or the drive's
// colon in "C:name"), or "" for a bare name.
std::string_view DirPrefix(std::string_view path) {
  size_t end = path.size();
  while (end > 0 && !IsSeparator(path[end - 1])) --end;
  return path.substr(0, end);
}

std::string_view BaseName(std::string_view path) { return path.substr(DirPrefix(path).size()); }

// Hands |take| each chunk of |file| from its start to its end.
template <typename Take>
Status ReadChunks(HANDLE file, std::string* chunk, Take take) {
  if (!SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN)) return LastError();
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, chunk->data(), kChunkBytes, &got, nullptr)) return LastError();
    if (got == 0) return Status();
    take(std::string_view(chunk->data(), got));
  }
}

// |file| must be a file on a disk: it is read twice.
Status ReadLines(HANDLE file, LineList* lines) {
  std::string chunk(kChunkSize, '\0');
  return ReadLinesTwice([&](auto take) { return ReadChunks(file, &chunk, take); }, lines);
}

// Only files on a disk are scripts: a device name such as NUL or COM1 is not.
Status RefuseNonDisk(HANDLE file) {
  if (GetFileType(file) != FILE_TYPE_DISK) return Status::Error("not a regular file");
  return Status();
}

Status IsDirectoryError() { return Status::Error(std::generic_category().message(EISDIR)); }

// The file that a save to |path| replaces: |path| itself, or, for a symbolic
// link, the file it leads to, so the link stays a link.
Status ResolveTarget(const std::string& path, std::string* target, DWORD* attributes) {
  *attributes = GetFileAttributesW(WidePath(path).c_str());
  *target = path;
  if (*attributes == INVALID_FILE_ATTRIBUTES || !(*attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return Status();
  }
  ScopedHandle file(CreateFileW(WidePath(path).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LastError();
  std::wstring final_path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetFinalPathNameByHandleW(file.get(), final_path.data(),
                                             static_cast<DWORD>(final_path.size()),
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0) return LastError();
    if (length < final_path.size()) {
      final_path.resize(length);
      break;
    }
    final_path.resize(length);  // |length| counts the terminating NUL here
  }
  *target = Utf8FromWide(final_path);
  *attributes = GetFileAttributesW(final_path.c_str());
  if (*attributes == INVALID_FILE_ATTRIBUTES) return LastError();
  return Status();
}

// The read-only attribute is honoured as well as access, as the mode bits are
// elsewhere: a script marked read-only stays untouched.
Status CheckWritable(const std::string& target, DWORD attributes) {
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return IsDirectoryError();
  if (attributes & FILE_ATTRIBUTE_READONLY) return Status::Error("read-only file");
  // Opening for writing without truncation asks the system whether we may.
  ScopedHandle file(CreateFileW(WidePath(target).c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return LastError();
  return RefuseNonDisk(file.get());
}

std::string RandomSuffix(std::random_device& random) {
  std::uniform_int_distribution<size_t> pick(0, kTempAlphabet.size() - 1);
  std::string suffix;
  for (size_t i = 0; i < kTempSuffixLength; ++i) suffix += kTempAlphabet[pick(random)];
  return suffix;
}

bool IsTempName(std::string_view name) {
  if (name.size() < 2 + kTempInfix.size() + kTempSuffixLength || !name.starts_with('.')) {
    return false;
  }
  const std::string_view suffix = name.substr(name.size() - kTempSuffixLength);
  const std::string_view infix =
      name.substr(name.size() - kTempSuffixLength - kTempInfix.size(), kTempInfix.size());
  return infix == kTempInfix && suffix.find_first_not_of(kTempAlphabet) == std::string_view::npos;
}

Status Changed() { return Status::Error(kChangedWhileConverting); }

FileStamp StampOf(const BY_HANDLE_FILE_INFORMATION& info) {
  FileStamp stamp;
  stamp.exists = true;
  stamp.id = {info.dwVolumeSerialNumber,
              (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
  stamp.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  stamp.modified_ns = static_cast<std::int64_t>(
      ((static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
       info.ftLastWriteTime.dwLowDateTime) *
      100);
  return stamp;
}

// What is at |path| now; a missing file is a stamp that does not exist.
Status StampNow(const std::string& path, FileStamp* stamp) {
  *stamp = FileStamp();
  ScopedHandle file(CreateFileW(WidePath(path).c_str(), 0,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file.valid()) {
    const DWORD code = GetLastError();
    return IsMissing(code) ? Status() : WinErrorStatus(code);
  }
  if (Status status = RefuseNonDisk(file.get()); !status.ok()) return status;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file.get(), &info)) return LastError();
  *stamp = StampOf(info);
  return Status();
}

Status StillAsRead(const std::string& path, const FileStamp& read) {
  FileStamp now;
  if (Status status = StampNow(path, &now); !status.ok()) return status;
  return now == read ? Status() : Changed();
}

// Creates a new file beside |target|. CREATE_NEW guarantees it is ours.
Status CreateTemp(const std::string& target, DWORD attributes, std::string* temp_path,
                  HANDLE* file) {
  std::string_view base = BaseName(target);
  size_t room = kMaxNameLength - 1 - kTempInfix.size() - kTempSuffixLength;
  std::string stem = std::string(DirPrefix(target)) + "." + std::string(base.substr(0, room)) +
                     std::string(kTempInfix);
  std::random_device random;
  for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
    std::string candidate = stem + RandomSuffix(random);
    HANDLE opened = CreateFileW(WidePath(candidate).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                attributes, nullptr);
    if (opened != INVALID_HANDLE_VALUE) {
      *temp_path = std::move(candidate);
      *file = opened;
      return Status();
    }
    DWORD code = GetLastError();
    if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) return WinErrorStatus(code);
  }
  return WinErrorStatus(ERROR_FILE_EXISTS);
}

Status WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD size = bytes.size() < kChunkSize ? static_cast<DWORD>(bytes.size()) : kChunkBytes;
    DWORD put = 0;
    if (!WriteFile(file, bytes.data(), size, &put, nullptr)) return LastError();
    if (put == 0) return WinErrorStatus(ERROR_WRITE_FAULT);  // no progress: do not spin
    bytes.remove_prefix(put);
  }
  return Status();
}

Status WriteLines(HANDLE file, const LineList& lines) {
  return WriteLinesInChunks(lines,
                            [file](std::string_view bytes) { return WriteAll(file, bytes); });
}

Status WriteLines(HANDLE file, const JoinedLines& lines) {
  return WriteBlocks(lines, [file](std::string_view bytes) { return WriteAll(file, bytes); });
}

// Fills the temporary file, makes it durable and closes it; |file| is closed
// on every path.
template <typename Lines>
Status FillTemp(HANDLE file, const Lines& lines) {
  ScopedHandle owned(file);
  if (Status status = WriteLines(file, lines); !status.ok()) return status;
  if (!FlushFileBuffers(file)) return LastError();
  if (!CloseHandle(owned.Release())) return LastError();
  return Status();
}

}  // namespace

Status ResolveScript(const std::string& path, Folder* folder, std::string* name,
                     std::string* folder_path) {
  std::string target;
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  if (Status status = ResolveTarget(path, &target, &attributes); !status.ok()) return status;
  const std::string prefix(DirPrefix(target));
  Folder opened;
  int error = 0;
  if (Status status = Folder::Open(prefix, &opened, &error); !status.ok() && error != ENOENT) {
    return status;
  }
  *folder = std::move(opened);  // not open when it does not exist
  *name = std::string(BaseName(target));
  if (folder_path != nullptr) *folder_path = prefix;
  return Status();
}

Status OpenIn(const Folder& folder, const std::string& name, const FileId& expected,
              LineList* lines, FileStamp* stamp) {
  lines->clear();
  *stamp = FileStamp();
  if (!folder.is_open()) return Status();  // no folder, no script: an empty one
  if (name.empty()) return IsDirectoryError();
  const std::string path = folder.prefix() + name;
  ScopedHandle file(CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid()) {
    DWORD code = GetLastError();
    if (IsMissing(code)) return Status();  // no script yet reads as an empty one
    DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    // A folder cannot be opened as a file at all; say why in the usual words.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      return IsDirectoryError();
    }
    return WinErrorStatus(code);
  }
  if (Status status = RefuseNonDisk(file.get()); !status.ok()) return status;
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file.get(), &info)) return LastError();
  const FileStamp before = StampOf(info);
  if (expected.known() && before.id != expected) return Changed();
  Status status = ReadLines(file.get(), lines);
  if (status.ok() && !GetFileInformationByHandle(file.get(), &info)) status = LastError();
  if (status.ok() && StampOf(info) != before) status = Changed();  // written to while read
  if (!status.ok()) {
    lines->clear();
    return status;
  }
  *stamp = before;
  return Status();
}

namespace {

template <typename Lines>
Status SaveLinesIn(const Folder& folder, const std::string& name, const Lines& lines,
                   const FileStamp& read, const SaveOptions& options,
                   std::vector<std::string>* notes) {
  (void)options;  // renames are written through; no signal ends a save half-way here
  (void)notes;    // attributes are kept below; nothing else is refused
  if (name.empty()) return IsDirectoryError();  // "dir\" names no file
  if (!folder.is_open()) return WinErrorStatus(ERROR_PATH_NOT_FOUND);
  const std::string target = folder.prefix() + name;
  if (Status status = StillAsRead(target, read); !status.ok()) return status;
  const DWORD attributes = GetFileAttributesW(WidePath(target).c_str());
  if (read.exists) {
    if (Status status = CheckWritable(target, attributes); !status.ok()) return status;
  }
  DWORD temp_attributes = read.exists ? (attributes & kKeptAttributes) : 0;
  if (temp_attributes == 0) temp_attributes = FILE_ATTRIBUTE_NORMAL;
  std::string temp_path;
  HANDLE file = INVALID_HANDLE_VALUE;
  if (Status status = CreateTemp(target, temp_attributes, &temp_path, &file); !status.ok()) {
    return status;
  }
  Status status = FillTemp(file, lines);
  // The last look before the rename: text appended meanwhile would be lost.
  if (status.ok()) status = StillAsRead(target, read);
  // WRITE_THROUGH: the call returns once the rename itself is on the disk.
  const DWORD replace = read.exists ? MOVEFILE_REPLACE_EXISTING : 0;
  if (status.ok() &&
      !MoveFileExW(WidePath(temp_path).c_str(), WidePath(target).c_str(),
                   replace | MOVEFILE_WRITE_THROUGH)) {
    const DWORD code = GetLastError();
    status = code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS ? Changed()
                                                                       : WinErrorStatus(code);
  }
  if (!status.ok()) DeleteFileW(WidePath(temp_path).c_str());
  return status;
}

}  // namespace

Status SaveIn(const Folder& folder, const std::string& name, const LineList& lines,
              const FileStamp& read, const SaveOptions& options, std::vector<std::string>* notes) {
  return SaveLinesIn(folder, name, lines, read, options, notes);
}

Status SaveIn(const Folder& folder, const std::string& name, const JoinedLines& lines,
              const FileStamp& read, const SaveOptions& options, std::vector<std::string>* notes) {
  return SaveLinesIn(folder, name, lines, read, options, notes);
}

void RemoveStaleTemps(const Folder& folder) {
  std::vector<FolderEntry> entries;
  if (!folder.List(&entries).ok()) return;
  const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
  for (const FolderEntry& entry : entries) {
    if (entry.kind == EntryKind::kFile && IsTempName(entry.name) &&
        now - entry.modified_unix > kStaleSeconds) {
      folder.RemoveFile(entry.name);
    }
  }
}

Status Open(const std::string& path, LineList* lines) {
  lines->clear();
  if (path.empty()) return Status();  // names no file, as elsewhere
  Folder folder;
  std::string name;
  if (Status status = ResolveScript(path, &folder, &name); !status.ok()) return status;
  FileStamp stamp;
  return OpenIn(folder, name, FileId(), lines, &stamp);
}

Status Save(const std::string& path, const LineList& lines) {
  if (path.empty()) return WinErrorStatus(ERROR_FILE_NOT_FOUND);
  Folder folder;
  std::string name;
  if (Status status = ResolveScript(path, &folder, &name); !status.ok()) return status;
  // Whatever is there now is what gets replaced.
  FileStamp now;
  if (folder.is_open() && !name.empty()) {
    if (Status status = StampNow(folder.prefix() + name, &now); !status.ok()) return status;
  }
  std::vector<std::string> notes;
  return SaveIn(folder, name, lines, now, SaveOptions(), &notes);
}

}  // namespace q9

#endif  // _WIN32
