// Preloaded (LD_PRELOAD) into a program under test, so that another process
// can act at the worst moment, or a system call can fail, deterministically.
// Q9_FAULT holds one rule a line:
//   CALL[:TEXT] NTH ACTION
// CALL is openat, fsync, renameat, linkat, read or write; a call matches when
// TEXT is part of what it works on: the path (openat, with " O_TMPFILE" added
// for unnamed files), "OLD NEW" (renameat, linkat), or the kind of file: "file"
// (a regular one), "dir" or "other" (fsync, read, write). The rule acts
// at the NTH matching call ("*": at every one). ACTION is "sh COMMAND", which
// runs COMMAND with /bin/sh ($PPID is the program) and waits for it before the
// call goes on, or "fail ERRNO", which fails the call with that number.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <deque>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace {

struct Rule {
  std::string call;
  std::string text;
  long nth = 0;  // 0: every one
  std::string command;
  int error = 0;
  std::atomic<long> seen{0};
};

std::deque<Rule>* ParseRules() {
  auto* rules = new std::deque<Rule>();  // lives as long as the program
  const char* text = std::getenv("Q9_FAULT");
  std::istringstream lines(text != nullptr ? text : "");
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string call, nth, action;
    if (!(words >> call >> nth >> action)) continue;
    Rule& rule = rules->emplace_back();
    const std::size_t colon = call.find(':');
    rule.call = call.substr(0, colon);
    if (colon != std::string::npos) rule.text = call.substr(colon + 1);
    rule.nth = nth == "*" ? 0 : std::atol(nth.c_str());
    std::getline(words >> std::ws, rule.command);
    if (action == "fail") rule.error = std::atoi(rule.command.c_str());
  }
  return rules;
}

// The command is another process: it runs without this library and its rules.
void RunShell(const std::string& command) {
  std::vector<char*> env;
  for (char** setting = environ; *setting != nullptr; ++setting) {
    const std::string_view text(*setting);
    if (!text.starts_with("LD_PRELOAD=") && !text.starts_with("Q9_FAULT=")) {
      env.push_back(*setting);
    }
  }
  env.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    execle("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr), env.data());
    _exit(127);
  }
  int status = 0;
  while (child > 0 && waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

// The errno the call must fail with, or 0 to let it go on.
int Act(const char* call, const std::string& detail) {
  static std::deque<Rule>* rules = ParseRules();
  const int saved = errno;
  for (Rule& rule : *rules) {
    if (rule.call != call || detail.find(rule.text) == std::string::npos) continue;
    const long count = ++rule.seen;
    if (rule.nth != 0 && count != rule.nth) continue;
    if (rule.error != 0) return rule.error;
    RunShell(rule.command);
  }
  errno = saved;
  return 0;
}

const char* KindOf(int fd) {
  struct stat info {};
  fstat(fd, &info);
  return S_ISREG(info.st_mode) ? "file" : S_ISDIR(info.st_mode) ? "dir" : "other";
}

// The call |name| as a rule for |detail| has it: failed (-1 with the rule's
// errno), or made with |args| after the rule's command has run.
template <typename Function, typename... Args>
std::invoke_result_t<Function, Args...> Call(const char* name, const std::string& detail,
                                             Args... args) {
  // Each call below has a type of its own, and so a |next| of its own.
  static const auto next = reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
  if (int error = Act(name, detail); error != 0) {
    errno = error;
    return -1;
  }
  return next(args...);
}

}  // namespace

// A mode follows the flags only where the call creates a file.
extern "C" int openat(int dir, const char* path, int flags, ...) {
  mode_t mode = 0;
  const bool unnamed = (flags & O_TMPFILE) == O_TMPFILE;
  if ((flags & O_CREAT) != 0 || unnamed) {
    va_list arguments;
    va_start(arguments, flags);
    mode = static_cast<mode_t>(va_arg(arguments, int));
    va_end(arguments);
  }
  const std::string detail = std::string(path) + (unnamed ? " O_TMPFILE" : "");
  return Call<int (*)(int, const char*, int, ...)>("openat", detail, dir, path, flags, mode);
}

extern "C" ssize_t read(int fd, void* buffer, size_t size) {
  return Call<ssize_t (*)(int, void*, size_t)>("read", KindOf(fd), fd, buffer, size);
}

extern "C" ssize_t write(int fd, const void* buffer, size_t size) {
  return Call<ssize_t (*)(int, const void*, size_t)>("write", KindOf(fd), fd, buffer, size);
}

extern "C" int fsync(int fd) { return Call<int (*)(int)>("fsync", KindOf(fd), fd); }

extern "C" int renameat(int old_dir, const char* old_path, int new_dir, const char* new_path) {
  using Function = int (*)(int, const char*, int, const char*);
  return Call<Function>("renameat", std::string(old_path) + " " + new_path, old_dir, old_path,
                        new_dir, new_path);
}

extern "C" int linkat(int old_dir, const char* old_path, int new_dir, const char* new_path,
                      int flags) {
  using Function = int (*)(int, const char*, int, const char*, int);
  return Call<Function>("linkat", std::string(old_path) + " " + new_path, old_dir, old_path,
                        new_dir, new_path, flags);
}
