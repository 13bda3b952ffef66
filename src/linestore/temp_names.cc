#include "linestore/temp_names.h"

#ifndef _WIN32

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <ctime>

namespace q9 {
namespace {

constexpr int kWaitSteps = 2000;  // of a millisecond each

void SleepMillisecond() {
  timespec pause{0, 1000 * 1000};
  nanosleep(&pause, nullptr);
}

// A signal handler reaches its state only through a static.
TempNames* g_names = nullptr;

extern "C" void RemoveTempsAndReraise(int signal_number) {
  if (g_names != nullptr) g_names->RemoveAll();
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);  // not blocked here (SA_NODEFER): ends the program at once
}

}  // namespace

int TempNames::Claim(int folder_fd, std::string_view name) {
  if (name.size() > kMaxName) return kNoSlot;
  for (std::size_t i = 0; i < kSlots; ++i) {
    Slot& slot = slots_[i];
    int expected = kFree;
    if (!slot.state.compare_exchange_strong(expected, kFilling)) continue;
    slot.folder_fd = folder_fd;
    name.copy(slot.name, name.size());
    slot.name[name.size()] = '\0';
    slot.owner.store(gettid());
    slot.state.store(kClaimed);
    // Paired with RemoveAll, which sets ending_ before it reads the states:
    // either it sees this claim, or this sees that the program is ending.
    if (ending_.load()) {
      slot.state.store(kFree);
      return kEnding;
    }
    return static_cast<int>(i);
  }
  return kNoSlot;
}

void TempNames::Named(int slot) {
  if (slot >= 0) slots_[slot].state.store(kNamed);
}

void TempNames::Release(int slot) {
  if (slot >= 0) slots_[slot].state.store(kFree);
}

void TempNames::RemoveAll() {
  if (ending_.exchange(true)) {
    for (int step = 0; step < kWaitSteps && !removed_.load(); ++step) SleepMillisecond();
    return;
  }
  const int self = gettid();
  for (Slot& slot : slots_) {
    int state = slot.state.load();
    // Another thread is creating the name: wait until it exists or not.
    for (int step = 0; state == kClaimed && slot.owner.load() != self && step < kWaitSteps;
         ++step) {
      SleepMillisecond();
      state = slot.state.load();
    }
    // The thread interrupted here never goes on, so its claim is removed as it is.
    if (state == kClaimed || state == kNamed) unlinkat(slot.folder_fd, slot.name, 0);
  }
  removed_.store(true);
}

void RemoveTempsOnSignals(TempNames* names) {
  g_names = names;
  struct sigaction action {};
  action.sa_handler = RemoveTempsAndReraise;
  action.sa_flags = SA_NODEFER;
  sigemptyset(&action.sa_mask);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction previous {};
    // A signal ignored by whoever started us stays ignored.
    if (sigaction(signal_number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
      continue;
    }
    sigaction(signal_number, &action, nullptr);
  }
}

}  // namespace q9

#endif  // _WIN32
