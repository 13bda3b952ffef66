#include "batch/path_bytes.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace q9 {

#ifdef _WIN32

std::string PathBytes(const std::filesystem::path& path) {
  const std::wstring wide = path.generic_wstring();
  if (wide.empty()) return std::string();
  const int wide_size = static_cast<int>(wide.size());
  const int size =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), wide_size, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), wide_size, bytes.data(), size, nullptr, nullptr);
  return bytes;
}

#else

std::string PathBytes(const std::filesystem::path& path) { return path.generic_string(); }

#endif  // _WIN32

}  // namespace q9
