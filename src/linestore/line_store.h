#ifndef Q9_LINESTORE_LINE_STORE_H_
#define Q9_LINESTORE_LINE_STORE_H_

#include <string>
#include <string_view>
#include <vector>

#include "linestore/status.h"

namespace q9 {

// A script as the passes see it: one entry per line, without its LF. Every other
// byte (CR, NUL, 0x80-0xFF, a byte-order mark) stays in the entry as it was read.
// Invariant kept by every pass: no entry holds an LF.
using LineList = std::vector<std::string>;

// Splits |bytes| at LF and nowhere else. A last line without LF is a line of its
// own; a final LF makes no empty entry; zero bytes give the empty list.
LineList SplitLines(std::string_view bytes);

// Every entry followed by exactly one LF, the last one included.
// JoinLines(SplitLines(b)) == b, with an LF added when b was non-empty and lacked one.
std::string JoinLines(const LineList& lines);

// Reads the file at |path| into |*lines| (replacing its content) in the format of
// SplitLines. A path that names no file (ENOENT) is ok and gives the empty list.
// Anything else that stops the read (no permission, a directory or other file
// that is not a regular file, a read error) is an error with a short reason and
// leaves |*lines| empty. Symbolic links are followed.
Status Open(const std::string& path, LineList* lines);

// Replaces the file at |path| with |lines| in the format of JoinLines, atomically:
// the bytes go to a temporary file in the target's directory, every write is
// checked, the file is synced and closed, then renamed over the target. So on
// any failure (full disk, size limit, no permission, missing directory) the
// target keeps its former content byte for byte and no temporary file remains.
// An existing target keeps its permission bits (and owner, where allowed); a new
// file gets 0666 less the umask. A symbolic link stays a link: the file it points
// to is replaced. A target without any write permission bit, or one the caller
// may not write, is refused. Only regular files are replaced.
Status Save(const std::string& path, const LineList& lines);

// A new list: the first |index| entries of |lines|, then |line|, then the rest.
// Requires 0 <= index <= lines.size(). |lines| is taken by value and so the
// caller's list is never changed.
LineList InsertVString(LineList lines, int index, std::string line);

}  // namespace q9

#endif  // Q9_LINESTORE_LINE_STORE_H_
