#ifndef Q9_LINESTORE_FOLDER_H_
#define Q9_LINESTORE_FOLDER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "linestore/status.h"

namespace q9 {

// Which file or folder a name led to: device and inode number, or volume
// serial number and file index on Windows. All zero when unknown.
struct FileId {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;

  bool known() const { return device != 0 || inode != 0; }
  friend bool operator==(const FileId&, const FileId&) = default;
  friend auto operator<=>(const FileId&, const FileId&) = default;
};

enum class EntryKind { kFolder, kFile, kLink, kOther };  // kOther: FIFO, socket, device

// One name in a folder, as List saw it without following a link.
struct FolderEntry {
  std::string name;
  EntryKind kind = EntryKind::kOther;  // with |error|, as far as the listing tells
  FileId id;                           // unknown on Windows, where listings do not tell
  std::int64_t modified_unix = 0;      // seconds since 1970
  Status error;                        // the name is listed but cannot be looked at
};

// A folder held open. On POSIX it is a descriptor, so the names inside it are
// looked up in that very folder, even after another process has renamed it or
// replaced a folder on the path to it by a link; elsewhere it is a path.
// Move-only; closes itself.
class Folder {
 public:
  Folder() = default;
  Folder(Folder&& other) noexcept;
  Folder& operator=(Folder&& other) noexcept;
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;
  ~Folder();

  // The folder at |path| ("" is the working folder), every link on the way
  // followed, as for a folder the user names. On failure |*error_number|
  // (when given) gets the errno value that stands for the reason.
  static Status Open(const std::string& path, Folder* folder, int* error_number = nullptr);
  // The working folder, for names relative to it.
  static Folder WorkingFolder();

  // The folder |name| inside this one, not through a link, and only if it is
  // |expected| (when known): anything else there is "changed while converting".
  Status OpenChild(const std::string& name, const FileId& expected, Folder* child) const;

  // Every name inside, "." and ".." left out, in no particular order. An entry
  // that vanishes between the listing and its look-up is left out too.
  Status List(std::vector<FolderEntry>* entries) const;

  // Removes the file |name| inside (not a folder) if it can: it cleans up
  // after a failure, and there is nothing more to do when that fails too.
  void RemoveFile(const std::string& name) const;

  // Makes the names inside durable (renames, new links). A file system that
  // cannot sync a folder counts as synced.
  Status Sync() const;

  FileId id() const { return id_; }
  bool is_open() const { return open_; }
#ifdef _WIN32
  // The path with a final separator ("" for the working folder), for names to be appended.
  const std::string& prefix() const { return prefix_; }
#else
  int fd() const { return fd_; }
#endif

 private:
  bool open_ = false;
  FileId id_;
#ifdef _WIN32
  std::string prefix_;
#else
  int fd_ = -1;
  bool owned_ = false;    // the working folder's AT_FDCWD is not ours to close
  bool readable_ = true;  // else opened only to look names up in (O_PATH)
#endif
};

// The reason given for a file or folder that is no longer the one that was
// looked at (replaced, appended to, turned into a link, deleted).
inline constexpr const char* kChangedWhileConverting = "changed while converting";

}  // namespace q9

#endif  // Q9_LINESTORE_FOLDER_H_
