// The interactive converter: asks for one script's path on standard input,
// converts that script in place and waits for a key.

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <system_error>

#include "console/console_input.h"
#include "console/dialogue.h"
#include "console/key_read.h"
#include "linestore/allocator_tunables.h"
#include "linestore/temp_names.h"

namespace {

// Where a signal finds the temporary file of a save in progress.
q9::TempNames g_temps;

// For --help (and the manual page made from it); the dialogue itself is German.
constexpr const char* kUsage =
    R"(Usage: Q9ToQ9strict
Converts one game script to the #strict syntax, in place.

The program asks for the script's path on standard input (Enter alone takes
Script.c in the current folder), converts that file, reports bracket errors by
line (counted from 0) and waits for a key. Typing /help shows its help page.
The new text is saved atomically: a failed save leaves the script as it was.
For many scripts at once, and to see the changes first, use q9strict.

Options:
  --help     show this text and exit
  --version  show the version and exit

Exit status: 0 the script was converted (bracket errors included); 1 the help
page was shown, or the script could not be read, converted or written.
)";

}  // namespace

int main(int argc, char** argv) {
  q9::RestartTunedForLargeScripts(argv);
  // The dialogue takes no arguments; these two answer without it.
  if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
    std::cout << "Q9ToQ9strict " << Q9_VERSION << "\n";
    return 0;
  }
  if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
    std::cout << kUsage;
    return 0;
  }
#ifdef _WIN32
  // The texts are bytes on Windows too: no LF becomes CR LF on the way out.
  _setmode(_fileno(stdout), _O_BINARY);
#else
  // A write beyond the file size limit must fail as an error the save can
  // report and clean up after, not kill the program half-way.
  std::signal(SIGXFSZ, SIG_IGN);
  q9::RemoveTempsOnSignals(&g_temps);
#endif
  const std::unique_ptr<std::streambuf> console = q9::WideConsoleInput();
  std::istream console_in(console.get());
  q9::DialogueHooks hooks;
  hooks.convert = [](const std::string& path) { return q9::ConvertFile(path, &g_temps); };
  // std::cin reports a failed read as the end of input; the C stream knows better.
  hooks.input_error = [] {
    if (!std::ferror(stdin)) return q9::Status();
    return q9::Status::Error(std::generic_category().message(errno != 0 ? errno : EIO));
  };
  hooks.read_key = [](std::istream& in) { q9::ReadKey(in, 0); };
  hooks.show_path = q9::PathForConsole;
  return q9::RunDialogue(console ? console_in : std::cin, std::cout, hooks);
}
