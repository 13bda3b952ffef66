#ifndef Q9_BATCH_NUMBERED_BACKUP_H_
#define Q9_BATCH_NUMBERED_BACKUP_H_

#include <string>

#include "linestore/status.h"

namespace q9 {

// MakeBackup under |backup_path|, or, while that name is taken, under the next
// free one of |backup_path| plus ".1", ".2", ... (up to ".999"), so an older
// backup is never replaced and a second run still keeps one. |*used| gets the
// name the backup went to.
Status MakeNumberedBackup(const std::string& path, const std::string& backup_path,
                          std::string* used);

}  // namespace q9

#endif  // Q9_BATCH_NUMBERED_BACKUP_H_
