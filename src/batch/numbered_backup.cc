#include "batch/numbered_backup.h"

#include <filesystem>
#include <system_error>

#include "batch/backup.h"
#include "batch/path_bytes.h"

namespace q9 {

Status MakeNumberedBackup(const std::string& path, const std::string& backup_path,
                          std::string* used) {
  constexpr int kLastNumber = 999;
  Status status;
  for (int number = 0; number <= kLastNumber; ++number) {
    *used = number == 0 ? backup_path : backup_path + "." + std::to_string(number);
    status = MakeBackup(path, *used);
    if (status.ok()) return status;
    // MakeBackup never replaces a name; only a taken one sends us to the next.
    std::error_code error;
    if (!std::filesystem::exists(std::filesystem::symlink_status(PathFromBytes(*used), error)))
      return status;
  }
  return status;
}

}  // namespace q9
