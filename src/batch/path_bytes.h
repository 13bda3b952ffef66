#ifndef Q9_BATCH_PATH_BYTES_H_
#define Q9_BATCH_PATH_BYTES_H_

#include <filesystem>
#include <string>

namespace q9 {

// The bytes that name |path| to the line store, with forward slashes. On
// Windows that is the path in the ANSI code page, the one that typed paths
// arrive in and the line store's calls take (std::filesystem would give
// UTF-8); a character the code page lacks becomes "?", so such a file cannot
// be opened and is reported, never touched. Elsewhere: the path's own bytes.
std::string PathBytes(const std::filesystem::path& path);

}  // namespace q9

#endif  // Q9_BATCH_PATH_BYTES_H_
