#ifndef Q9_BATCH_OWN_CONSOLE_H_
#define Q9_BATCH_OWN_CONSOLE_H_

#include <ostream>

namespace q9 {

// True when the program runs in a console window of its own that closes when
// it ends: on Windows, started from Explorer (a double click, or scripts
// dropped on it), where no shell shares the console. Elsewhere never.
bool OwnsConsole();

// Writes |prompt| and an LF to |out| and waits for one key at the console, so
// that such a window stays open until its text has been read.
void WaitForKey(std::ostream& out, const char* prompt);

}  // namespace q9

#endif  // Q9_BATCH_OWN_CONSOLE_H_
