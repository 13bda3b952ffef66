#ifndef Q9_BATCH_FOLDER_SET_H_
#define Q9_BATCH_FOLDER_SET_H_

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

#include "batch/file_walk.h"
#include "linestore/folder.h"
#include "linestore/status.h"

namespace q9 {

// The folders of one batch run while their scripts are converted. A folder is
// opened when its first script starts, from its parent's descriptor (or, when
// named, by its path), and must still be the folder the walk saw. Once its
// last script is done it is synced, when a script in it was replaced, and
// closed: one sync per folder instead of one per file, and few descriptors
// open at a time. Thread-safe.
class FolderSet {
 public:
  // |walk| must outlive the set. With |remove_stale_temps|, each folder loses
  // its old temporary files when it is opened (see RemoveStaleTemps).
  FolderSet(const WalkResult& walk, bool remove_stale_temps);

  // The open folder of a script in |folder|, or why it cannot be opened.
  // Every script calls Start once and Done once, in this order.
  Status Start(std::size_t folder, const Folder** opened);
  // |replaced|: the script's new content was renamed into the folder.
  void Done(std::size_t folder, bool replaced);

  // Waits until every script of |folder| is done and the folder synced: ok,
  // or why the sync failed. Only a folder with a replaced script is synced;
  // a file's replacement survives a crash once this returned ok.
  Status WaitSynced(std::size_t folder);

 private:
  struct State {
    std::size_t pending = 0;  // scripts not done
    bool tried = false;       // opened once already (successfully or not)
    Status opened;
    Folder folder;
    bool replaced = false;
    bool finished = false;  // every script done and, where needed, synced
    Status synced;
  };

  // Opens folder |index| afresh, through its parents where they are closed.
  Status OpenFolder(std::size_t index, Folder* folder);

  const WalkResult& walk_;
  const bool remove_stale_temps_;
  std::mutex mutex_;
  std::condition_variable finished_;
  std::vector<State> states_;
};

}  // namespace q9

#endif  // Q9_BATCH_FOLDER_SET_H_
