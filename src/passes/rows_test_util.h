#ifndef Q9_PASSES_ROWS_TEST_UTIL_H_
#define Q9_PASSES_ROWS_TEST_UTIL_H_

#include <cstdint>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "linestore/line_store.h"
#include "passes/exchange.h"
#include "passes/rows.h"
#include "passes/var_function.h"
#include "pipeline/pipeline.h"

namespace q9 {

// One run of |row|, the plain way.
inline RunResult RunOnce(LineList* lines, const Row& row) {
  if (row.pass == RowPass::kExchange) return {Exchange(lines, row.name, row.text), std::nullopt};
  return VarFunction(lines, row.name, row.prefix, row.text, row.unary);
}

// The row the plain way, one run after another; nothing if it never ends.
inline std::optional<RowOutcome> RunByRun(LineList* lines, const Row& row) {
  for (RowOutcome outcome; outcome.runs < 10000;) {
    ++outcome.runs;
    const RunResult run = RunOnce(lines, row);
    outcome.bracket_error = run.bracket_error;
    if (!run.changed) return outcome;
    outcome.changed = true;
  }
  return std::nullopt;
}

// Random short lines of name fragments, brackets, commas, '!', '=', blanks and CRs, with calls
// (nested, side by side, some left open) mixed in: rows take several runs and meet bracket errors.
class ScriptGenerator {
 public:
  explicit ScriptGenerator(std::uint32_t seed) : rng_(seed) {}

  LineList NextList() {
    LineList lines(Pick(7));
    for (std::string& line : lines) {
      for (std::size_t i = Pick(9); i > 0; --i) AppendPiece(&line, 0);
    }
    return lines;
  }

  // Up to |count| - 1 lines of up to 40 bytes from |alphabet|; few distinct bytes form many names.
  LineList NextList(std::string_view alphabet, std::size_t count = 5) {
    LineList lines(Pick(count));
    for (std::string& line : lines) {
      line.resize(Pick(41));
      for (char& c : line) c = alphabet[Pick(alphabet.size())];
    }
    return lines;
  }

 private:
  static constexpr std::string_view kFragments[] = {
      "Sum", "Su",  "um",     "Not",      "No",         "ot",     "Set",    "Var", "SetVar",
      "Inc", "Dec", "IncVar", "DecVar",   "Equal",      "SEqual", "BitAnd", "And", "Or",
      "eq",  "e",   "q",      "IsNewgfx", "SetSkyFade", "Global", "Mul",    "Pow", "Sub",
      "(",   "(",   "(",      ")",        ")",          ")",      ",",      ",",   "!",
      "=",   "!=",  " ",      "\r",       "a",          "0",      "m",      "t",   "SetVa"};
  static constexpr std::string_view kNames[] = {"Sum",   "Not",    "SetVar", "IncVar", "Inc", "Dec",
                                                "Equal", "SEqual", "And",    "BitAnd", "Or",  "eq"};

  std::size_t Pick(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_); }

  // A fragment or, while |depth| allows, a call with 0 to 3 such arguments.
  void AppendPiece(std::string* line, int depth) {
    if (depth > 3 || Pick(3) != 0) {
      *line += kFragments[Pick(std::size(kFragments))];
      return;
    }
    *line += kNames[Pick(std::size(kNames))];
    if (Pick(8) == 0) *line += ' ';
    *line += '(';
    for (std::size_t i = 0, arguments = Pick(4); i < arguments; ++i) {
      if (i > 0) *line += ',';
      AppendPiece(line, depth + 1);
    }
    if (Pick(10) != 0) *line += ')';
  }

  std::mt19937 rng_;
};

}  // namespace q9

#endif  // Q9_PASSES_ROWS_TEST_UTIL_H_
