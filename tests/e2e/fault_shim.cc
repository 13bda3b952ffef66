// Preloaded (LD_PRELOAD) into a program under test, so that another process
// acts at the worst moment, or a system call fails, deterministically.
// Q9_FAULT holds one rule a line, "CALL[:TEXT] NTH ACTION": it acts at the NTH
// ("*": every) call of openat, fsync, renameat, linkat, read or write whose
// path (openat; " O_TMPFILE" added for unnamed files), "OLD NEW" (renameat,
// linkat) or kind of file ("file", "dir" or "other": fsync, read, write) holds
// TEXT. ACTION "sh COMMAND" runs COMMAND with /bin/sh ($PPID is the program)
// and waits for it before the call goes on; "fail ERRNO" fails the call.
#include <dlfcn.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <deque>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Rule {
  std::string call, text, command;
  long nth = 0;   // 0: every one
  int error = 0;  // "fail ERRNO"
  std::atomic<long> seen{0};
};

// Never destroyed: calls made while the program exits still find the rules.
std::deque<Rule>& Rules() {
  static auto* rules = new std::deque<Rule>();
  return *rules;
}

__attribute__((constructor)) void ReadRules() {  // before main
  static const std::regex kRule(R"((\w+):?(\S*) (\S+) (sh|fail) (.*))");
  const std::string text = std::getenv("Q9_FAULT") != nullptr ? std::getenv("Q9_FAULT") : "";
  for (std::sregex_iterator m(text.begin(), text.end(), kRule), end; m != end; ++m) {
    const long nth = (*m)[3] == "*" ? 0 : std::stol((*m)[3]);
    const int error = (*m)[4] == "fail" ? std::stoi((*m)[5]) : 0;
    Rules().emplace_back((*m)[1], (*m)[2], (*m)[5], nth, error);
  }
}

// COMMAND runs as another process would, without this library and its rules;
// the program keeps both, so that they hold when it starts itself again.
void RunShell(const std::string& command) {
  const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
  std::vector<char*> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string_view setting = *e;
    if (!setting.starts_with("LD_PRELOAD=") && !setting.starts_with("Q9_FAULT=")) env.push_back(*e);
  }
  env.push_back(nullptr);
  pid_t child = 0;
  if (posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), env.data()) != 0)
    return;
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
}

// The errno the call must fail with, or 0 to let it go on.
int Act(const char* call, const std::string& detail) {
  const int saved = errno;
  for (Rule& rule : Rules()) {
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
// errno), or made with |args| after the rule's command has run. Each call has
// a type of its own, and so a |next| of its own.
template <typename Function, typename... Args>
auto Call(const char* name, const std::string& detail, Args... args) {
  static const auto next = reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
  const int error = Act(name, detail);
  if (error == 0) return next(args...);
  errno = error;
  return decltype(next(args...))(-1);
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
  return Call<int (*)(int, const char*, int, const char*)>(
      "renameat", std::string(old_path) + " " + new_path, old_dir, old_path, new_dir, new_path);
}

extern "C" int linkat(int old_dir, const char* old_path, int new_dir, const char* new_path,
                      int flags) {
  return Call<int (*)(int, const char*, int, const char*, int)>(
      "linkat", std::string(old_path) + " " + new_path, old_dir, old_path, new_dir, new_path,
      flags);
}
