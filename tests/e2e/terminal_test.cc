// The interactive program at a real (pseudo-)terminal: the key read takes a
// single key without Enter and leaves the terminal's settings as it found them,
// also when a signal ends the program during the wait.

#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "gtest/gtest.h"
#include "tests/e2e/process.h"

namespace q9::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Waits up to 10 s for |done|, reading the terminal's output into |*output|
// meanwhile so that the program cannot block on it.
template <typename Done>
bool WaitFor(int master, std::string* output, Done done) {
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (Clock::now() > deadline) return false;
    pollfd p{master, POLLIN, 0};
    char buffer[4096];
    ssize_t n = poll(&p, 1, 10) > 0 ? read(master, buffer, sizeof buffer) : 0;
    if (n > 0) output->append(buffer, static_cast<std::size_t>(n));
  }
  return true;
}

TEST(TerminalTest, KeyReadTakesOneKeyAndRestoresTheTerminal) {
  struct Case {
    std::string input;
    std::string shown;  // the last words before the wait
    std::string key;    // "" sends SIGTERM
    int status;
  };
  const Case cases[] = {
      {"Script.c\n", "taste zum fortfahren", "x", 0},
      {"/help\n", "Autor: ", "\x03", 128 + SIGINT},  // Ctrl-C
      {"\n", "taste zum fortfahren", "", 128 + SIGTERM},
  };
  const fs::path dir = MakeScratchDir();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      if (chdir(dir.c_str()) != 0) _exit(126);
      execl(Q9_PROGRAM, Q9_PROGRAM, static_cast<char*>(nullptr));
      _exit(127);
    }
    termios before{}, now{};
    ASSERT_EQ(tcgetattr(master, &before), 0);
    std::string output;
    auto shown = [&](const std::string& text) {
      return WaitFor(master, &output, [&] { return output.find(text) != std::string::npos; });
    };
    EXPECT_TRUE(shown("ordner ist)"));
    EXPECT_EQ(write(master, c.input.data(), c.input.size()), ssize_t(c.input.size()));
    EXPECT_TRUE(shown(c.shown));
    EXPECT_TRUE(WaitFor(master, &output, [&] {
      return tcgetattr(master, &now) == 0 && !(now.c_lflag & (ICANON | ECHO));
    })) << "no single-key mode";
    if (c.key.empty()) {
      kill(pid, SIGTERM);
    } else {
      EXPECT_EQ(write(master, c.key.data(), c.key.size()), ssize_t(c.key.size()));
    }
    int status = -1;
    const bool ended =
        WaitFor(master, &output, [&] { return waitpid(pid, &status, WNOHANG) == pid; });
    EXPECT_TRUE(ended);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), c.status);
    ASSERT_EQ(tcgetattr(master, &now), 0);
    EXPECT_EQ(now.c_lflag, before.c_lflag);
    EXPECT_EQ(now.c_iflag, before.c_iflag);
    EXPECT_EQ(now.c_cc[VMIN], before.c_cc[VMIN]);
    if (!ended) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    close(master);
  }
  EXPECT_TRUE(fs::exists(dir / "Script.c"));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace q9::test
