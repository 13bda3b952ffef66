#ifndef Q9_PASSES_SCRIPT_GENERATOR_TEST_UTIL_H_
#define Q9_PASSES_SCRIPT_GENERATOR_TEST_UTIL_H_

#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

#include "linestore/line_store.h"

namespace q9 {

// Random line lists for the property tests of the rewrite passes: short lines of
// name fragments, brackets, commas, '!', '=', blanks and CRs, with whole calls
// (nested, side by side, some left open) mixed in so that rows run several runs
// and meet bracket errors after some of them.
class ScriptGenerator {
 public:
  explicit ScriptGenerator(std::uint32_t seed) : rng_(seed) {}

  LineList NextList() {
    LineList lines(Pick(7));
    for (std::string& line : lines) line = NextLine();
    return lines;
  }

 private:
  static constexpr std::string_view kFragments[] = {
      "Sum", "Su",  "um",     "Not",      "No",         "ot",     "Set",    "Var", "SetVar",
      "Inc", "Dec", "IncVar", "DecVar",   "Equal",      "SEqual", "BitAnd", "And", "Or",
      "eq",  "e",   "q",      "IsNewgfx", "SetSkyFade", "Global", "Mul",    "Pow", "Sub",
      "(",   "(",   "(",      ")",        ")",          ")",      ",",      ",",   "!",
      "=",   "!=",  " ",      "\r",       "a",          "0",      "m",      "t",   "SetVa",
  };
  static constexpr std::string_view kNames[] = {
      "Sum",   "Not",    "SetVar", "IncVar", "Inc", "Dec",
      "Equal", "SEqual", "And",    "BitAnd", "Or",  "eq",
  };

  std::size_t Pick(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_);
  }

  std::string NextLine() {
    std::string line;
    const std::size_t pieces = Pick(9);
    for (std::size_t i = 0; i < pieces; ++i) {
      if (Pick(3) == 0) {
        AppendCall(&line, 0);
      } else {
        line += kFragments[Pick(std::size(kFragments))];
      }
    }
    return line;
  }

  // A call of a row's name with 0 to 3 arguments, each a fragment or a call.
  void AppendCall(std::string* line, int depth) {
    *line += kNames[Pick(std::size(kNames))];
    if (Pick(8) == 0) *line += ' ';
    *line += '(';
    const std::size_t arguments = Pick(4);
    for (std::size_t i = 0; i < arguments; ++i) {
      if (i > 0) *line += ',';
      if (depth < 3 && Pick(3) == 0) {
        AppendCall(line, depth + 1);
      } else {
        *line += kFragments[Pick(std::size(kFragments))];
      }
    }
    if (Pick(10) != 0) *line += ')';
  }

  std::mt19937 rng_;
};

// Up to |max_lines| lines of up to |max_length| bytes drawn from |alphabet|: with
// few distinct bytes, names form across the edges of rewritten text often.
inline LineList RandomLines(std::mt19937* rng, std::string_view alphabet, std::size_t max_lines,
                            std::size_t max_length) {
  auto pick = [rng](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n)(*rng);
  };
  LineList lines(pick(max_lines));
  for (std::string& line : lines) {
    line.resize(pick(max_length));
    for (char& c : line) c = alphabet[pick(alphabet.size() - 1)];
  }
  return lines;
}

}  // namespace q9

#endif  // Q9_PASSES_SCRIPT_GENERATOR_TEST_UTIL_H_
