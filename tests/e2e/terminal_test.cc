// The interactive program at a real (pseudo-)terminal: the key read takes a
// single key without Enter and leaves the terminal's settings as it found them.

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

class TerminalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pid_ = forkpty(&master_, nullptr, nullptr, nullptr);
    ASSERT_GE(pid_, 0);
    if (pid_ == 0) {
      if (chdir(dir_.c_str()) != 0) _exit(126);
      execl(Q9_PROGRAM, Q9_PROGRAM, static_cast<char*>(nullptr));
      _exit(127);
    }
    ASSERT_EQ(tcgetattr(master_, &before_), 0);
  }
  void TearDown() override {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(master_);
    fs::remove_all(dir_);
  }

  // Reads the terminal's output until |text| has appeared or 10 s have passed.
  bool WaitForOutput(const std::string& text) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (output_.find(text) == std::string::npos && Clock::now() < deadline) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char buffer[4096];
      ssize_t n = read(master_, buffer, sizeof buffer);
      if (n <= 0) break;
      output_.append(buffer, static_cast<std::size_t>(n));
    }
    return output_.find(text) != std::string::npos;
  }

  // Waits until the program has put the terminal into single-key mode.
  bool WaitForSingleKeyMode() {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    termios now{};
    while (Clock::now() < deadline) {
      if (tcgetattr(master_, &now) == 0 && !(now.c_lflag & ICANON) && !(now.c_lflag & ECHO)) {
        return true;
      }
      usleep(10000);
    }
    return false;
  }

  int Reap() {
    int status = 0;
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (Clock::now() > deadline) return -1;
      WaitForOutput("\x01never");  // drains output so the child cannot block
    }
    reaped_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  void Send(const std::string& bytes) {
    ASSERT_EQ(write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }

  void ExpectSettingsAsBefore() {
    termios after{};
    ASSERT_EQ(tcgetattr(master_, &after), 0);
    EXPECT_EQ(after.c_lflag, before_.c_lflag);
    EXPECT_EQ(after.c_iflag, before_.c_iflag);
    EXPECT_EQ(after.c_cc[VMIN], before_.c_cc[VMIN]);
  }

  fs::path dir_ = MakeScratchDir();
  int master_ = -1;
  pid_t pid_ = -1;
  bool reaped_ = false;
  termios before_{};
  std::string output_;
};

TEST_F(TerminalTest, OneKeyWithoutEnterEndsTheProgram) {
  ASSERT_TRUE(WaitForOutput("ordner ist)"));
  Send("Script.c\n");
  ASSERT_TRUE(WaitForOutput("taste zum fortfahren"));
  ASSERT_TRUE(WaitForSingleKeyMode());
  Send("x");
  EXPECT_EQ(Reap(), 0);
  ExpectSettingsAsBefore();
  EXPECT_TRUE(fs::exists(dir_ / "Script.c"));
}

TEST_F(TerminalTest, InterruptDuringTheKeyReadRestoresTheTerminal) {
  ASSERT_TRUE(WaitForOutput("ordner ist)"));
  Send("/help\n");
  ASSERT_TRUE(WaitForOutput("Autor: "));
  ASSERT_TRUE(WaitForSingleKeyMode());
  Send("\x03");  // Ctrl-C
  EXPECT_EQ(Reap(), 128 + SIGINT);
  ExpectSettingsAsBefore();
}

TEST_F(TerminalTest, TerminationSignalRestoresTheTerminal) {
  ASSERT_TRUE(WaitForOutput("ordner ist)"));
  Send("\n");
  ASSERT_TRUE(WaitForOutput("taste zum fortfahren"));
  ASSERT_TRUE(WaitForSingleKeyMode());
  kill(pid_, SIGTERM);
  EXPECT_EQ(Reap(), 128 + SIGTERM);
  ExpectSettingsAsBefore();
}

}  // namespace
}  // namespace q9::test
