#include "linestore/line_store.h"

#include "linestore/line_chunks.h"

// Open and Save on Windows live in line_store_win.cc; the line format is shared.
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>
#include <system_error>
#endif  // _WIN32

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace q9 {
namespace {

#ifndef _WIN32
// The kernel's own limit on a chain of symbolic links; the same bound here
// means a loop is reported like the kernel would.
constexpr int kMaxLinkHops = 40;

// The longest name a directory entry may have on the usual file systems.
constexpr size_t kMaxNameLength = 255;

constexpr std::string_view kTempInfix = ".tmp";
constexpr size_t kTempSuffixLength = 8;
constexpr int kTempAttempts = 100;

std::string ErrnoText(int error) { return std::generic_category().message(error); }

Status ErrnoStatus(int error) { return Status::Error(ErrnoText(error)); }

// Owns one file descriptor and closes it on every path out of a function.
class ScopedFd {
 public:
  explicit ScopedFd(int fd) : fd_(fd) {}
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;
  ~ScopedFd() {
    if (fd_ >= 0) close(fd_);
  }

  int get() const { return fd_; }
  // Hands the descriptor back to the caller, who then closes it (and checks).
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};
#endif  // _WIN32

#ifndef _WIN32
Status RefuseNonRegular(mode_t mode) {
  if (S_ISDIR(mode)) return ErrnoStatus(EISDIR);
  return Status::Error("not a regular file");
}

Status ReadLines(int fd, LineList* lines) {
  std::string chunk(kChunkSize, '\0');
  std::string pending;
  for (;;) {
    ssize_t got = read(fd, chunk.data(), chunk.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      return ErrnoStatus(errno);
    }
    if (got == 0) break;
    AppendChunk(std::string_view(chunk.data(), static_cast<size_t>(got)), &pending, lines);
  }
  FinishLines(&pending, lines);
  return Status();
}

// The directory part of |path| including its final slash, or "" for a bare
// name, so that prefix + name addresses a sibling of |path|.
std::string_view DirPrefix(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string_view BaseName(std::string_view path) { return path.substr(DirPrefix(path).size()); }

Status ReadLinkTarget(const std::string& link, std::string* target) {
  std::string buffer(256, '\0');
  for (;;) {
    ssize_t got = readlink(link.c_str(), buffer.data(), buffer.size());
    if (got < 0) return ErrnoStatus(errno);
    if (static_cast<size_t>(got) < buffer.size()) {
      buffer.resize(static_cast<size_t>(got));
      *target = std::move(buffer);
      return Status();
    }
    buffer.resize(buffer.size() * 2);  // possibly cut short: try a larger buffer
  }
}

// The file that a save to |path| replaces: |path| itself, or the end of the
// chain of symbolic links starting there, so the links stay links. |*exists|
// tells whether that file is there yet (a dangling link's target is not).
Status ResolveTarget(const std::string& path, std::string* target, bool* exists,
                     struct stat* info) {
  std::string current = path;
  for (int hop = 0;; ++hop) {
    if (lstat(current.c_str(), info) != 0) {
      if (errno != ENOENT) return ErrnoStatus(errno);
      *exists = false;
      *target = std::move(current);
      return Status();
    }
    if (!S_ISLNK(info->st_mode)) {
      *exists = true;
      *target = std::move(current);
      return Status();
    }
    if (hop == kMaxLinkHops) return ErrnoStatus(ELOOP);
    std::string next;
    if (Status status = ReadLinkTarget(current, &next); !status.ok()) return status;
    // A relative link target names a file beside the link, not beside us.
    current = next.starts_with('/') ? std::move(next) : std::string(DirPrefix(current)) + next;
  }
}

// Mode bits are checked as well as access, because access alone lets root
// write anything: a script marked read-only stays untouched for everybody.
Status CheckWritable(const std::string& target, const struct stat& info) {
  if (!S_ISREG(info.st_mode)) return RefuseNonRegular(info.st_mode);
  if ((info.st_mode & 0222) == 0) return Status::Error("read-only file");
  if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) return ErrnoStatus(errno);
  return Status();
}

std::string RandomSuffix(std::random_device& random) {
  constexpr std::string_view kAlphabet =
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::uniform_int_distribution<size_t> pick(0, kAlphabet.size() - 1);
  std::string suffix;
  for (size_t i = 0; i < kTempSuffixLength; ++i) suffix += kAlphabet[pick(random)];
  return suffix;
}

// Creates a new, hidden file beside |target|. O_EXCL guarantees it is ours.
// |mode| 0666 lets the kernel apply the umask to a file that is new; 0600 keeps
// a replacement private until it gets the script's own mode.
Status CreateTemp(const std::string& target, mode_t mode, std::string* temp_path, int* fd) {
  std::string_view base = BaseName(target);
  // A long script name must not push the temporary name past the name limit.
  size_t room = kMaxNameLength - 1 - kTempInfix.size() - kTempSuffixLength;
  std::string stem = std::string(DirPrefix(target)) + "." + std::string(base.substr(0, room)) +
                     std::string(kTempInfix);
  std::random_device random;
  for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
    std::string candidate = stem + RandomSuffix(random);
    int opened = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (opened >= 0) {
      *temp_path = std::move(candidate);
      *fd = opened;
      return Status();
    }
    if (errno != EEXIST) return ErrnoStatus(errno);
  }
  return ErrnoStatus(EEXIST);
}

// The owner first: a change of owner clears set-user-ID and set-group-ID, which
// the mode change afterwards restores. Only root may give a file away, so a
// failed change of owner is expected and leaves the file to the caller.
Status CopyOwnerAndMode(int fd, const struct stat& info) {
  if (fchown(fd, info.st_uid, info.st_gid) != 0) {
    // Not fatal: the new content simply belongs to whoever saved it.
  }
  if (fchmod(fd, info.st_mode & 07777) != 0) return ErrnoStatus(errno);
  return Status();
}

Status WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t put = write(fd, bytes.data(), bytes.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return ErrnoStatus(errno);
    }
    if (put == 0) return ErrnoStatus(EIO);  // no progress: do not spin
    bytes.remove_prefix(static_cast<size_t>(put));
  }
  return Status();
}

