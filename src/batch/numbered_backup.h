#ifndef Q9_BATCH_NUMBERED_BACKUP_H_
#define Q9_BATCH_NUMBERED_BACKUP_H_

#include <string>

#include "linestore/folder.h"
#include "linestore/status.h"

namespace q9 {

// MakeBackup under |backup_name|, or, while that name is taken, under the next
// free one of |backup_name| plus ".1", ".2", ... (up to ".999"), so an older
// backup is never replaced and a second run still keeps one. |shown| is how
// |backup_name| is printed; |*used| gets the name the backup went to, in the
// form of |backup_name|.
Status MakeNumberedBackup(const Folder& folder, const std::string& name, const FileId& id,
                          const Folder& backup_folder, const std::string& backup_name,
                          const std::string& shown, std::string* used);

}  // namespace q9

#endif  // Q9_BATCH_NUMBERED_BACKUP_H_
