#include "console/console_input.h"

namespace q9 {

// Terminals here hand over bytes, which name files as they are.
std::unique_ptr<std::streambuf> WideConsoleInput() { return nullptr; }

std::string PathForConsole(const std::string& path) { return path; }

}  // namespace q9
