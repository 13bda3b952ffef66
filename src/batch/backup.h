#ifndef Q9_BATCH_BACKUP_H_
#define Q9_BATCH_BACKUP_H_

#include <string>

#include "linestore/folder.h"
#include "linestore/status.h"

namespace q9 {

// Keeps the current content of the file |name| in |folder|, which must be the
// file |id| (when known: anything else there is kChangedWhileConverting and no
// backup is left), under the new name |backup_name| in |backup_folder|, and
// never replaces anything: an existing backup is an error ("backup SHOWN
// already exists", |shown| being the backup's path as printed), since it may
// hold the only unconverted copy. No link is followed. The backup is a hard
// link, so it costs no copy and a later atomic save over the script leaves it
// with the old content. Where the file system refuses the link (another
// device, no hard links, a file the caller may read but not link), the bytes
// are copied into a file created exclusively, with the original's permission
// bits; a copy that fails is removed again.
Status MakeBackup(const Folder& folder, const std::string& name, const FileId& id,
                  const Folder& backup_folder, const std::string& backup_name,
                  const std::string& shown);

}  // namespace q9

#endif  // Q9_BATCH_BACKUP_H_
