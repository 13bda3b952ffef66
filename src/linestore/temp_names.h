#ifndef Q9_LINESTORE_TEMP_NAMES_H_
#define Q9_LINESTORE_TEMP_NAMES_H_

#include <atomic>
#include <cstddef>
#include <string_view>

namespace q9 {

// The names that temporary files hold during saves, where a signal handler can
// find them: a program ended by Ctrl-C, SIGTERM or SIGHUP removes them first and
// leaves none behind. A save claims a slot before it creates the name, marks it
// named once the file has it, and releases it when the name is gone (renamed
// over the script or removed). Safe to use from several threads. POSIX only.
class TempNames {
 public:
  // One per worker thread the batch program may run.
  static constexpr std::size_t kSlots = 1024;
  static constexpr std::size_t kMaxName = 255;

  // Claim's answers besides a slot number.
  static constexpr int kNoSlot = -1;  // none free, or the name too long: save unguarded
  static constexpr int kEnding = -2;  // the program is ending: create no name

  // A slot for |name| in the folder |folder_fd|, claimed before the name is created.
  int Claim(int folder_fd, std::string_view name);
  void Named(int slot);
  void Release(int slot);

  // Async-signal-safe. From now on Claim refuses; every claimed name is
  // removed, after waiting (at most about two seconds) for another thread that
  // is creating one. A second call waits until the first one is done.
  void RemoveAll();

 private:
  enum State : int { kFree, kFilling, kClaimed, kNamed };
  struct Slot {
    std::atomic<int> state{kFree};
    std::atomic<int> owner{0};  // the thread that claimed it
    int folder_fd = -1;
    char name[kMaxName + 1] = {};
  };

  std::atomic<bool> ending_{false};
  std::atomic<bool> removed_{false};
  Slot slots_[kSlots];
};

// Installs handlers for SIGINT, SIGTERM and SIGHUP that call names->RemoveAll()
// and then end the program by the same signal, as it would have ended without
// them. |names| must live until the program ends.
void RemoveTempsOnSignals(TempNames* names);

}  // namespace q9

#endif  // Q9_LINESTORE_TEMP_NAMES_H_