Status WriteLines(int fd, const LineList& lines) {
  return WriteLinesInChunks(lines, [fd](std::string_view bytes) { return WriteAll(fd, bytes); });
}

// Fills the temporary file, makes it durable and closes it; |fd| is closed on
// every path.
Status FillTemp(int fd, const LineList& lines, bool exists, const struct stat& info) {
  ScopedFd owned(fd);
  if (Status status = WriteLines(fd, lines); !status.ok()) return status;
  // After the writes: a write by anyone but root clears set-ID bits.
  if (exists) {
    if (Status status = CopyOwnerAndMode(fd, info); !status.ok()) return status;
  }
  if (fsync(fd) != 0) return ErrnoStatus(errno);
  // Not retried on EINTR: the descriptor is gone either way on this system.
  if (close(owned.Release()) != 0) return ErrnoStatus(errno);
  return Status();
}

// Best effort: makes the rename itself survive a crash. The new content is
// already safe, so a failure here does not fail the save.
void SyncDirectory(const std::string& target) {
  std::string dir(DirPrefix(target));
  if (dir.empty()) dir = ".";
  ScopedFd fd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() >= 0) fsync(fd.get());
}
#endif  // _WIN32

}  // namespace

LineList SplitLines(std::string_view bytes) {
  LineList lines;
  std::string pending;
  AppendChunk(bytes, &pending, &lines);
  FinishLines(&pending, &lines);
  return lines;
}

std::string JoinLines(const LineList& lines) {
  size_t total = 0;
  for (const std::string& line : lines) total += line.size() + 1;
  std::string bytes;
  bytes.reserve(total);
  for (const std::string& line : lines) {
    bytes += line;
    bytes += '\n';
  }
  return bytes;
}

#ifndef _WIN32
Status Open(const std::string& path, LineList* lines) {
  lines->clear();
  // O_NONBLOCK: opening a FIFO must not wait for a writer before we can refuse it.
  ScopedFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) {
    if (errno == ENOENT) return Status();  // no script yet reads as an empty one
    return ErrnoStatus(errno);
  }
  struct stat info;
  if (fstat(fd.get(), &info) != 0) return ErrnoStatus(errno);
  if (!S_ISREG(info.st_mode)) return RefuseNonRegular(info.st_mode);
  Status status = ReadLines(fd.get(), lines);
  if (!status.ok()) lines->clear();
  return status;
}

Status Save(const std::string& path, const LineList& lines) {
  if (path.empty()) return ErrnoStatus(ENOENT);
  std::string target;
  bool exists = false;
  struct stat info {};
  if (Status status = ResolveTarget(path, &target, &exists, &info); !status.ok()) return status;
  if (BaseName(target).empty()) return ErrnoStatus(EISDIR);  // "dir/" names no file
  if (exists) {
    if (Status status = CheckWritable(target, info); !status.ok()) return status;
  }
  std::string temp_path;
  int fd = -1;
  const mode_t temp_mode = exists ? 0600 : 0666;
  if (Status status = CreateTemp(target, temp_mode, &temp_path, &fd); !status.ok()) return status;
  Status status = FillTemp(fd, lines, exists, info);
  if (status.ok() && rename(temp_path.c_str(), target.c_str()) != 0) status = ErrnoStatus(errno);
  if (!status.ok()) {
    unlink(temp_path.c_str());
    return status;
  }
  SyncDirectory(target);
  return Status();
}
#endif  // _WIN32

LineList InsertVString(LineList lines, int index, std::string line) {
  lines.insert(lines.begin() + index, std::move(line));
  return lines;
}

}  // namespace q9
