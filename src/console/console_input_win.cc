// WideConsoleInput and PathForConsole for Windows.
#ifdef _WIN32

#include <windows.h>

#include <string>

#include "console/console_input.h"
#include "linestore/wide_path_win.h"

namespace q9 {
namespace {

class WideConsoleBuffer : public std::streambuf {
 public:
  explicit WideConsoleBuffer(HANDLE console) : console_(console) {}

 protected:
  int_type underflow() override {
    if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
    wchar_t wide[1024];
    DWORD got = 0;
    // A console in line mode hands over one typed line (with its CR LF) a call.
    if (!ReadConsoleW(console_, wide, 1024, &got, nullptr) || got == 0 || wide[0] == L'\x1a') {
      return traits_type::eof();
    }
    text_ = Utf8FromWide(std::wstring_view(wide, got));
    if (text_.empty()) return traits_type::eof();
    setg(text_.data(), text_.data(), text_.data() + text_.size());
    return traits_type::to_int_type(*gptr());
  }

 private:
  HANDLE console_;
  std::string text_;
};

}  // namespace

std::unique_ptr<std::streambuf> WideConsoleInput() {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (input == INVALID_HANDLE_VALUE || !GetConsoleMode(input, &mode)) return nullptr;
  return std::make_unique<WideConsoleBuffer>(input);
}

std::string PathForConsole(const std::string& path) {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (output == INVALID_HANDLE_VALUE || !GetConsoleMode(output, &mode)) return path;
  const std::wstring wide = WidePath(path);
  const int size = static_cast<int>(wide.size());
  const UINT code_page = GetConsoleOutputCP();
  const int bytes =
      WideCharToMultiByte(code_page, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return path;
  std::string shown(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(code_page, 0, wide.data(), size, shown.data(), bytes, nullptr, nullptr);
  return shown;
}

}  // namespace q9

#endif  // _WIN32
