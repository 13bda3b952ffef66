#include "linestore/allocator_tunables.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#ifdef __GLIBC__
#include <sys/auxv.h>
#include <unistd.h>
#endif

namespace q9 {
namespace {

// Whether the NAME=VALUE entries of |tunables|, separated by colons, name |name|.
bool Names(std::string_view tunables, std::string_view name) {
  for (std::size_t at = 0; at <= tunables.size();) {
    const std::size_t end = std::min(tunables.find(':', at), tunables.size());
    const std::string_view entry = tunables.substr(at, end - at);
    if (entry.starts_with(name) && entry.substr(name.size()).starts_with('=')) return true;
    at = end + 1;
  }
  return false;
}

}  // namespace

std::optional<std::string> TunablesForLargeScripts(const char* current) {
  constexpr std::string_view kWanted[][2] = {
      {"glibc.malloc.hugetlb", "1"},
      {"glibc.malloc.mmap_threshold", "4194304"},
      {"glibc.malloc.trim_threshold", "67108864"},
  };
  const std::string before = current == nullptr ? "" : current;
  std::string tunables = before;
  for (const auto& [name, value] : kWanted) {
    if (Names(before, name)) continue;
    if (!tunables.empty()) tunables += ':';
    tunables.append(name).append("=").append(value);
  }
  if (tunables == before) return std::nullopt;
  return tunables;
}

void RestartTunedForLargeScripts([[maybe_unused]] char** argv) {
#ifdef __GLIBC__
  // A set-user-ID (or set-group-ID, or capable) program starts without the
  // tunables, whatever it was given: a restart would start it again forever.
  if (getauxval(AT_SECURE) != 0) return;
  const std::optional<std::string> tunables =
      TunablesForLargeScripts(std::getenv("GLIBC_TUNABLES"));
  if (!tunables || setenv("GLIBC_TUNABLES", tunables->c_str(), 1) != 0) return;
  execv("/proc/self/exe", argv);
  // Without /proc, or refused: the program runs on as it is, the tunables
  // still set, so that it cannot try again.
#endif
}

}  // namespace q9
