#ifndef Q9_TESTS_MODEL_SCRIPT_GENERATOR_H_
#define Q9_TESTS_MODEL_SCRIPT_GENERATOR_H_

// Random old-syntax scripts, as modders write them: mostly plain code, and a
// minority of the awkward things real scripts hold (row names nested anywhere,
// names inside longer words, strings and comments holding brackets, commas,
// semicolons and colons, blanks before brackets, calls over several lines,
// wrong argument counts, CR LF line ends, odd headers).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "linestore/line_store.h"

namespace q9::model {

struct GeneratedFunction {
  std::string name;
  std::size_t first_line = 0;  // 0-based: its header's line
  std::size_t last_line = 0;   // the line before the next header, or the one the
                               // next header shares with it, or the script's last
};

struct GeneratedScript {
  LineList lines;
  std::vector<GeneratedFunction> functions;  // each parses in the old syntax
};

// The same seed gives the same script.
GeneratedScript GenerateOldScript(std::uint32_t seed);

}  // namespace q9::model

#endif  // Q9_TESTS_MODEL_SCRIPT_GENERATOR_H_
