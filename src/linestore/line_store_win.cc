// Open and Save for Windows. Scripts are bytes here as everywhere: the file is
// read and written with the Win32 calls directly, so no layer translates CR LF.
// Paths go to the wide ("W") calls by way of WidePath.
#include "linestore/line_store.h"

#ifdef _WIN32

#include <windows.h>

#include <cerrno>
#include <cstddef>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "linestore/line_chunks.h"
#include "linestore/win_path.h"
#include "linestore/win_status.h"

namespace q9 {
namespace {

constexpr DWORD kChunkBytes = static_cast<DWORD>(kChunkSize);

// The longest name a directory entry may have on NTFS and FAT with long names.
constexpr size_t kMaxNameLength = 255;

constexpr std::string_view kTempInfix = ".tmp";
constexpr size_t kTempSuffixLength = 8;
constexpr int kTempAttempts = 100;

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

Status ReadLines(HANDLE file, LineList* lines) {
  std::string chunk(kChunkSize, '\0');
  std::string pending;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, chunk.data(), kChunkBytes, &got, nullptr)) return LastError();
    if (got == 0) break;
    AppendChunk(std::string_view(chunk.data(), got), &pending, lines);
  }
  FinishLines(&pending, lines);
  return Status();
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
  constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::uniform_int_distribution<size_t> pick(0, kAlphabet.size() - 1);
  std::string suffix;
  for (size_t i = 0; i < kTempSuffixLength; ++i) suffix += kAlphabet[pick(random)];
  return suffix;
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

// Fills the temporary file, makes it durable and closes it; |file| is closed
// on every path.
Status FillTemp(HANDLE file, const LineList& lines) {
  ScopedHandle owned(file);
  if (Status status = WriteLines(file, lines); !status.ok()) return status;
  if (!FlushFileBuffers(file)) return LastError();
  if (!CloseHandle(owned.Release())) return LastError();
  return Status();
}

}  // namespace

Status Open(const std::string& path, LineList* lines) {
  lines->clear();
  if (path.empty()) return Status();  // names no file, as elsewhere
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
  Status status = ReadLines(file.get(), lines);
  if (!status.ok()) lines->clear();
  return status;
}

Status Save(const std::string& path, const LineList& lines) {
  if (path.empty()) return WinErrorStatus(ERROR_FILE_NOT_FOUND);
  std::string target;
  DWORD attributes = INVALID_FILE_ATTRIBUTES;
  if (Status status = ResolveTarget(path, &target, &attributes); !status.ok()) return status;
  if (BaseName(target).empty()) return IsDirectoryError();  // "dir\" names no file
  const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
  if (exists) {
    if (Status status = CheckWritable(target, attributes); !status.ok()) return status;
  }
  DWORD temp_attributes = exists ? (attributes & kKeptAttributes) : 0;
  if (temp_attributes == 0) temp_attributes = FILE_ATTRIBUTE_NORMAL;
  std::string temp_path;
  HANDLE file = INVALID_HANDLE_VALUE;
  if (Status status = CreateTemp(target, temp_attributes, &temp_path, &file); !status.ok()) {
    return status;
  }
  Status status = FillTemp(file, lines);
  // WRITE_THROUGH: the call returns once the rename itself is on the disk.
  if (status.ok() && !MoveFileExW(WidePath(temp_path).c_str(), WidePath(target).c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    status = LastError();
  }
  if (!status.ok()) DeleteFileW(WidePath(temp_path).c_str());
  return status;
}

}  // namespace q9

#endif  // _WIN32
