#include "linestore/line_store.h"

#include "linestore/line_chunks.h"

// Open and Save on Windows live in line_store_win.cc; the line format is shared.
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <random>
#include <system_error>
#endif  // _WIN32

#include <algorithm>
#include <cstddef>
#include <deque>
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
constexpr std::string_view kTempAlphabet =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

// A temporary file older than this is no save in progress any more.
constexpr std::int64_t kStaleSeconds = 60;

std::string ErrnoText(int error) { return std::generic_category().message(error); }

Status ErrnoStatus(int error) { return Status::Error(ErrnoText(error)); }

Status Changed() { return Status::Error(kChangedWhileConverting); }

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

Status RefuseNonRegular(mode_t mode) {
  if (S_ISDIR(mode)) return ErrnoStatus(EISDIR);
  return Status::Error("not a regular file");
}

FileStamp StampOf(const struct stat& info) {
  FileStamp stamp;
  stamp.exists = true;
  stamp.id = {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
  stamp.size = static_cast<std::uint64_t>(info.st_size);
  stamp.modified_ns = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 +
                      static_cast<std::int64_t>(info.st_mtim.tv_nsec);
  return stamp;
}

// Whether |name| in the folder is still what |read| saw; |*info| gets what is there now.
Status StillAsRead(int dir, const std::string& name, const FileStamp& read, struct stat* info) {
  if (fstatat(dir, name.c_str(), info, AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT) return ErrnoStatus(errno);
    return read.exists ? Changed() : Status();
  }
  return read.exists && StampOf(*info) == read ? Status() : Changed();
}

// Hands |take| each chunk of |fd| from its start to its end.
template <typename Take>
Status ReadChunks(int fd, std::string* chunk, Take take) {
  if (lseek(fd, 0, SEEK_SET) != 0) return ErrnoStatus(errno);
  for (;;) {
    const ssize_t got = read(fd, chunk->data(), chunk->size());
    if (got < 0) {
      if (errno == EINTR) continue;
      return ErrnoStatus(errno);
    }
    if (got == 0) return Status();
    take(std::string_view(chunk->data(), static_cast<size_t>(got)));
  }
}

// |fd| must be a regular file: it is read twice.
Status ReadLines(int fd, LineList* lines) {
  std::string chunk(kChunkSize, '\0');
  return ReadLinesTwice([&](auto take) { return ReadChunks(fd, &chunk, take); }, lines);
}

// The directory part of |path| including its final slash, or "" for a bare
// name, so that prefix + name addresses a sibling of |path|.
std::string_view DirPrefix(std::string_view path) {
  size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string_view BaseName(std::string_view path) { return path.substr(DirPrefix(path).size()); }

int ReadLinkTarget(const std::string& link, std::string* target) {
  std::string buffer(256, '\0');
  for (;;) {
    ssize_t got = readlink(link.c_str(), buffer.data(), buffer.size());
    if (got < 0) return errno;
    if (static_cast<size_t>(got) < buffer.size()) {
      buffer.resize(static_cast<size_t>(got));
      *target = std::move(buffer);
      return 0;
    }
    buffer.resize(buffer.size() * 2);  // possibly cut short: try a larger buffer
  }
}

// The end of the chain of symbolic links starting at |path| (|path| itself
// when it is no link), as a folder and a name: 0 or the errno that stopped it.
int Resolve(const std::string& path, Folder* folder, std::string* name, std::string* folder_path) {
  std::string current = path;
  for (int hop = 0;; ++hop) {
    struct stat info;
    if (lstat(current.c_str(), &info) != 0) {
      if (errno != ENOENT) return errno;
      break;  // a dangling link's target is not there yet
    }
    if (!S_ISLNK(info.st_mode)) break;
    if (hop == kMaxLinkHops) return ELOOP;
    std::string next;
    if (int error = ReadLinkTarget(current, &next); error != 0) return error;
    // A relative link target names a file beside the link, not beside us.
    current = next.starts_with('/') ? std::move(next) : std::string(DirPrefix(current)) + next;
  }
  Folder opened;
  int error = 0;
  if (!Folder::Open(std::string(DirPrefix(current)), &opened, &error).ok() && error != ENOENT) {
    return error;
  }
  *folder = std::move(opened);  // not open when it does not exist
  *name = std::string(BaseName(current));
  if (folder_path != nullptr) *folder_path = std::string(DirPrefix(current));
  return 0;
}

// Mode bits are checked as well as access, because access alone lets root
// write anything: a script marked read-only stays untouched for everybody.
Status CheckWritable(int dir, const std::string& name, const struct stat& info) {
  if (!S_ISREG(info.st_mode)) return RefuseNonRegular(info.st_mode);
  if ((info.st_mode & 0222) == 0) return Status::Error("read-only file");
  if (faccessat(dir, name.c_str(), W_OK, AT_EACCESS) != 0) return ErrnoStatus(errno);
  return Status();
}

std::string RandomSuffix(std::random_device& random) {
  std::uniform_int_distribution<size_t> pick(0, kTempAlphabet.size() - 1);
  std::string suffix;
  for (size_t i = 0; i < kTempSuffixLength; ++i) suffix += kTempAlphabet[pick(random)];
  return suffix;
}

// ".NAME.tmp": a long script name must not push the temporary name past the limit.
std::string TempStem(const std::string& name) {
  size_t room = kMaxNameLength - 1 - kTempInfix.size() - kTempSuffixLength;
  return "." + name.substr(0, room) + std::string(kTempInfix);
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

// An unnamed file can be given a name only through /proc (or with a privilege).
bool CanNameUnnamedFiles() { return faccessat(AT_FDCWD, "/proc/self/fd", X_OK, 0) == 0; }

// The file that takes the new content: unnamed (O_TMPFILE) until it is put in
// place, where the system allows it, else under a hidden name beside the
// target from the start. Whatever name it has is removed again unless Place
// succeeds, and is known to |temps| while it exists.
class NewFile {
 public:
  NewFile(int dir, TempNames* temps) : dir_(dir), temps_(temps) {}
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;
  ~NewFile() {
    if (fd_ >= 0) close(fd_);
    if (!name_.empty()) unlinkat(dir_, name_.c_str(), 0);
    Release();
  }

  // |mode| 0666 lets the kernel apply the umask to a file that is new; 0600
  // keeps a replacement private until it gets the script's own mode.
  Status Create(const std::string& target, mode_t mode) {
    if (CanNameUnnamedFiles()) {
      fd_ = openat(dir_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
      if (fd_ >= 0) return Status();
      // Only a file system (or kernel) without unnamed files falls back.
      if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return ErrnoStatus(errno);
    }
    return TakeName(target, [&](const std::string& candidate) {
      fd_ = openat(dir_, candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
      return fd_ >= 0;
    });
  }

  int fd() const { return fd_; }

  // Gives the synced content the name |target|: over the file there when
  // |replace|, else only where no file is.
  Status Place(const std::string& target, bool replace) {
    if (name_.empty()) {
      const std::string self = "/proc/self/fd/" + std::to_string(fd_);
      auto link_to = [&](const std::string& name) {
        return linkat(AT_FDCWD, self.c_str(), dir_, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
      };
      if (!replace) {
        if (!link_to(target)) return errno == EEXIST ? Changed() : ErrnoStatus(errno);
        return Status();  // the content was synced: closing can lose nothing now
      }
      // Renaming is the only way to replace a name atomically, and it takes a
      // name: the file has one for the moment between the two calls.
      if (Status status = TakeName(target, link_to); !status.ok()) return status;
    }
    // Not retried on EINTR: the descriptor is gone either way on this system.
    if (close(std::exchange(fd_, -1)) != 0) return ErrnoStatus(errno);
    if (replace) {
      if (renameat(dir_, name_.c_str(), dir_, target.c_str()) != 0) return ErrnoStatus(errno);
    } else if (linkat(dir_, name_.c_str(), dir_, target.c_str(), 0) == 0) {
      unlinkat(dir_, name_.c_str(), 0);
    } else if (errno == EEXIST) {
      return Changed();
    } else if (renameat(dir_, name_.c_str(), dir_, target.c_str()) != 0) {
      return ErrnoStatus(errno);  // a file system without hard links renames
    }
    name_.clear();
    Release();
    return Status();
  }

 private:
  // Finds a free hidden name for |target| and has |create| make it; create
  // fails with EEXIST for a name that is taken.
  template <typename Create>
  Status TakeName(const std::string& target, Create create) {
    const std::string stem = TempStem(target);
    std::random_device random;
    for (int attempt = 0; attempt < kTempAttempts; ++attempt) {
      std::string candidate = stem + RandomSuffix(random);
      if (temps_ != nullptr) {
        slot_ = temps_->Claim(dir_, candidate);
        if (slot_ == TempNames::kEnding) return Status::Error("interrupted");
      }
      if (create(candidate)) {
        name_ = std::move(candidate);
        if (temps_ != nullptr) temps_->Named(slot_);
        return Status();
      }
      const int error = errno;
      Release();
      if (error != EEXIST) return ErrnoStatus(error);
    }
    return ErrnoStatus(EEXIST);
  }

  void Release() {
    if (temps_ != nullptr) temps_->Release(slot_);
    slot_ = TempNames::kNoSlot;
  }

  int dir_;
  TempNames* temps_;
  int fd_ = -1;
  std::string name_;  // empty while the file has no name
  int slot_ = TempNames::kNoSlot;
};

// Copies every extended attribute of |from| (ACLs are two of them) that
// |to| does not hold already; notes those the system refuses to set.
void CopyAttributes(int from, int to, std::vector<std::string>* notes) {
  ssize_t size = flistxattr(from, nullptr, 0);
  if (size <= 0) return;  // none, or a file system without them
  std::string names(static_cast<size_t>(size), '\0');
  size = flistxattr(from, names.data(), names.size());
  if (size < 0) {
    notes->push_back("extended attributes not kept: " + ErrnoText(errno));
    return;
  }
  names.resize(static_cast<size_t>(size));
  for (size_t at = 0; at < names.size();) {
    const std::string name = names.c_str() + at;
    at += name.size() + 1;
    ssize_t length = fgetxattr(from, name.c_str(), nullptr, 0);
    std::string value(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) length = fgetxattr(from, name.c_str(), value.data(), value.size());
    if (length < 0) {
      notes->push_back("extended attribute " + name + " not kept: " + ErrnoText(errno));
      continue;
    }
    value.resize(static_cast<size_t>(length));
    std::string there(value.size(), '\0');
    if (fgetxattr(to, name.c_str(), there.data(), there.size()) == length && there == value) {
      continue;  // given to every new file alike, such as a security label
    }
    if (fsetxattr(to, name.c_str(), value.data(), value.size(), 0) != 0) {
      notes->push_back("extended attribute " + name + " not kept: " + ErrnoText(errno));
    }
  }
}

// Gives the new content |fd| what the old file |info| had. The owner first: a
// change of owner clears set-user-ID and set-group-ID, which the mode change
// afterwards restores. Only root may give a file away; anyone may give it a
// group they belong to, so a shared script stays writable by its group.
Status KeepWhatTheFileHad(int fd, int dir, const std::string& name, const struct stat& info,
                          std::vector<std::string>* notes) {
  int owner_error = 0;
  int group_error = 0;
  if (fchown(fd, info.st_uid, info.st_gid) != 0) {
    owner_error = errno;
    if (fchown(fd, static_cast<uid_t>(-1), info.st_gid) != 0) group_error = errno;
  }
  struct stat now;
  if (fstat(fd, &now) != 0) return ErrnoStatus(errno);
  mode_t mode = info.st_mode & 07777;
  // A set-ID bit would now lend someone else's rights.
  if (now.st_uid != info.st_uid) {
    notes->push_back("owner not kept: " + ErrnoText(owner_error != 0 ? owner_error : EPERM));
    mode &= static_cast<mode_t>(~S_ISUID);
  }
  if (now.st_gid != info.st_gid) {
    const int error = group_error != 0 ? group_error : owner_error;
    notes->push_back("group not kept: " + ErrnoText(error != 0 ? error : EPERM));
    mode &= static_cast<mode_t>(~S_ISGID);
  }
  if (fchmod(fd, mode) != 0) return ErrnoStatus(errno);
  // After the mode: an ACL sets the group bits itself.
  ScopedFd old(openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (old.get() < 0) {
    notes->push_back("extended attributes not kept: " + ErrnoText(errno));
  } else {
    CopyAttributes(old.get(), fd, notes);
  }
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

Status WriteLines(int fd, const JoinedLines& lines) {
  return WriteBlocks(lines, [fd](std::string_view bytes) { return WriteAll(fd, bytes); });
}
#endif  // _WIN32

}  // namespace

std::vector<std::string_view> SplitViews(std::string_view bytes) {
  std::vector<std::string_view> lines;
  lines.reserve(static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
  for (std::size_t start = 0; start < bytes.size();) {
    const std::size_t lf = std::min(bytes.find('\n', start), bytes.size());
    lines.push_back(bytes.substr(start, lf - start));
    start = lf + 1;
  }
  return lines;
}

LineList SplitLines(std::string_view bytes) {
  const std::vector<std::string_view> views = SplitViews(bytes);
  return LineList(views.begin(), views.end());
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

namespace {

// Appends |line| and its LF to the last block of |*blocks|, or to a new one.
void Append(std::string_view line, std::deque<std::string>* blocks) {
  if (blocks->empty() || blocks->back().capacity() - blocks->back().size() <= line.size()) {
    blocks->emplace_back().reserve(std::max(kJoinedBlock, line.size() + 1));
  }
  blocks->back().append(line);
  blocks->back() += '\n';
}

// Views of the |count| lines that |blocks| hold, each ended by an LF.
std::vector<std::string_view> ViewsOfBlocks(const std::deque<std::string>& blocks,
                                            std::size_t count) {
  std::vector<std::string_view> lines;
  lines.reserve(count);
  // One pass over each block: unlike SplitViews, nothing to count first.
  for (std::string_view rest : blocks) {
    while (!rest.empty()) {
      const std::size_t lf = rest.find('\n');
      lines.push_back(rest.substr(0, lf));
      rest.remove_prefix(lf + 1);
    }
  }
  return lines;
}

}  // namespace

void JoinedLines::Copy(const LineList& list) {
  Clear();
  for (const std::string& line : list) Append(line, &blocks);
  lines = ViewsOfBlocks(blocks, list.size());
}

void JoinedLines::Take(LineList* list) {
  Clear();
  const std::size_t count = list->size();
  for (std::string& line : *list) {
    Append(line, &blocks);
    std::string().swap(line);
  }
  // The views take their room only once the list has given back its own.
  LineList().swap(*list);
  lines = ViewsOfBlocks(blocks, count);
}

void JoinedLines::Clear() {
  // Not "= {}", which would keep the room.
  lines = std::vector<std::string_view>();
  blocks = std::deque<std::string>();
}

#ifndef _WIN32
Status ResolveScript(const std::string& path, Folder* folder, std::string* name,
                     std::string* folder_path) {
  const int error = Resolve(path, folder, name, folder_path);
  return error == 0 ? Status() : ErrnoStatus(error);
}

Status OpenIn(const Folder& folder, const std::string& name, const FileId& expected,
              LineList* lines, FileStamp* stamp) {
  lines->clear();
  *stamp = FileStamp();
  if (!folder.is_open()) return Status();        // no folder, no script: an empty one
  if (name.empty()) return ErrnoStatus(EISDIR);  // "dir/" names no file
  // O_NONBLOCK: opening a FIFO must not wait for a writer before we can refuse it.
  ScopedFd fd(openat(folder.fd(), name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW));
  if (fd.get() < 0) {
    if (errno == ENOENT) return Status();  // no script yet reads as an empty one
    if (errno == ELOOP && expected.known()) return Changed();
    return ErrnoStatus(errno);
  }
  struct stat info;
  if (fstat(fd.get(), &info) != 0) return ErrnoStatus(errno);
  if (!S_ISREG(info.st_mode)) return RefuseNonRegular(info.st_mode);
  const FileStamp before = StampOf(info);
  if (expected.known() && before.id != expected) return Changed();
  Status status = ReadLines(fd.get(), lines);
  if (status.ok() && fstat(fd.get(), &info) != 0) status = ErrnoStatus(errno);
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
  if (name.empty()) return ErrnoStatus(EISDIR);
  if (!folder.is_open()) return ErrnoStatus(ENOENT);
  const int dir = folder.fd();
  struct stat info {};
  if (Status status = StillAsRead(dir, name, read, &info); !status.ok()) return status;
  if (read.exists) {
    if (Status status = CheckWritable(dir, name, info); !status.ok()) return status;
  }
  NewFile file(dir, options.temps);
  if (Status status = file.Create(name, read.exists ? 0600 : 0666); !status.ok()) return status;
  if (Status status = WriteLines(file.fd(), lines); !status.ok()) return status;
  // After the writes: a write by anyone but root clears set-ID bits.
  if (read.exists) {
    if (Status status = KeepWhatTheFileHad(file.fd(), dir, name, info, notes); !status.ok()) {
      return status;
    }
  }
  if (fsync(file.fd()) != 0) return ErrnoStatus(errno);
  // The last look before the rename: text appended meanwhile would be lost.
  struct stat now {};
  if (Status status = StillAsRead(dir, name, read, &now); !status.ok()) return status;
  if (Status status = file.Place(name, read.exists); !status.ok()) return status;
  // Best effort: the content is safe; the folder's sync makes the rename so.
  if (options.sync_folder) folder.Sync();
  return Status();
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
      unlinkat(folder.fd(), entry.name.c_str(), 0);
    }
  }
}

Status Open(const std::string& path, LineList* lines) {
  lines->clear();
  if (path.empty()) return Status();  // names no file
  Folder folder;
  std::string name;
  if (Status status = ResolveScript(path, &folder, &name); !status.ok()) return status;
  FileStamp stamp;
  return OpenIn(folder, name, FileId(), lines, &stamp);
}

Status Save(const std::string& path, const LineList& lines) {
  if (path.empty()) return ErrnoStatus(ENOENT);
  Folder folder;
  std::string name;
  if (Status status = ResolveScript(path, &folder, &name); !status.ok()) return status;
  // Whatever is there now is what gets replaced.
  struct stat info;
  FileStamp now;
  if (folder.is_open() && !name.empty() &&
      fstatat(folder.fd(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
    now = StampOf(info);
  }
  std::vector<std::string> notes;
  return SaveIn(folder, name, lines, now, SaveOptions(), &notes);
}
#endif  // _WIN32

}  // namespace q9
