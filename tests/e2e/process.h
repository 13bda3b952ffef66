#ifndef Q9_TESTS_E2E_PROCESS_H_
#define Q9_TESTS_E2E_PROCESS_H_

// Starts a program as a child process for end-to-end tests.

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

namespace q9::test {

struct ProcessResult {
  std::string out;
  std::string err;
  int status = -1;  // exit status, or 128 + signal
};

struct ProcessOptions {
  std::string cwd = ".";
  long file_size_limit = -1;  // RLIMIT_FSIZE in bytes when >= 0, SIGXFSZ left as inherited
  // When >= 0, the child gives up root before exec: no supplementary groups
  // but |groups|, then this number as group and user ID (65534 is nobody/nogroup).
  int uid = -1;
  std::vector<gid_t> groups = {};
  std::vector<std::string> env = {};  // NAME=VALUE, set in the child
  std::string stdin_file = "";        // when set, standard input is this file instead of |input|
  std::string stdout_file = "";       // when set, standard output goes to this file
  bool stdout_reader_closed = false;  // standard output is a pipe that nobody reads
  // When > 0, the child is killed by SIGALRM after this many seconds (status
  // 128 + SIGALRM), so a program that hangs fails its test instead of the run.
  unsigned time_limit_seconds = 0;
};

// Feeds |input| to |in_fd| while draining |out_fd| and |err_fd| into |*out| and
// |*err| at the same time, so that no pipe can fill up and block the child.
// Closes all three descriptors.
inline void PumpPipes(int in_fd, const std::string& input, int out_fd, std::string* out, int err_fd,
                      std::string* err) {
  std::size_t written = 0;
  if (input.empty()) {
    close(in_fd);
    in_fd = -1;
  }
  while (out_fd >= 0 || err_fd >= 0) {
    pollfd fds[3] = {{in_fd, POLLOUT, 0}, {out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    if (poll(fds, 3, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (in_fd >= 0 && fds[0].revents != 0) {
      ssize_t n = write(in_fd, input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<std::size_t>(n);
      if (n <= 0 || written == input.size()) {
        close(in_fd);
        in_fd = -1;
      }
    }
    int* fd_of[2] = {&out_fd, &err_fd};
    std::string* sink_of[2] = {out, err};
    for (int k = 0; k < 2; ++k) {
      if (*fd_of[k] < 0 || fds[k + 1].revents == 0) continue;
      char buffer[65536];
      ssize_t n = read(*fd_of[k], buffer, sizeof buffer);
      if (n > 0) {
        sink_of[k]->append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        close(*fd_of[k]);
        *fd_of[k] = -1;
      }
    }
  }
  if (in_fd >= 0) close(in_fd);
}

// Runs |argv| in |options.cwd| with |input| on standard input; collects both
// output streams.
inline ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input,
                                const ProcessOptions& options = {}) {
  int in_pipe[2], out_pipe[2], err_pipe[2];
  if (pipe(in_pipe) != 0 || pipe(out_pipe) != 0 || pipe(err_pipe) != 0) return {};
  if (options.stdout_reader_closed) {
    close(out_pipe[0]);
    out_pipe[0] = -1;
  }
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in_pipe[0], 0);
    dup2(out_pipe[1], 1);
    dup2(err_pipe[1], 2);
    for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]}) {
      if (fd >= 0) close(fd);
    }
    for (const auto& [fd, file, flags] :
         {std::tuple{0, options.stdin_file, O_RDONLY}, {1, options.stdout_file, O_WRONLY}}) {
      if (file.empty()) continue;
      const int opened = open(file.c_str(), flags);
      if (opened < 0 || dup2(opened, fd) < 0) _exit(126);
      close(opened);
    }
    for (const std::string& setting : options.env) putenv(const_cast<char*>(setting.c_str()));
    if (chdir(options.cwd.c_str()) != 0) _exit(126);
    if (options.file_size_limit >= 0) {
      rlimit limit{static_cast<rlim_t>(options.file_size_limit),
                   static_cast<rlim_t>(options.file_size_limit)};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (options.uid >= 0) {
      const auto id = static_cast<uid_t>(options.uid);
      if (setgroups(options.groups.size(), options.groups.data()) != 0 || setgid(id) != 0 ||
          setuid(id) != 0) {
        _exit(125);
      }
    }
    // A pending alarm survives exec, so it bounds the program itself.
    if (options.time_limit_seconds > 0) alarm(options.time_limit_seconds);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(in_pipe[0]);
  close(out_pipe[1]);
  close(err_pipe[1]);
  // A child that stops reading early must not kill the test with SIGPIPE.
  std::signal(SIGPIPE, SIG_IGN);
  ProcessResult result;
  PumpPipes(in_pipe[1], input, out_pipe[0], &result.out, err_pipe[0], &result.err);
  int wstatus = 0;
  while (waitpid(pid, &wstatus, 0) < 0 && errno == EINTR) {
  }
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  return result;
}

// A fresh, empty folder for one test.
inline std::filesystem::path MakeScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "q9e2e.XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  return pattern;
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace q9::test

#endif  // Q9_TESTS_E2E_PROCESS_H_
