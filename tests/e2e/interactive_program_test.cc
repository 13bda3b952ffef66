// The interactive program run as a process in a scratch folder: how its output
// ends, its exit status and the script it leaves, for what only the program
// shows (its arguments, a failed read of the path, a size limit, interrupted
// system calls) and for bytes that no sane editor makes.

#include <termios.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "tests/e2e/process.h"

namespace q9::test {
namespace {

namespace fs = std::filesystem;

const std::string kKeyPrompt = "Drueck die \"Any Key\" taste zum fortfahren\n";
const std::string kConverted = "Pfad: Script.c\nOperation abgeschlossen\n" + kKeyPrompt;
const std::string kHeader = kMarker + "#strict\n";

struct Case {
  std::string name;
  std::string input = "Script.c\n";                  // typed at the prompt
  std::optional<std::string> script = std::nullopt;  // Script.c before the run, if any
  std::optional<std::string> after = std::nullopt;   // the typed path's file afterwards
  std::string tail = kConverted;                     // how standard output ends
  int status = 0;
  std::string head = "#strict Update Script - Quellor/Tavin 08\n";
  std::vector<std::string> argv = {Q9_PROGRAM};
  std::vector<std::string> env = {};
};

using InteractiveProgramTest = ScratchTest;

TEST_F(InteractiveProgramTest, OutputStatusAndScript) {
  std::string odd(1, '\0');  // and every byte above 0x7F
  for (int b = 0x80; b <= 0xFF; ++b) odd += static_cast<char>(b);
  // clang-format off
  const Case cases[] = {
      {.name = "--version", .tail = "", .head = "Q9ToQ9strict 1.0.0\n",
       .argv = {Q9_PROGRAM, "--version"}},
      {.name = "--help", .tail = "", .head = "Usage: Q9ToQ9strict\n",
       .argv = {Q9_PROGRAM, "--help"}},
      {.name = "standard input unreadable",
       .tail = "ist)\nFehler beim Lesen der Datei: stdin (Is a directory)\n", .status = 1,
       .argv = {"/bin/sh", "-c", "exec \"$0\" </", Q9_PROGRAM}},
      {.name = "a new file, without unnamed files or hard links", .input = "my script.c\nx",
       .after = kHeader, .tail = "Pfad: my\nOperation abgeschlossen\n" + kKeyPrompt,
       .env = FaultEnv("openat:O_TMPFILE * fail 95\nlinkat * fail 1")},
      // The write fails as an error, not as a signal that ends the program (whose
      // output goes through a pipe, beyond the limit).
      {.name = "size limit", .script = kOld, .after = kOld,
       .tail = "Fehler beim Schreiben der Datei: Script.c (File too large)\n" + kKeyPrompt,
       .status = 1,
       .argv = {"/bin/bash", "-c", "set -o pipefail; prlimit --fsize=0 \"$0\" | cat", Q9_PROGRAM}},
      {.name = "interrupted read and write", .script = kOld, .after = kNew,
       .env = FaultEnv("read:file 1 fail 4\nwrite:file 1 fail 4")},
      {.name = "NUL and bytes above 0x7F", .script = "x=Sum(a" + odd + ",y);\n",
       .after = kHeader + "x=a" + odd + "+y;\n"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path dir = dir_ / c.name;
    fs::create_directories(dir);
    const std::string path = c.input.substr(0, c.input.find_first_of(" \n"));
    if (c.script) WriteBytes(dir / path, *c.script);
    const ProcessResult r = RunProcess(c.argv, c.input, {.cwd = dir.string(), .env = c.env});
    EXPECT_EQ(r.status, c.status);
    EXPECT_TRUE(r.out.starts_with(c.head) && r.out.ends_with(c.tail)) << r.out.substr(0, 3000);
    EXPECT_TRUE(ReadBytes(dir / path) == c.after.value_or("")) << "the script differs";
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), c.after ? 1 : 0) << "temporary file";
  }
}

// At a terminal the key read takes a single key without Enter, also when a
// signal interrupts the read, and leaves the terminal's settings as it found
// them, also when a signal ends the program during the wait.
TEST_F(InteractiveProgramTest, KeyReadAtATerminal) {
  struct KeyCase {
    std::string input;
    std::string shown;  // the last words before the wait
    std::string key;    // "" sends SIGTERM
    int status;
    std::string fault = "";  // Q9_FAULT
  };
  // The path is read by the C library's own calls, which the fault library
  // does not see: the first read it sees at the terminal is the key's.
  const KeyCase cases[] = {
      {"Script.c\n", "taste zum fortfahren", "x", 0, "read:other 1 fail 4"},  // EINTR
      {"/help\n", "Autor: ", "\x03", 128 + SIGINT},  // Ctrl-C
      {"\n", "taste zum fortfahren", "", 128 + SIGTERM},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.input);
    int master = -1;
    const pid_t pid = StartAtTerminal(Q9_PROGRAM, nullptr, dir_, &master, FaultEnv(c.fault));
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
    if (c.key.empty()) {
      kill(pid, SIGTERM);
    } else {
      EXPECT_EQ(write(master, c.key.data(), c.key.size()), ssize_t(c.key.size()));
    }
    int status = -1;
    EXPECT_TRUE(WaitFor(master, &output, [&] { return waitpid(pid, &status, WNOHANG) == pid; }));
    EXPECT_EQ(ShellStatus(status), c.status);
    ASSERT_EQ(tcgetattr(master, &now), 0);
    EXPECT_EQ(std::memcmp(&now, &before, sizeof now), 0) << "settings not restored";
    close(master);
  }
  EXPECT_TRUE(fs::exists(dir_ / "Script.c"));
}

}  // namespace
}  // namespace q9::test
