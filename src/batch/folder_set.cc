#include "batch/folder_set.h"

#include <utility>

#include "linestore/line_store.h"

namespace q9 {

FolderSet::FolderSet(const WalkResult& walk, bool remove_stale_temps)
    : walk_(walk), remove_stale_temps_(remove_stale_temps), states_(walk.folders.size()) {
  for (const FoundScript& script : walk.files) {
    if (script.folder != kNoFolder) ++states_[script.folder].pending;
  }
}

Status FolderSet::OpenFolder(std::size_t index, Folder* folder) {
  const WalkFolder& wanted = walk_.folders[index];
  if (wanted.parent == kNoFolder) {
    if (Status status = Folder::Open(wanted.path, folder); !status.ok()) return status;
    if (wanted.id.known() && folder->id() != wanted.id) {
      return Status::Error(kChangedWhileConverting);
    }
    return Status();
  }
  State& parent = states_[wanted.parent];
  if (parent.folder.is_open()) return parent.folder.OpenChild(wanted.name, wanted.id, folder);
  Folder reopened;
  if (Status status = OpenFolder(wanted.parent, &reopened); !status.ok()) return status;
  return reopened.OpenChild(wanted.name, wanted.id, folder);
}

Status FolderSet::Start(std::size_t folder, const Folder** opened) {
  std::lock_guard lock(mutex_);
  State& state = states_[folder];
  if (!state.tried) {
    state.tried = true;
    state.opened = OpenFolder(folder, &state.folder);
    if (state.opened.ok() && remove_stale_temps_) RemoveStaleTemps(state.folder);
  }
  *opened = &state.folder;
  return state.opened;
}

void FolderSet::Done(std::size_t folder, bool replaced) {
  std::unique_lock lock(mutex_);
  State& state = states_[folder];
  state.replaced |= replaced;
  if (--state.pending > 0) return;
  Folder closing = std::move(state.folder);
  if (state.replaced) {
    // The other folders go on meanwhile; nobody uses this one any more.
    lock.unlock();
    Status synced = closing.Sync();
    lock.lock();
    state.synced = std::move(synced);
  }
  state.finished = true;
  finished_.notify_all();
}

Status FolderSet::WaitSynced(std::size_t folder) {
  std::unique_lock lock(mutex_);
  State& state = states_[folder];
  finished_.wait(lock, [&] { return state.finished; });
  return state.synced;
}

}  // namespace q9
