// The key read for Windows: at a console one key is taken with _getch(), which
// reads it without echo and without waiting for Enter and needs no settings
// restored afterwards; any other input goes through the stream.
#ifdef _WIN32

#include <conio.h>
#include <io.h>
#include <windows.h>

#include <limits>

#include "console/key_read.h"
#include "console/word_reader.h"

namespace q9 {
namespace {

// _isatty is true for any character device, NUL included; only a console has
// a console mode.
bool IsConsole(int fd) {
  auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

}  // namespace

void ReadKey(std::istream& in, int fd) {
  if (!IsConsole(fd)) return ReadKeyFromStream(in);
  // The rest of the path's line is already in the stream's buffer.
  in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
  if (in.eof()) return;
  _getch();
}

}  // namespace q9

#endif  // _WIN32
