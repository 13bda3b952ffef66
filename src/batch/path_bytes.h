#ifndef Q9_BATCH_PATH_BYTES_H_
#define Q9_BATCH_PATH_BYTES_H_

#include <filesystem>
#include <string>

namespace q9 {

// The bytes that name |path| to the line store, with forward slashes: on
// Windows the path in UTF-8, the form the line store takes there (see
// linestore/wide_path_win.h); elsewhere the path's own bytes.
std::string PathBytes(const std::filesystem::path& path);

// The path that the bytes |bytes| name to the line store: the inverse of
// PathBytes, for std::filesystem (which on Windows reads a narrow string in
// neither UTF-8 nor the ANSI code page).
std::filesystem::path PathFromBytes(const std::string& bytes);

}  // namespace q9

#endif  // Q9_BATCH_PATH_BYTES_H_
