#ifndef Q9_TESTS_E2E_PROCESS_H_
#define Q9_TESTS_E2E_PROCESS_H_

// Starts a program as a child process for end-to-end tests, with pipes and
// files or at a terminal, and the script they have it convert.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "linestore/scratch_test_util.h"

namespace q9::test {

// A script in the old syntax, and what the programs make of it.
const std::string kOld = "Initialize: SetVar(0,1); return(1);\n";
const std::string kMarker = "/*+++Automatisiertes Syntax Update zu #strict - Quellor+++*/\n";
const std::string kNew = kMarker + "#strict\n func Initialize(){\n Var(0)=1;\n return(1);\n}\n";

// A wait status as the shell gives it: the exit status, or 128 + signal.
inline int ShellStatus(int wait_status) {
  return WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
}

struct ProcessResult {
  std::string out, err;
  int status = -1;  // ShellStatus
};

struct ProcessOptions {
  std::string cwd = ".";
  std::vector<std::string> env = {};  // NAME=VALUE, set in the child
  std::string stdout_file = "";  // standard output, instead of ProcessResult::out
};

// NAME=VALUE settings that preload the fault library (fault_shim.cc) with
// |rules| as Q9_FAULT; the sanitizer's runtime must be told that it comes first.
inline std::vector<std::string> FaultEnv(const std::string& rules) {
  const char* asan = std::getenv("ASAN_OPTIONS");
  return {std::string("LD_PRELOAD=") + Q9_FAULT_SHIM, "Q9_FAULT=" + rules,
          std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":verify_asan_link_order=0"};
}

// What a child wrote to |file|, which is closed.
inline std::string TakeText(std::FILE* file) {
  const std::string text = ReadBytes("/proc/self/fd/" + std::to_string(fileno(file)));
  std::fclose(file);
  return text;
}

// Runs |argv| in |options.cwd| with |input| on standard input (a pipe);
// collects both output streams. A child still running after 60 s is killed by
// SIGALRM, so a program that hangs fails its test instead of the run.
inline ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input,
                                const ProcessOptions& options = {}) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  int in[2];
  if (out == nullptr || err == nullptr || pipe(in) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    const int out_fd = options.stdout_file.empty() ? fileno(out)
                                                   : open(options.stdout_file.c_str(), O_WRONLY);
    if (dup2(in[0], 0) < 0 || dup2(out_fd, 1) < 0 || dup2(fileno(err), 2) < 0 ||
        chdir(options.cwd.c_str()) != 0) {
      _exit(126);
    }
    for (const std::string& setting : options.env) putenv(const_cast<char*>(setting.c_str()));
    alarm(60);  // a pending alarm survives exec
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    closefrom(3);  // what the child has of the test process
    execv(args[0], args.data());
    _exit(127);
  }
  // The output goes to files, so the child reads on: a blocking write ends
  // when all is written, or when the child has gone without reading it all.
  close(in[0]);
  std::signal(SIGPIPE, SIG_IGN);
  [[maybe_unused]] const ssize_t written = write(in[1], input.data(), input.size());
  close(in[1]);
  int wait_status = 0;
  while (waitpid(pid, &wait_status, 0) < 0 && errno == EINTR) {
  }
  return {TakeText(out), TakeText(err), ShellStatus(wait_status)};
}

// Starts |program| with |arg| (if any) and the NAME=VALUE settings |env| in
// |dir| at a new (pseudo-)terminal, whose other end is |*master|. SIGALRM ends
// the program after 60 s.
inline pid_t StartAtTerminal(const char* program, const char* arg, const std::filesystem::path& dir,
                             int* master, const std::vector<std::string>& env = {}) {
  const pid_t pid = forkpty(master, nullptr, nullptr, nullptr);
  if (pid != 0) return pid;
  for (const std::string& setting : env) putenv(const_cast<char*>(setting.c_str()));
  alarm(60);
  if (chdir(dir.c_str()) == 0) execl(program, program, arg, static_cast<char*>(nullptr));
  _exit(127);
}

// Reads the terminal's output into |*output| until |done| and the output
// stops, so that the program cannot block on it; false after 10 s.
template <typename Done>
inline bool WaitFor(int master, std::string* output, Done done) {
  for (const std::time_t deadline = std::time(nullptr) + 10; std::time(nullptr) < deadline;) {
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
