#include "batch/numbered_backup.h"

#include "batch/backup.h"

namespace q9 {

Status MakeNumberedBackup(const Folder& folder, const std::string& name, const FileId& id,
                          const Folder& backup_folder, const std::string& backup_name,
                          const std::string& shown, std::string* used) {
  constexpr int kLastNumber = 999;
  Status status;
  for (int number = 0; number <= kLastNumber; ++number) {
    const std::string suffix = number == 0 ? "" : "." + std::to_string(number);
    *used = backup_name + suffix;
    status = MakeBackup(folder, name, id, backup_folder, *used, shown + suffix);
    // MakeBackup never replaces a name; only a taken one sends us to the next.
    if (status.reason() != "backup " + shown + suffix + " already exists") return status;
  }
  return status;
}

}  // namespace q9
