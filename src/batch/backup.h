#ifndef Q9_BATCH_BACKUP_H_
#define Q9_BATCH_BACKUP_H_

#include <string>

#include "linestore/status.h"

namespace q9 {

// Keeps the current content of the file at |path| (for a symbolic link, of the
// file it points to) under the new name |backup_path|, and never replaces
// anything: an existing |backup_path| is an error ("backup NAME already
// exists"), since it may hold the only unconverted copy. The backup is a hard
// link, so it costs no copy and a later atomic save over |path| leaves it with
// the old content. Where the file system refuses the link (another device, no
// hard links), the bytes are copied into a file created exclusively, with the
// original's permission bits; a copy that fails is removed again.
Status MakeBackup(const std::string& path, const std::string& backup_path);

}  // namespace q9

#endif  // Q9_BATCH_BACKUP_H_
