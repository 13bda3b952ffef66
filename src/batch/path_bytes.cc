#include "batch/path_bytes.h"

#ifdef _WIN32
#include "linestore/wide_path_win.h"
#endif

namespace q9 {

#ifdef _WIN32

std::string PathBytes(const std::filesystem::path& path) {
  return Utf8FromWide(path.generic_wstring());
}

std::filesystem::path PathFromBytes(const std::string& bytes) { return WidePath(bytes); }

#else

std::string PathBytes(const std::filesystem::path& path) { return path.generic_string(); }

std::filesystem::path PathFromBytes(const std::string& bytes) { return bytes; }

#endif  // _WIN32

}  // namespace q9
