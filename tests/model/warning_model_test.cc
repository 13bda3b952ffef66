// The warnings against the script model on generated old-syntax scripts.
// Q9_MODEL_SEED and Q9_MODEL_SCRIPTS choose the scripts (20240, 300);
// Q9_MODEL_EXAMPLES says how many misses and false alarms to show (3).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <random>
#include <string>

#include "pipeline/pipeline.h"
#include "safe/convert.h"
#include "tests/model/evaluator.h"
#include "tests/model/script_generator.h"

namespace q9::model {
namespace {

std::uint32_t FromEnvironment(const char* name, std::uint32_t fallback) {
  const char* text = std::getenv(name);
  return text == nullptr || *text == '\0' ? fallback : static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
}

struct ConvertedScript {
  LineList lines;
  std::vector<Origin> origin;                          // per line: its input line, or kAddedLine
  std::vector<std::size_t> warned_lines, noted_lines;  // 0-based converted lines
  bool From(std::size_t k, std::size_t first, std::size_t last) const { return origin[k] >= first && origin[k] <= last; }
  bool AnyIn(const std::vector<std::size_t>& marked, std::size_t first, std::size_t last) const {
    return std::any_of(marked.begin(), marked.end(), [&](std::size_t k) { return From(k, first, last); });
  }
  // The converted lines from input lines [first, last]; |shown| indents them and marks the warned ones.
  std::string LinesOf(std::size_t first, std::size_t last, bool shown = false) const {
    std::string out;
    for (std::size_t k = 0; k < lines.size(); ++k) {
      const bool warned = std::count(warned_lines.begin(), warned_lines.end(), k) > 0;
      if (From(k, first, last)) out += (shown ? warned ? "  ! " : "    " : "") + lines[k] + "\n";
    }
    return out;
  }
};

ConvertedScript Converted(const LineList& old_lines, bool safe) {
  ConvertedScript out{old_lines, {}, {}, {}};
  const ConvertOptions options{.collect_hazards = true, .track_origin = true};
  const Conversion conversion = safe ? ConvertSafely(&out.lines, options) : Convert(&out.lines, options);
  out.origin = conversion.origin;
  for (const auto& hazard : conversion.hazards) {
    (IsNote(hazard.kind) ? out.noted_lines : out.warned_lines).push_back(hazard.line);  // a note is no warning
  }
  return out;
}

// A miss is a function that changed and carries no warning, a false alarm one
// that did not change and carries one; a few examples of each are kept.
struct Audit {
  int judged = 0, changed = 0, misses = 0, false_alarms = 0;
  std::size_t max_examples = FromEnvironment("Q9_MODEL_EXAMPLES", 3);
  std::vector<std::string> miss_examples, false_alarm_examples;

  // Runs each function that parses before and after on all variables 0 and on
  // 31 inputs drawn from |seed| (with fewer, a tenth of the changes went unseen).
  // Returns per function its name, changed (+) or not (=), warned (!) or not.
  std::string Add(const LineList& old_lines, const ConvertedScript& converted, std::uint32_t seed) {
    const Script before = ParseScript(JoinLines(old_lines), Syntax::kOld);
    const Script after = ParseScript(JoinLines(converted.lines), Syntax::kStrict);
    std::vector<State> inputs(32);
    std::mt19937 rng(seed);
    for (std::size_t k = 1; k < inputs.size(); ++k) {
      for (auto* vars : {&inputs[k].var, &inputs[k].local, &inputs[k].global}) {
        for (std::int32_t index = 0; index < 4; ++index) {
          // Small values, where scripts live, and large ones (3&x==y differs only from x=4).
          const int n = std::uniform_int_distribution<int>(k % 2 ? -3 : -100, k % 2 ? 6 : 100)(rng);
          if (n % 3 != 0) (*vars)[index] = Value{false, n, ""};
        }
      }
    }
    std::string verdicts;
    for (const Function& f : before.functions) {
      if (!f.parsed) continue;
      const Function* g = after.Find(f.name);
      std::string why = g == nullptr ? "missing after conversion" : g->parsed ? "" : "no longer parses: " + g->error;
      for (std::size_t k = 0; k < inputs.size() && why.empty(); ++k) {
        const auto engine = static_cast<std::uint32_t>(k);  // the engine varies with the input too
        const Outcome was = Run(f, inputs[k], engine), is = Run(*g, inputs[k], engine);
        // Sum(a,b) is a step and a+b is not: a run that meets the limit tells nothing.
        if (!was.too_long && !is.too_long && !(was == is)) {
          why = "input " + std::to_string(k) + ": " + Describe(was) + "  became  " + Describe(is);
        }
      }
      const bool warned = converted.AnyIn(converted.warned_lines, f.first_line, f.last_line);
      ++judged;
      changed += !why.empty();
      verdicts += f.name + (why.empty() ? "=" : "+") + (warned ? "! " : " ");
      std::vector<std::string>& examples = warned ? false_alarm_examples : miss_examples;
      if (why.empty() != warned || ++(warned ? false_alarms : misses) > static_cast<int>(max_examples)) continue;
      std::string shown = f.name + (why.empty() ? ", unchanged" : ", changed: " + why) +
                          (warned ? ", warned" : ", not warned") + "\n  before:\n";
      for (std::size_t k = f.first_line; k <= f.last_line && k < old_lines.size(); ++k) shown += "    " + old_lines[k] + "\n";
      examples.push_back(shown + "  after:\n" + converted.LinesOf(f.first_line, f.last_line, true));
    }
    return verdicts;
  }

  std::string Summary() const {
    return "judged " + std::to_string(judged) + ", misses " + std::to_string(misses) + " of " + std::to_string(changed) +
           " changed, false alarms " + std::to_string(false_alarms) + " of " + std::to_string(judged - changed) + " unchanged";
  }

