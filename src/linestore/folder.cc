// Folders as descriptors; Windows has its own in folder_win.cc.
#include "linestore/folder.h"

#ifndef _WIN32

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <utility>

namespace q9 {
namespace {

Status ErrnoStatus(int error) { return Status::Error(std::generic_category().message(error)); }

FileId IdOf(const struct stat& info) {
  return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

// What the listing itself tells, for a name that cannot be looked at: a
// folder there is worth a report even though its name matches no pattern.
EntryKind KindOf(unsigned char type) {
  return type == DT_DIR ? EntryKind::kFolder : EntryKind::kOther;
}

EntryKind KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return EntryKind::kFolder;
  if (S_ISREG(mode)) return EntryKind::kFile;
  if (S_ISLNK(mode)) return EntryKind::kLink;
  return EntryKind::kOther;
}

}  // namespace

Folder::Folder(Folder&& other) noexcept { *this = std::move(other); }

Folder& Folder::operator=(Folder&& other) noexcept {
  if (this != &other) {
    if (owned_) close(fd_);
    open_ = std::exchange(other.open_, false);
    id_ = other.id_;
    fd_ = std::exchange(other.fd_, -1);
    owned_ = std::exchange(other.owned_, false);
    readable_ = other.readable_;
  }
  return *this;
}

Folder::~Folder() {
  if (owned_) close(fd_);
}

Status Folder::Open(const std::string& path, Folder* folder, int* error_number) {
  const char* name = path.empty() ? "." : path.c_str();
  Folder opened;
  opened.fd_ = open(name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  // A folder we may pass through but not list still holds files we may
  // replace; such a folder cannot be listed or synced.
  if (opened.fd_ < 0 && errno == EACCES) {
    opened.fd_ = open(name, O_PATH | O_DIRECTORY | O_CLOEXEC);
    opened.readable_ = false;
  }
  opened.owned_ = opened.fd_ >= 0;
  struct stat info;
  if (opened.fd_ < 0 || fstat(opened.fd_, &info) != 0) {
    if (error_number != nullptr) *error_number = errno;
    return ErrnoStatus(errno);
  }
  opened.id_ = IdOf(info);
  opened.open_ = true;
  *folder = std::move(opened);
  return Status();
}

Folder Folder::WorkingFolder() {
  Folder folder;
  folder.fd_ = AT_FDCWD;
  folder.open_ = true;
  struct stat info;
  if (stat(".", &info) == 0) folder.id_ = IdOf(info);
  return folder;
}

Status Folder::OpenChild(const std::string& name, const FileId& expected, Folder* child) const {
  Folder opened;
  opened.fd_ = openat(fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (opened.fd_ < 0) {
    const int error = errno;
    // A link or a file where the folder was: someone replaced it.
    if (expected.known() && (error == ELOOP || error == ENOTDIR || error == ENOENT)) {
      return Status::Error(kChangedWhileConverting);
    }
    return ErrnoStatus(error);
  }
  opened.owned_ = true;
  struct stat info;
  if (fstat(opened.fd_, &info) != 0) return ErrnoStatus(errno);
  opened.id_ = IdOf(info);
  if (expected.known() && opened.id_ != expected) return Status::Error(kChangedWhileConverting);
  opened.open_ = true;
  *child = std::move(opened);
  return Status();
}

Status Folder::List(std::vector<FolderEntry>* entries) const {
  entries->clear();
  if (!readable_) return ErrnoStatus(EACCES);
  // The listing needs a descriptor of its own, as closedir closes it; a copy
  // (not "." opened anew, which would take search permission) shares the
  // position, which is why the listing starts with a rewind.
  const int listing_fd = fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  if (listing_fd < 0) return ErrnoStatus(errno);
  DIR* dir = fdopendir(listing_fd);
  if (dir == nullptr) {
    const int error = errno;
    close(listing_fd);
    return ErrnoStatus(error);
  }
  rewinddir(dir);
  Status status;
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(dir);
    if (entry == nullptr) {
      if (errno != 0) status = ErrnoStatus(errno);
      break;
    }
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    FolderEntry listed;
    listed.name = entry->d_name;
    struct stat info;
    if (fstatat(fd_, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT) continue;  // gone since the listing
      listed.error = ErrnoStatus(errno);
      listed.kind = KindOf(entry->d_type);
    } else {
      listed.kind = KindOf(info.st_mode);
      listed.id = IdOf(info);
      listed.modified_unix = static_cast<std::int64_t>(info.st_mtime);
    }
    entries->push_back(std::move(listed));
  }
  closedir(dir);
  if (!status.ok()) entries->clear();
  return status;
}

void Folder::RemoveFile(const std::string& name) const { unlinkat(fd_, name.c_str(), 0); }

Status Folder::Sync() const {
  // Only a descriptor opened for reading can be synced.
  const bool own = fd_ == AT_FDCWD || !readable_;
  const int fd = own ? openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC) : fd_;
  if (fd < 0) return Status();  // a folder we may not read is not ours to sync
  const int result = fsync(fd);
  const int error = errno;
  if (own) close(fd);
  if (result != 0 && error != EINVAL) return ErrnoStatus(error);
  return Status();
}

}  // namespace q9

#endif  // _WIN32
