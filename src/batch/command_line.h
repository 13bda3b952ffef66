#ifndef Q9_BATCH_COMMAND_LINE_H_
#define Q9_BATCH_COMMAND_LINE_H_

#include <string>
#include <vector>

namespace q9 {

// The program's arguments, its name first. On Windows they are read from the
// wide command line and given in UTF-8, the paths' form in this program there,
// so that a name in any script opens (main's |argv| would be in the ANSI code
// page, where such names turn into "?"). Elsewhere: |argv| as it is.
std::vector<std::string> CommandLine(int argc, char** argv);

}  // namespace q9

#endif  // Q9_BATCH_COMMAND_LINE_H_
