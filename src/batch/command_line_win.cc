// CommandLine for Windows: the wide command line, split as the C runtime does.
#ifdef _WIN32

#include <windows.h>
// shellapi.h needs windows.h before it.
#include <shellapi.h>

#include "batch/command_line.h"
#include "linestore/wide_path_win.h"

namespace q9 {

std::vector<std::string> CommandLine(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i) args.push_back(Utf8FromWide(wide[i]));
  LocalFree(wide);
  return args;
}

}  // namespace q9

#endif  // _WIN32
