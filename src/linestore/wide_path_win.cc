#include "linestore/wide_path_win.h"

#ifdef _WIN32

#include <windows.h>

namespace q9 {
namespace {

std::wstring Widen(UINT code_page, DWORD flags, std::string_view text) {
  const int size = static_cast<int>(text.size());
  const int wide_size = MultiByteToWideChar(code_page, flags, text.data(), size, nullptr, 0);
  if (wide_size <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(wide_size), L'\0');
  MultiByteToWideChar(code_page, flags, text.data(), size, wide.data(), wide_size);
  return wide;
}

}  // namespace

std::wstring WidePath(std::string_view path) {
  if (path.empty()) return std::wstring();
  std::wstring wide = Widen(CP_UTF8, MB_ERR_INVALID_CHARS, path);
  return wide.empty() ? Widen(CP_ACP, 0, path) : wide;
}

std::string Utf8FromWide(std::wstring_view wide) {
  const int size = static_cast<int>(wide.size());
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return std::string();
  std::string text(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), bytes, nullptr, nullptr);
  return text;
}

}  // namespace q9

#endif  // _WIN32
