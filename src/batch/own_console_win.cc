// OwnsConsole and WaitForKey for Windows.
#ifdef _WIN32

#include <conio.h>
#include <windows.h>

#include "batch/own_console.h"

namespace q9 {

// A console opened for the program holds the program alone; one opened by a
// shell (cmd, PowerShell) holds the shell too. No console at all: output goes
// to files or pipes, and there is no window to keep open.
bool OwnsConsole() {
  DWORD processes[2];
  return GetConsoleProcessList(processes, 2) == 1;
}

void WaitForKey(std::ostream& out, const char* prompt) {
  out << prompt << '\n' << std::flush;
  _getch();
}

}  // namespace q9

#endif  // _WIN32
