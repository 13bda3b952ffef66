#include "batch/command_line.h"

namespace q9 {

std::vector<std::string> CommandLine(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace q9
