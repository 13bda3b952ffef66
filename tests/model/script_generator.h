#ifndef Q9_TESTS_MODEL_SCRIPT_GENERATOR_H_
#define Q9_TESTS_MODEL_SCRIPT_GENERATOR_H_

// Random old-syntax scripts as modders write them: mostly plain code, a few
// awkward things (row names anywhere and inside words, brackets and colons in
// strings and comments, split calls, wrong argument counts, CR LF, odd headers).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "linestore/line_store.h"

namespace q9::model {

struct GeneratedFunction {
  std::string name;
  std::size_t first_line = 0, last_line = 0;  // as Function's in tests/model/evaluator.h
};

struct GeneratedScript {
  LineList lines;
  std::vector<GeneratedFunction> functions;  // each parses in the old syntax
};

// The same seed gives the same script.
GeneratedScript GenerateOldScript(std::uint32_t seed);

}  // namespace q9::model

#endif  // Q9_TESTS_MODEL_SCRIPT_GENERATOR_H_
