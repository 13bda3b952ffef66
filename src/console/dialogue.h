#ifndef Q9_CONSOLE_DIALOGUE_H_
#define Q9_CONSOLE_DIALOGUE_H_

#include <functional>
#include <istream>
#include <ostream>
#include <string>

#include "pipeline/convert_file.h"

namespace q9 {

// What the dialogue needs from the world outside the console streams, so that
// tests can run it without files or a terminal.
struct DialogueHooks {
  std::function<FileConversion(const std::string& path)> convert = [](const std::string& path) {
    return ConvertFile(path);
  };
  // Why reading the path failed, or ok (the end of input is no failure).
  std::function<Status()> input_error = [] { return Status(); };
  // The pause before the end; given the input stream the path was read from.
  std::function<void(std::istream&)> read_key;
  // How the path echo shows the path; as it is when empty.
  std::function<std::string(const std::string&)> show_path;
};

// The whole interactive run: greeting, the path word, the help page or the
// wrong-case reply, the conversion with its messages, the closing lines and the
// key read. Writes only to |out|, each line end flushed. Returns the exit status:
// 0 after a conversion (bracket errors included), 1 after the help page, the
// wrong-case reply, a failure to read the path from |in|, or a failure to read,
// convert or write the script. A failure to read or write is followed by the
// key prompt and the key read, so a window opened for the program stays until
// its message has been read.
int RunDialogue(std::istream& in, std::ostream& out, const DialogueHooks& hooks);

}  // namespace q9

#endif  // Q9_CONSOLE_DIALOGUE_H_
