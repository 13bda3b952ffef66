// The interactive program at a terminal; its dialogue at a pipe (output, exit
// status, the script it leaves) is InterferenceTest's.

#include <termios.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "tests/e2e/process.h"

namespace q9::test {
namespace {

namespace fs = std::filesystem;

using InteractiveProgramTest = ScratchTest;

// At a terminal the key read takes a single key without Enter, also when a
// signal interrupts the read, and leaves the terminal's settings as it found
// them, also when a signal ends the program during the wait. (The fault library
// does not see the C library's read of the path: the first read it sees is the key's.)
TEST_F(InteractiveProgramTest, KeyReadAtATerminal) {
  const struct {
    std::string input, shown, key;  // shown: the last words before the wait; key "": SIGTERM
    int status;
    std::string fault = "";
  } cases[] = {
      {"Script.c\n", "taste zum fortfahren", "x", 0, "read:other 1 fail 4"},  // EINTR
      {"/help\n", "Autor: ", "\x03", 128 + SIGINT},                         // Ctrl-C
      {"\n", "taste zum fortfahren", "", 128 + SIGTERM},
  };
  std::string odd(1, '\0');  // and every byte above 0x7F, in the script converted
  for (int b = 0x80; b <= 0xFF; ++b) odd += static_cast<char>(b);
  WriteBytes(dir_ / "Script.c", "x=Sum(a" + odd + ",y);\n");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    int master = -1;
    const pid_t pid = StartAtTerminal({Q9_PROGRAM}, dir_, &master, FaultEnv(c.fault));
    ASSERT_GE(pid, 0);
    termios before{}, now{};
    ASSERT_EQ(tcgetattr(master, &before), 0);
    std::string output;
    auto shown = [&](const std::string& text) {
      return WaitFor(master, &output, [&] { return output.find(text) != std::string::npos; });
    };
    EXPECT_TRUE(shown("ordner ist)"));
    EXPECT_EQ(write(master, c.input.data(), c.input.size()), ssize_t(c.input.size()));
    EXPECT_TRUE(shown(c.shown));
    // Started again at once with large pages asked of the allocator.
    EXPECT_THAT(ReadBytes("/proc/" + std::to_string(pid) + "/environ"),
                testing::HasSubstr("GLIBC_TUNABLES=glibc.malloc.hugetlb="));
    EXPECT_TRUE(WaitFor(master, &output, [&] {
      return tcgetattr(master, &now) == 0 && !(now.c_lflag & (ICANON | ECHO));
    })) << "no single-key mode";
    if (c.key.empty()) kill(pid, SIGTERM);
    EXPECT_EQ(write(master, c.key.data(), c.key.size()), ssize_t(c.key.size()));
    int status = -1;
    EXPECT_TRUE(WaitFor(master, &output, [&] { return waitpid(pid, &status, WNOHANG) == pid; }));
    EXPECT_EQ(ShellStatus(status), c.status);
    ASSERT_EQ(tcgetattr(master, &now), 0);
    EXPECT_EQ(std::memcmp(&now, &before, sizeof now), 0) << "settings not restored";
    close(master);
  }
  EXPECT_TRUE(ReadBytes(dir_ / "Script.c") == kMarker + "#strict\nx=a" + odd + "+y;\n");
}

}  // namespace
}  // namespace q9::test
