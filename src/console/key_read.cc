#include "console/key_read.h"

#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <limits>

#include "console/word_reader.h"

namespace q9 {
namespace {

constexpr std::array<int, 4> kEndingSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// A signal handler can reach nothing but statics: the settings to put back while
// a key read holds the terminal in single-key mode.
volatile std::sig_atomic_t g_terminal_changed = 0;
int g_terminal_fd = -1;
termios g_saved_settings;

extern "C" void RestoreTerminalAndReraise(int signal_number) {
  if (g_terminal_changed) tcsetattr(g_terminal_fd, TCSANOW, &g_saved_settings);
  std::signal(signal_number, SIG_DFL);
  std::raise(signal_number);
}

void WaitForOneByte(int fd) {
  char byte;
  while (read(fd, &byte, 1) < 0 && errno == EINTR) {
  }
}

void ReadOneKey(int fd) {
  if (tcgetattr(fd, &g_saved_settings) != 0) return WaitForOneByte(fd);
  termios single_key = g_saved_settings;
  single_key.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  single_key.c_cc[VMIN] = 1;
  single_key.c_cc[VTIME] = 0;

  std::array<struct sigaction, kEndingSignals.size()> previous{};
  struct sigaction restore {};
  restore.sa_handler = RestoreTerminalAndReraise;
  sigemptyset(&restore.sa_mask);
  for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
    sigaction(kEndingSignals[i], &restore, &previous[i]);
  }
  g_terminal_fd = fd;
  g_terminal_changed = 1;
  tcsetattr(fd, TCSANOW, &single_key);
  WaitForOneByte(fd);
  tcsetattr(fd, TCSANOW, &g_saved_settings);
  g_terminal_changed = 0;
  for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
    sigaction(kEndingSignals[i], &previous[i], nullptr);
  }
}

}  // namespace

void ReadKey(std::istream& in, int fd) {
  if (!isatty(fd)) return ReadKeyFromStream(in);
  // The rest of the path's line is already in the stream's buffer.
  in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
  if (in.eof()) return;
  ReadOneKey(fd);
}

}  // namespace q9