  void Print(const std::string& title) const {
    std::cout << title << ": " << Summary() << "\n";
    for (const std::string& example : miss_examples) std::cout << "MISS " << example;
    for (const std::string& example : false_alarm_examples) std::cout << "FALSE ALARM " << example;
  }
};

// The exact conversion warns of every change of meaning and of few functions that
// keep theirs. --safe: hardly anything changes, whatever changes is warned, few
// others are; where the exact conversion says nothing of a function both give the
// same bytes; and a second run changes nothing.
TEST(WarningModel, EveryChangeOfMeaningIsWarnedAndSafeConversionKeepsMeaning) {
  Audit exact_audit, safe_audit;
  int compared = 0, differing = 0;
  const std::uint32_t seed = FromEnvironment("Q9_MODEL_SEED", 20240), count = FromEnvironment("Q9_MODEL_SCRIPTS", 300);
  const std::string title = "seed " + std::to_string(seed) + ", " + std::to_string(count) + " scripts";
  auto span = [](const auto& f) {
    return f.name + " " + std::to_string(f.first_line) + "-" + std::to_string(f.last_line) + " ";
  };
  for (std::uint32_t k = 0; k < count; ++k) {
    const std::uint32_t script_seed = seed * 1000003u + k;  // other seeds, other scripts
    const GeneratedScript script = GenerateOldScript(script_seed);
    std::string found, promised;  // the generator's promise: each function parses, where it said
    const Script parsed = ParseScript(JoinLines(script.lines), Syntax::kOld);
    for (const Function& f : parsed.functions) found += span(f) + f.error + "\n";
    for (const GeneratedFunction& g : script.functions) promised += span(g) + "\n";
    EXPECT_EQ(found, promised) << JoinLines(script.lines);
    if (found != promised) continue;
    const ConvertedScript exact = Converted(script.lines, false), safe = Converted(script.lines, true);
    exact_audit.Add(script.lines, exact, script_seed);
    safe_audit.Add(script.lines, safe, script_seed);
    for (std::size_t i = 0; i < script.functions.size(); ++i) {
      const GeneratedFunction& f = script.functions[i];
      // A header on the line where the function before ends shares that line, and its bytes, with it;
      // so does the function after, whose header stands on this one's last line.
      const std::size_t first = i > 0 && script.functions[i - 1].last_line == f.first_line
                                    ? script.functions[i - 1].first_line : f.first_line;
      const std::size_t last = i + 1 < script.functions.size() && script.functions[i + 1].first_line == f.last_line
                                   ? script.functions[i + 1].last_line : f.last_line;
      if (exact.AnyIn(exact.warned_lines, first, last) || exact.AnyIn(exact.noted_lines, first, last)) continue;
      ++compared;
      const std::string want = exact.LinesOf(f.first_line, f.last_line), got = safe.LinesOf(f.first_line, f.last_line);
      if (want != got && ++differing <= 3) ADD_FAILURE() << f.name << " differs from the exact conversion:\n" << want << "--\n" << got;
    }
    LineList again = safe.lines;
    ConvertSafely(&again);
    EXPECT_EQ(again, safe.lines) << "a second run changed the script of seed " << script_seed;
  }
  exact_audit.Print(title);
  safe_audit.Print("--safe, " + title + "; " + std::to_string(differing) + " of " + std::to_string(compared) +
                   " functions without a word from the exact conversion differ from it");
  EXPECT_EQ(exact_audit.misses, 0);
  EXPECT_LE(exact_audit.false_alarms * 10, exact_audit.judged - exact_audit.changed);
  EXPECT_EQ(safe_audit.misses, 0);
  EXPECT_LE(safe_audit.changed * 50, safe_audit.judged);                            // at most 2 % change at all
  EXPECT_LE(safe_audit.false_alarms * 20, safe_audit.judged - safe_audit.changed);  // at most 5 % warned in vain
  EXPECT_EQ(differing, 0);
}

// The audit itself, on a conversion written by hand: which converted lines
// belong to which function, and what counts as a miss or a false alarm.
TEST(WarningModel, AuditJudgesEachFunctionByItsOwnLines) {
  const LineList old = {"A: SetVar(0,Sum(1,2));", "B:", "  Say(\"Sum(1)\");", "C: return(1);", "D: return(2);"};
  const ConvertedScript converted{{"#strict", " func A(){", " Var(0)=1+2;", "}", " func B(){", "  Say(\"1\");", "}",
                                   " func C(){", " return(1);", "}", " func D(){", " return(3);", "}"},
                                  {kAddedLine, 0, 0, 0, 1, 2, 2, 3, 3, 3, 4, 4, 4},
                                  {2, 8},
                                  {}};
  Audit audit;
  audit.max_examples = 1;
  EXPECT_EQ(audit.Add(old, converted, 1), "A=! B+ C=! D+ ");
  EXPECT_EQ(audit.Summary(), "judged 4, misses 2 of 2 changed, false alarms 2 of 2 unchanged");
  ASSERT_EQ(audit.miss_examples.size(), 1u);
  EXPECT_EQ(audit.miss_examples[0],
            "B, changed: input 0: return 0 Say(\"Sum(1)\")  became  return 0 Say(\"1\"), not warned\n"
            "  before:\n    B:\n      Say(\"Sum(1)\");\n  after:\n     func B(){\n      Say(\"1\");\n    }\n");
  EXPECT_EQ(audit.false_alarm_examples[0].substr(audit.false_alarm_examples[0].find("after")),
            "after:\n     func A(){\n  !  Var(0)=1+2;\n    }\n");
}

}  // namespace
}  // namespace q9::model
