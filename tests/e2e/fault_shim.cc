// Preloaded (LD_PRELOAD) into a program under test, so that another process
// can act at the worst moment, or a system call can fail, deterministically.
// Q9_FAULT holds one rule a line:
//   CALL[:TEXT] NTH ACTION
// CALL is openat, fsync, renameat or linkat; a call matches when TEXT is part
// of what it works on: the path (openat, with " O_TMPFILE" added for unnamed
// files), "dir" or "file" (fsync), "OLD NEW" (renameat, linkat). The rule acts
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

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int openat(int dir, const char* path, int flags, ...) {
  mode_t mode = 0;
  const bool unnamed = (flags & O_TMPFILE) == O_TMPFILE;
  if ((flags & O_CREAT) != 0 || unnamed) {
    va_list arguments;
    va_start(arguments, flags);
    mode = static_cast<mode_t>(va_arg(arguments, int));
    va_end(arguments);
  }
  if (int error = Act("openat", std::string(path) + (unnamed ? " O_TMPFILE" : "")); error != 0) {
    errno = error;
    return -1;
  }
  static auto next = Next<int (*)(int, const char*, int, ...)>("openat");
  return next(dir, path, flags, mode);
}

extern "C" int fsync(int fd) {
  struct stat info {};
  fstat(fd, &info);
  if (int error = Act("fsync", S_ISDIR(info.st_mode) ? "dir" : "file"); error != 0) {
    errno = error;
    return -1;
  }
  static auto next = Next<int (*)(int)>("fsync");
  return next(fd);
}

extern "C" int renameat(int old_dir, const char* old_path, int new_dir, const char* new_path) {
  if (int error = Act("renameat", std::string(old_path) + " " + new_path); error != 0) {
    errno = error;
    return -1;
  }
  static auto next = Next<int (*)(int, const char*, int, const char*)>("renameat");
  return next(old_dir, old_path, new_dir, new_path);
}

extern "C" int linkat(int old_dir, const char* old_path, int new_dir, const char* new_path,
                      int flags) {
  if (int error = Act("linkat", std::string(old_path) + " " + new_path); error != 0) {
    errno = error;
    return -1;
  }
  static auto next = Next<int (*)(int, const char*, int, const char*, int)>("linkat");
  return next(old_dir, old_path, new_dir, new_path, flags);
}
