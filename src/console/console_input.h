#ifndef Q9_CONSOLE_CONSOLE_INPUT_H_
#define Q9_CONSOLE_CONSOLE_INPUT_H_

#include <memory>
#include <streambuf>
#include <string>

namespace q9 {

// On Windows, when standard input is a console: a stream buffer that reads it
// as wide text and gives it in UTF-8, the paths' form there, so that a path
// typed with umlauts or letters of any script names the right file (the bytes
// of std::cin would be in the console's code page, which the file calls do not
// take). Ctrl+Z at the start of a line ends the input. Otherwise, and on other
// systems, nullptr: standard input is read as it is.
std::unique_ptr<std::streambuf> WideConsoleInput();

// A path as the path echo shows it. On Windows, when standard output is a
// console: in the console's output code page (a letter it lacks shows as "?"),
// since the console would show the UTF-8 bytes as other letters. Otherwise,
// and on other systems: |path| as it is.
std::string PathForConsole(const std::string& path);

}  // namespace q9

#endif  // Q9_CONSOLE_CONSOLE_INPUT_H_
