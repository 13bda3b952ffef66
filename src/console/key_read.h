#ifndef Q9_CONSOLE_KEY_READ_H_
#define Q9_CONSOLE_KEY_READ_H_

#include <istream>

namespace q9 {

// The pause before the interactive program ends. |in| must read the file
// descriptor |fd|. When |fd| is not a terminal this is ReadKeyFromStream. At a
// terminal the rest of the path's line is dropped as there, then the terminal is
// switched to single-key input without echo for one key, and its settings are
// restored afterwards, also when SIGINT, SIGTERM, SIGHUP or SIGQUIT ends the
// program during the wait (the signal is then raised again with its default
// action). The end of input ends the wait at once.
void ReadKey(std::istream& in, int fd);

}  // namespace q9

#endif  // Q9_CONSOLE_KEY_READ_H_
