#ifndef Q9_TESTS_E2E_PROCESS_H_
#define Q9_TESTS_E2E_PROCESS_H_

// Runs a program under test as a child process, at pipes or at a terminal.

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "linestore/scratch_test_util.h"

namespace q9::test {

// A script in the old syntax, and what the programs make of it.
const std::string kOld = "Initialize: SetVar(0,1); return(1);\n";
const std::string kMarker = "/*+++Automatisiertes Syntax Update zu #strict - Quellor+++*/\n";
const std::string kNew = kMarker + "#strict\n func Initialize(){\n Var(0)=1;\n return(1);\n}\n";

// A wait status as the shell gives it: the exit status, or 128 + signal.
inline int ShellStatus(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

struct ProcessResult {
  std::string out, err;
  int status = -1;  // ShellStatus
};

// Settings that preload fault_shim.cc with |rules|; the sanitizer's runtime
// must be told that it does not come first.
inline std::vector<std::string> FaultEnv(const std::string& rules) {
  const char* asan = std::getenv("ASAN_OPTIONS");
  return {std::string("LD_PRELOAD=") + Q9_FAULT_SHIM, "Q9_FAULT=" + rules,
          std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":verify_asan_link_order=0"};
}

// In the child: runs |argv| in |cwd| with the NAME=VALUE settings |env|, ended
// by SIGALRM after 60 s, so that a program that hangs fails its test, not the run.
[[noreturn]] inline void Exec(const std::vector<std::string>& argv, const std::string& cwd,
                              const std::vector<std::string>& env) {
  for (const std::string& setting : env) putenv(const_cast<char*>(setting.c_str()));
  alarm(60);  // a pending alarm survives exec
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  closefrom(3);  // what the child has of the test process
  if (chdir(cwd.c_str()) == 0) execv(args[0], args.data());
  _exit(127);
}

// Runs |argv| with |input| on standard input (a pipe); collects both output streams.
inline ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input,
                                const std::string& cwd, const std::vector<std::string>& env = {}) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  int in[2];
  if (out == nullptr || err == nullptr || pipe(in) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    if (dup2(in[0], 0) < 0 || dup2(fileno(out), 1) < 0 || dup2(fileno(err), 2) < 0) _exit(126);
    Exec(argv, cwd, env);
  }
  // The output goes to files, so the child reads on: a blocking write ends
  // when all is written, or when the child has gone without reading it all.
  close(in[0]);
  std::signal(SIGPIPE, SIG_IGN);
  [[maybe_unused]] const ssize_t written = write(in[1], input.data(), input.size());
  close(in[1]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  auto take = [](std::FILE* file) {
    std::string text = ReadBytes("/proc/self/fd/" + std::to_string(fileno(file)));
    std::fclose(file);
    return text;
  };
  return {take(out), take(err), ShellStatus(status)};
}

// Starts |argv| at a new pseudo-terminal, whose other end is |*master|.
inline pid_t StartAtTerminal(const std::vector<std::string>& argv, const std::string& cwd,
                             int* master, const std::vector<std::string>& env = {}) {
  const pid_t pid = forkpty(master, nullptr, nullptr, nullptr);
  if (pid == 0) Exec(argv, cwd, env);
  return pid;
}

// Reads the terminal's output into |*output| until |done| and the output
// stops, so that the program cannot block on it; false after 30 s.
template <typename Done>
inline bool WaitFor(int master, std::string* output, Done done) {
  for (const std::time_t deadline = std::time(nullptr) + 30; std::time(nullptr) < deadline;) {
    const bool finished = done();
    char buffer[4096];
    ssize_t n = 0;
    for (pollfd p{master, POLLIN, 0};
         poll(&p, 1, 10) > 0 && (n = read(master, buffer, sizeof buffer)) > 0;) {
      output->append(buffer, static_cast<std::size_t>(n));  // EIO once the program is gone
    }
    if (finished) return true;
  }
  return false;
}

}  // namespace q9::test

#endif  // Q9_TESTS_E2E_PROCESS_H_
