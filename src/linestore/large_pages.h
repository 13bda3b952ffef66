#ifndef Q9_LINESTORE_LARGE_PAGES_H_
#define Q9_LINESTORE_LARGE_PAGES_H_

#include <optional>
#include <string>

namespace q9 {

// A large script becomes hundreds of thousands of small heap blocks, and on a
// system that gives large pages only to memory that asks for them, touching
// each fresh small page was a fifth of a conversion's time. The C library's
// allocator asks for them when the tunable glibc.malloc.hugetlb is 1, which it
// reads only at start-up.

// The value GLIBC_TUNABLES should have for that, given its value now (null when
// unset): |current| with "glibc.malloc.hugetlb=1" added; nothing when |current|
// already names that tunable, whatever its value, so that a user's choice holds.
std::optional<std::string> TunablesWithLargePages(const char* current);

// On Linux with the GNU C library: when the environment does not name the
// tunable yet, starts the program again in its place (same arguments,
// descriptors and working folder) with it set. Returns when no restart was
// needed or possible (a set-user-ID program starts without the tunable), and
// everywhere else at once. Must be called first thing in main, before anything
// is read, written or started.
void RestartWithLargePages(char** argv);

}  // namespace q9

#endif  // Q9_LINESTORE_LARGE_PAGES_H_
