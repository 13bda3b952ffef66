#include "batch/own_console.h"

namespace q9 {

// A terminal outlives the programs started in it: there is nothing to wait for.
bool OwnsConsole() { return false; }

void WaitForKey(std::ostream&, const char*) {}

}  // namespace q9
