#ifndef Q9_LINESTORE_ALLOCATOR_TUNABLES_H_
#define Q9_LINESTORE_ALLOCATOR_TUNABLES_H_

#include <optional>
#include <string>

namespace q9 {

// How the C library's allocator is set for large scripts. It reads its
// tunables only at start-up, so the program starts again with them set.
//
// - glibc.malloc.hugetlb=1: a large script becomes hundreds of thousands of
//   small heap blocks, and on a system that gives large pages only to memory
//   that asks for them, touching each fresh small page was a fifth of a
//   conversion's time.
// - glibc.malloc.mmap_threshold=4194304 and glibc.malloc.trim_threshold=67108864:
//   each row of the conversion takes and gives back megabytes (the texts it may
//   have to undo). Blocks of under 4 MiB come from the heap, and up to 64 MiB of
//   it is kept when freed, so the next row reuses those pages instead of
//   faulting in fresh ones. The allocator's own rule gets there only after it
//   has given back a block of at most 32 MiB, which the exactly sized list of
//   lines of a script over about 40 MB never is.

// The value GLIBC_TUNABLES should have for that, given its value now (null when
// unset): |current| with each of those tunables that it does not name added;
// nothing when it names them all, whatever their values, so that a user's
// choice holds.
std::optional<std::string> TunablesForLargeScripts(const char* current);

// On Linux with the GNU C library: when the environment lacks any of the
// tunables, starts the program again in its place (same arguments,
// descriptors and working folder) with them set. Returns when no restart was
// needed or possible (a set-user-ID program starts without tunables), and
// everywhere else at once. Must be called first thing in main, before anything
// is read, written or started.
void RestartTunedForLargeScripts(char** argv);

}  // namespace q9

#endif  // Q9_LINESTORE_ALLOCATOR_TUNABLES_H_
