// The interactive converter: asks for one script's path on standard input,
// converts that script in place and waits for a key.

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <system_error>

#include "console/dialogue.h"
#include "console/key_read.h"
#include "linestore/temp_names.h"

namespace {

// Where a signal finds the temporary file of a save in progress.
q9::TempNames g_temps;

}  // namespace

int main() {
#ifdef _WIN32
  // The texts are bytes on Windows too: no LF becomes CR LF on the way out.
  _setmode(_fileno(stdout), _O_BINARY);
#else
  // A write beyond the file size limit must fail as an error the save can
  // report and clean up after, not kill the program half-way.
  std::signal(SIGXFSZ, SIG_IGN);
  q9::RemoveTempsOnSignals(&g_temps);
#endif
  q9::DialogueHooks hooks;
  hooks.convert = [](const std::string& path) { return q9::ConvertFile(path, &g_temps); };
  // std::cin reports a failed read as the end of input; the C stream knows better.
  hooks.input_error = [] {
    if (!std::ferror(stdin)) return q9::Status();
    return q9::Status::Error(std::generic_category().message(errno != 0 ? errno : EIO));
  };
  hooks.read_key = [](std::istream& in) { q9::ReadKey(in, 0); };
  return q9::RunDialogue(std::cin, std::cout, hooks);
}
