#ifndef Q9_LINESTORE_LINE_STORE_H_
#define Q9_LINESTORE_LINE_STORE_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "linestore/folder.h"
#include "linestore/status.h"
#include "linestore/temp_names.h"

namespace q9 {

// A script as the passes see it: one entry per line, without its LF. Every other
// byte (CR, NUL, 0x80-0xFF, a byte-order mark) stays in the entry as it was read.
// Invariant kept by every pass: no entry holds an LF.
using LineList = std::vector<std::string>;

// Splits |bytes| at LF and nowhere else. A last line without LF is a line of its
// own; a final LF makes no empty entry; zero bytes give the empty list.
LineList SplitLines(std::string_view bytes);

// The lines of SplitLines(bytes) as views into |bytes|, which must outlive them.
std::vector<std::string_view> SplitViews(std::string_view bytes);

// Every entry followed by exactly one LF, the last one included.
// JoinLines(SplitLines(b)) == b, with an LF added when b was non-empty and lacked one.
std::string JoinLines(const LineList& lines);

inline constexpr std::size_t kJoinedBlock = std::size_t{256} << 10;

// A list's lines as text with a view per line: the form a script can be kept
// in when no pass changes it (the original beside its conversion, a converted
// script once the passes are done), in about half the list's room. The text,
// JoinLines of the lines, is held in blocks of kJoinedBlock bytes (a longer
// line gets one of its own), which the allocator can carve out of the room a
// list gave back. It stays where it was made, for the views point into it.
struct JoinedLines {
  JoinedLines() = default;
  JoinedLines(const JoinedLines&) = delete;
  JoinedLines& operator=(const JoinedLines&) = delete;

  // Becomes the lines of |list|.
  void Copy(const LineList& list);
  // The same, and |*list| is left empty, each line's room given back as soon
  // as it is copied.
  void Take(LineList* list);
  // Becomes empty and gives its room back.
  void Clear();

  std::deque<std::string> blocks;  // the text in order; none holds part of a line
  std::vector<std::string_view> lines;
};

// Reads the file at |path| into |*lines| (replacing its content) in the format of
// SplitLines. A path that names no file (ENOENT) is ok and gives the empty list.
// Anything else that stops the read (no permission, a directory or other file
// that is not a regular file, a read error) is an error with a short reason and
// leaves |*lines| empty. Symbolic links are followed.
Status Open(const std::string& path, LineList* lines);

// Replaces the file at |path| with |lines| in the format of JoinLines, atomically:
// the bytes go to a temporary file in the target's directory, every write is
// checked, the file is synced, then renamed over the target. So on any failure
// (full disk, size limit, no permission, missing directory) the target keeps
// its former content byte for byte and no temporary file remains.
// An existing target keeps its permission bits, owner and group (or the group
// alone, where the owner cannot be given away), extended attributes and ACLs;
// a new file gets 0666 less the umask. A symbolic link stays a link: the file
// it points to is replaced. A target without any write permission bit, or one
// the caller may not write, is refused. Only regular files are replaced.
Status Save(const std::string& path, const LineList& lines);

// What a file was like when it was read, to tell later whether it still is:
// a file that is appended to, rewritten, replaced or deleted changes its stamp.
struct FileStamp {
  bool exists = false;
  FileId id;
  std::uint64_t size = 0;
  std::int64_t modified_ns = 0;

  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The file |path| names, as its folder and its name there: every link on the
// way and at the end followed (a link's last target need not exist yet). A
// folder that does not exist is left closed: nothing can be read there, and a
// save there fails with "No such file or directory". |*folder_path| (when
// given) gets a path that opens the same folder, "" for the working folder.
Status ResolveScript(const std::string& path, Folder* folder, std::string* name,
                     std::string* folder_path = nullptr);

// Reads |name| in |folder| like Open, but follows no link there, and fills
// |*stamp| (exists is false for a name that names nothing, which reads as the
// empty list). A link, or a file other than |expected| when that is known, is
// refused as kChangedWhileConverting; so is a file that changes while it is read.
Status OpenIn(const Folder& folder, const std::string& name, const FileId& expected,
              LineList* lines, FileStamp* stamp);

struct SaveOptions {
  // False: the caller syncs the folder (Folder::Sync) before it tells anyone
  // that the file was saved; the new content itself is always synced.
  bool sync_folder = true;
  // Where the temporary file's name is kept while it has one (may be null).
  TempNames* temps = nullptr;
};

// Replaces |name| in |folder| like Save, but only while it is still the file
// |read| describes: anything else there, or nothing where a file was read, is
// refused as kChangedWhileConverting and nothing is written. A name read as
// missing is created, and only if it is still missing. On Linux the new
// content is an unnamed file until the moment of the rename, so not even a
// kill -9 leaves a temporary file behind. What of the old file could not be
// kept (owner, group, an extended attribute) is added to |*notes| as a short
// text ("owner not kept: Operation not permitted").
Status SaveIn(const Folder& folder, const std::string& name, const LineList& lines,
              const FileStamp& read, const SaveOptions& options, std::vector<std::string>* notes);
// The same for |lines| joined already: |bytes| are written as they are.
Status SaveIn(const Folder& folder, const std::string& name, const JoinedLines& lines,
              const FileStamp& read, const SaveOptions& options, std::vector<std::string>* notes);

// Removes the temporary files that a save ended by a crash or kill -9 left in
// |folder| (".NAME.tmp" and eight letters or digits), when they were last
// written over a minute ago. Best effort: failures are ignored.
void RemoveStaleTemps(const Folder& folder);

}  // namespace q9

#endif  // Q9_LINESTORE_LINE_STORE_H_
