// The interactive converter: asks for one script's path on standard input,
// converts that script in place and waits for a key.

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <csignal>
#include <iostream>

#include "console/dialogue.h"
#include "console/key_read.h"

int main() {
#ifdef _WIN32
  // The texts are bytes on Windows too: no LF becomes CR LF on the way out.
  _setmode(_fileno(stdout), _O_BINARY);
#else
  // A write beyond the file size limit must fail as an error the save can
  // report and clean up after, not kill the program half-way.
  std::signal(SIGXFSZ, SIG_IGN);
#endif
  q9::DialogueHooks hooks;
  hooks.read_key = [](std::istream& in) { q9::ReadKey(in, 0); };
  return q9::RunDialogue(std::cin, std::cout, hooks);
}
