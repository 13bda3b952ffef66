#include "batch/backup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string_view>
#include <system_error>
#include <utility>

namespace q9 {
namespace {

Status BackupError(const std::string& backup_path, int error) {
  if (error == EEXIST) return Status::Error("backup " + backup_path + " already exists");
  return Status::Error("backup " + backup_path + ": " + std::generic_category().message(error));
}

// Closes on every path out of the copy.
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// The errno of the first failure, or 0.
int CopyBytes(int from, int to) {
  char buffer[64 * 1024];
  for (;;) {
    ssize_t got = read(from, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return errno;
    if (got == 0) return 0;
    std::string_view rest(buffer, static_cast<std::size_t>(got));
    while (!rest.empty()) {
      ssize_t put = write(to, rest.data(), rest.size());
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return put < 0 ? errno : EIO;
      rest.remove_prefix(static_cast<std::size_t>(put));
    }
  }
}

bool SameFile(const struct stat& info, const FileId& id) {
  return !id.known() || (static_cast<std::uint64_t>(info.st_dev) == id.device &&
                         static_cast<std::uint64_t>(info.st_ino) == id.inode);
}

// The errno of the first failure, or 0, or -1 when the file is no longer |id|;
// the backup is created by us or not at all.
int CopyInto(const Folder& folder, const std::string& name, const FileId& id,
             const Folder& backup_folder, const std::string& backup_name) {
  Fd from(openat(folder.fd(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (from.get() < 0) return errno;
  struct stat info;
  if (fstat(from.get(), &info) != 0) return errno;
  if (!SameFile(info, id) || !S_ISREG(info.st_mode)) return -1;
  Fd to(openat(backup_folder.fd(), backup_name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
               info.st_mode & 0777));
  if (to.get() < 0) return errno;
  int error = CopyBytes(from.get(), to.get());
  if (error == 0 && fsync(to.get()) != 0) error = errno;
  if (error == 0 && close(to.Release()) != 0) error = errno;
  if (error != 0) unlinkat(backup_folder.fd(), backup_name.c_str(), 0);
  return error;
}

// Errors after which a copy may still succeed where the link did not.
bool LinkUnsupported(int error) {
  return error == EPERM || error == EXDEV || error == EMLINK || error == ENOTSUP || error == ENOSYS;
}

}  // namespace

Status MakeBackup(const Folder& folder, const std::string& name, const FileId& id,
                  const Folder& backup_folder, const std::string& backup_name,
                  const std::string& shown) {
  int error = 0;
  if (linkat(folder.fd(), name.c_str(), backup_folder.fd(), backup_name.c_str(), 0) == 0) {
    // The name may have been given to another file since it was read.
    struct stat info;
    if (fstatat(backup_folder.fd(), backup_name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        SameFile(info, id) && S_ISREG(info.st_mode)) {
      return Status();
    }
    unlinkat(backup_folder.fd(), backup_name.c_str(), 0);
    error = -1;
  } else {
    error = errno;
    if (LinkUnsupported(error)) error = CopyInto(folder, name, id, backup_folder, backup_name);
  }
  if (error == 0) return Status();
  if (error < 0) return Status::Error(kChangedWhileConverting);
  return BackupError(shown, error);
}

}  // namespace q9
