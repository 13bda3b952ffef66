// The interactive converter: asks for one script's path on standard input,
// converts that script in place and waits for a key.

#include <csignal>
#include <iostream>

#include "console/dialogue.h"
#include "console/key_read.h"

int main() {
  // A write beyond the file size limit must fail as an error the save can
  // report and clean up after, not kill the program half-way.
  std::signal(SIGXFSZ, SIG_IGN);
  q9::DialogueHooks hooks;
  hooks.read_key = [](std::istream& in) { q9::ReadKey(in, 0); };
  return q9::RunDialogue(std::cin, std::cout, hooks);
}
