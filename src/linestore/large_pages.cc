#include "linestore/large_pages.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#ifdef __GLIBC__
#include <sys/auxv.h>
#include <unistd.h>
#endif

namespace q9 {

std::optional<std::string> TunablesWithLargePages(const char* current) {
  constexpr std::string_view kName = "glibc.malloc.hugetlb";
  const std::string tunables = current == nullptr ? "" : current;
  // Entries are NAME=VALUE, separated by colons.
  for (std::size_t at = 0; at <= tunables.size();) {
    const std::size_t end = std::min(tunables.find(':', at), tunables.size());
    const std::string_view entry = std::string_view(tunables).substr(at, end - at);
    if (entry.starts_with(kName) && entry.substr(kName.size()).starts_with('=')) return std::nullopt;
    at = end + 1;
  }
  return (tunables.empty() ? "" : tunables + ":") + std::string(kName) + "=1";
}

void RestartWithLargePages([[maybe_unused]] char** argv) {
#ifdef __GLIBC__
  // A set-user-ID (or set-group-ID, or capable) program starts without the
  // tunable, whatever it was given: a restart would start it again forever.
  if (getauxval(AT_SECURE) != 0) return;
  const std::optional<std::string> tunables = TunablesWithLargePages(std::getenv("GLIBC_TUNABLES"));
  if (!tunables || setenv("GLIBC_TUNABLES", tunables->c_str(), 1) != 0) return;
  execv("/proc/self/exe", argv);
  // Without /proc, or refused: the program runs on as it is, the tunable
  // still set, so that it cannot try again.
#endif
}

}  // namespace q9
