#include "batch/backup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

// The errno of the first failure, or 0; |backup_path| is created by us or not at all.
int CopyInto(const std::string& path, const std::string& backup_path) {
  Fd from(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (from.get() < 0) return errno;
  struct stat info;
  if (fstat(from.get(), &info) != 0) return errno;
  Fd to(open(backup_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, info.st_mode & 0777));
  if (to.get() < 0) return errno;
  int error = CopyBytes(from.get(), to.get());
  if (error == 0 && fsync(to.get()) != 0) error = errno;
  if (error == 0 && close(to.Release()) != 0) error = errno;
  if (error != 0) unlink(backup_path.c_str());
  return error;
}

// Errors after which a copy may still succeed where the link did not.
bool LinkUnsupported(int error) {
  return error == EPERM || error == EXDEV || error == EMLINK || error == ENOTSUP || error == ENOSYS;
}

}  // namespace

Status MakeBackup(const std::string& path, const std::string& backup_path) {
  // AT_SYMLINK_FOLLOW: the backup holds the script's bytes, not a second link.
  if (linkat(AT_FDCWD, path.c_str(), AT_FDCWD, backup_path.c_str(), AT_SYMLINK_FOLLOW) == 0) {
    return Status();
  }
  int error = errno;
  if (LinkUnsupported(error)) error = CopyInto(path, backup_path);
  return error == 0 ? Status() : BackupError(backup_path, error);
}

}  // namespace q9
