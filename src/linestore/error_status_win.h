#ifndef Q9_LINESTORE_ERROR_STATUS_WIN_H_
#define Q9_LINESTORE_ERROR_STATUS_WIN_H_

#include "linestore/status.h"

namespace q9 {

// An error Status for a Windows error code (GetLastError()). The failures a
// user can act on get the same short reasons as on other systems ("No such file
// or directory", "Permission denied", "No space left on device"), so messages
// read alike everywhere; any other code gets the system's own text. The code is
// a DWORD; it is taken as unsigned long so that this header needs no
// <windows.h>. Only built for Windows.
Status WinErrorStatus(unsigned long code);

}  // namespace q9

#endif  // Q9_LINESTORE_ERROR_STATUS_WIN_H_
