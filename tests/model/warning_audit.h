#ifndef Q9_TESTS_MODEL_WARNING_AUDIT_H_
#define Q9_TESTS_MODEL_WARNING_AUDIT_H_

// Judges a conversion and its warnings with the evaluator: for every function of
// an old script that parses, does it compute the same after conversion, and is
// there a warning on one of its converted lines?

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "linestore/line_store.h"

namespace q9::model {

struct ConvertedScript {
  LineList lines;
  std::vector<std::size_t> origin;        // per converted line: its input line, or q9::kAddedLine
  std::vector<std::size_t> warned_lines;  // 0-based converted lines that carry a warning
};

using Converter = std::function<ConvertedScript(const LineList& old_lines)>;

struct Verdict {
  std::string name;
  std::size_t first_line = 0, last_line = 0;  // in the old script
  bool changed = false;
  std::string why;  // how it changed
  bool warned = false;
};

// Totals over many scripts: a miss is a function that changed and carries no
// warning, a false alarm one that did not change and carries one. A few
// examples of each are kept for whoever tunes the warnings.
struct Audit {
  int judged = 0, changed = 0, misses = 0, false_alarms = 0;
  std::size_t max_examples = 3;
  std::vector<std::string> miss_examples, false_alarm_examples;

  // Converts |old_lines| with |convert| and gives one verdict per function that
  // parses in the old syntax, counted here. Each function is run before and
  // after on all variables 0 and on 31 inputs drawn from |seed|: small values,
  // some zeros, each with engine values of its own (with only a few inputs,
  // about a tenth of the changes went unseen, such as a lost bracket where one
  // operand happened to be 0).
  std::vector<Verdict> Add(const LineList& old_lines, const Converter& convert, std::uint32_t seed);
  // "judged N, changed N, misses N (x% of changed), false alarms N (y% of unchanged)".
  std::string Summary() const;
};

}  // namespace q9::model

#endif  // Q9_TESTS_MODEL_WARNING_AUDIT_H_
