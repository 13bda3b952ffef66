#ifndef Q9_LINESTORE_WIDE_PATH_WIN_H_
#define Q9_LINESTORE_WIDE_PATH_WIN_H_

#include <string>
#include <string_view>

namespace q9 {

// Paths on Windows. The programs hold them in UTF-8 (the command line and the
// console are read as wide text and turned into it) and hand them to the wide
// ("W") calls, so any name opens whatever the code pages. Only built for Windows.

// |path| for the wide calls: UTF-8 when it is valid UTF-8; anything else is
// taken in the ANSI code page, the form of bytes typed into a pipe.
std::wstring WidePath(std::string_view path);

// |wide| in UTF-8.
std::string Utf8FromWide(std::wstring_view wide);

}  // namespace q9

#endif  // Q9_LINESTORE_WIDE_PATH_WIN_H_
