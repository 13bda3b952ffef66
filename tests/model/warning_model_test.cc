// The warnings against the script model: on generated old-syntax scripts,
// every function that computes something else after conversion must carry a
// warning, and few that compute the same may. Q9_MODEL_SEED and
// Q9_MODEL_SCRIPTS choose the scripts (a fixed seed and a few hundred by default);
// Q9_MODEL_EXAMPLES says how many misses and false alarms to show (3).

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>
#include <string>

#include "pipeline/pipeline.h"
#include "safe/convert.h"
#include "tests/model/evaluator.h"
#include "tests/model/script_generator.h"
#include "tests/model/warning_audit.h"

namespace q9::model {
namespace {

std::uint32_t FromEnvironment(const char* name, std::uint32_t fallback) {
  const char* text = std::getenv(name);
  return text == nullptr || *text == '\0' ? fallback : static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
}

ConvertedScript Converted(const LineList& old_lines, bool safe, std::vector<std::size_t>* noted) {
  ConvertedScript out;
  out.lines = old_lines;
  const ConvertOptions options{.collect_hazards = true, .track_origin = true};
  const Conversion conversion =
      safe ? ConvertSafely(&out.lines, options) : Convert(&out.lines, options);
  out.origin = conversion.origin;
  for (const auto& hazard : conversion.hazards) {
    // A note is no warning.
    (IsNote(hazard.kind) ? noted : &out.warned_lines)->push_back(hazard.line);
  }
  return out;
}

ConvertedScript ExactConversion(const LineList& old_lines) {
  std::vector<std::size_t> notes;
  return Converted(old_lines, false, &notes);
}

std::string Text(const LineList& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

TEST(WarningModel, EveryChangeOfMeaningIsWarnedAndFewOthersAre) {
  const std::uint32_t seed = FromEnvironment("Q9_MODEL_SEED", 20240);
  const std::uint32_t count = FromEnvironment("Q9_MODEL_SCRIPTS", 300);
  Audit audit;
  audit.max_examples = FromEnvironment("Q9_MODEL_EXAMPLES", 3);
  for (std::uint32_t k = 0; k < count; ++k) {
    const std::uint32_t script_seed = seed * 1000003u + k;  // other seeds, other scripts
    const GeneratedScript generated = GenerateOldScript(script_seed);
    // The generator's own promise: every function it wrote parses, where it said.
    const Script old = ParseScript(Text(generated.lines), Syntax::kOld);
    ASSERT_EQ(old.functions.size(), generated.functions.size()) << Text(generated.lines);
    for (std::size_t f = 0; f < old.functions.size(); ++f) {
      const GeneratedFunction& g = generated.functions[f];
      ASSERT_TRUE(old.functions[f].parsed) << old.functions[f].error << "\n" << Text(generated.lines);
      ASSERT_EQ(old.functions[f].name + " " + std::to_string(old.functions[f].first_line) + "-" +
                    std::to_string(old.functions[f].last_line),
                g.name + " " + std::to_string(g.first_line) + "-" + std::to_string(g.last_line))
          << Text(generated.lines);
    }
    audit.Add(generated.lines, ExactConversion, script_seed);
  }
  std::cout << "seed " << seed << ", " << count << " scripts: " << audit.Summary() << "\n";
  for (const std::string& example : audit.miss_examples) std::cout << "MISS " << example;
  for (const std::string& example : audit.false_alarm_examples) std::cout << "FALSE ALARM " << example;
  EXPECT_EQ(audit.misses, 0);
  EXPECT_LE(audit.false_alarms * 10, audit.judged - audit.changed);
}

// The lines a conversion made of input lines [first, last].
LineList LinesOf(const ConvertedScript& converted, std::size_t first, std::size_t last) {
  LineList lines;
  for (std::size_t i = 0; i < converted.lines.size(); ++i) {
    if (converted.origin[i] >= first && converted.origin[i] <= last) lines.push_back(converted.lines[i]);
  }
  return lines;
}

bool AnyIn(const std::vector<std::size_t>& lines, const ConvertedScript& converted, std::size_t first,
           std::size_t last) {
  for (std::size_t line : lines) {
    if (converted.origin[line] >= first && converted.origin[line] <= last) return true;
  }
  return false;
}

// --safe on the same scripts: hardly anything changes, whatever changes is
// warned, few functions that keep what they compute are; where the exact
// conversion has nothing to say about a function, both give the same bytes;
// and a second run changes nothing.
TEST(WarningModel, SafeConversionKeepsWhatFunctionsCompute) {
  const std::uint32_t seed = FromEnvironment("Q9_MODEL_SEED", 20240);
  const std::uint32_t count = FromEnvironment("Q9_MODEL_SCRIPTS", 300);
  Audit audit;
  audit.max_examples = FromEnvironment("Q9_MODEL_EXAMPLES", 3);
  int compared = 0, differing = 0;
  for (std::uint32_t k = 0; k < count; ++k) {
    const std::uint32_t script_seed = seed * 1000003u + k;
    const GeneratedScript generated = GenerateOldScript(script_seed);
    std::vector<std::size_t> exact_notes, safe_notes;
    const ConvertedScript exact = Converted(generated.lines, false, &exact_notes);
    const ConvertedScript safe = Converted(generated.lines, true, &safe_notes);
    audit.Add(generated.lines, [&](const LineList&) { return safe; }, script_seed);
    for (const GeneratedFunction& f : generated.functions) {
      if (AnyIn(exact.warned_lines, exact, f.first_line, f.last_line) ||
          AnyIn(exact_notes, exact, f.first_line, f.last_line)) {
        continue;
      }
      ++compared;
      if (LinesOf(exact, f.first_line, f.last_line) == LinesOf(safe, f.first_line, f.last_line)) continue;
      if (++differing <= 3) {
        ADD_FAILURE() << f.name << " differs from the exact conversion:\n"
                      << Text(LinesOf(exact, f.first_line, f.last_line)) << "--\n"
                      << Text(LinesOf(safe, f.first_line, f.last_line));
      }
    }
    LineList again = safe.lines;
    ConvertSafely(&again);
    EXPECT_EQ(Text(again), Text(safe.lines)) << "a second run changed the script of seed " << script_seed;
  }
  std::cout << "--safe, seed " << seed << ", " << count << " scripts: " << audit.Summary() << "; "
            << differing << " of " << compared << " functions without a word from the exact conversion "
            << "differ from it\n";
  for (const std::string& example : audit.miss_examples) std::cout << "MISS " << example;
  for (const std::string& example : audit.false_alarm_examples) std::cout << "FALSE ALARM " << example;
  EXPECT_EQ(audit.misses, 0);
  EXPECT_LE(audit.changed * 50, audit.judged);                     // at most 2 % change at all
  EXPECT_LE(audit.false_alarms * 20, audit.judged - audit.changed);  // at most 5 % warned in vain
  EXPECT_EQ(differing, 0);
}

// The audit itself, on a conversion written by hand: which converted lines
// belong to which function, and what counts as a miss or a false alarm.
TEST(WarningModel, AuditJudgesEachFunctionByItsOwnLines) {
  const LineList old = {"A: SetVar(0,Sum(1,2));", "B:", "  Say(\"Sum(1)\");", "C: return(1);",
                        "D: return(2);"};
  ConvertedScript converted;
  converted.lines = {"#strict", " func A(){", " Var(0)=1+2;", "}", " func B(){", "  Say(\"1\");", "}",
                     " func C(){", " return(1);", "}", " func D(){", " return(3);", "}"};
  converted.origin = {kAddedLine, 0, 0, 0, 1, 2, 2, 3, 3, 3, 4, 4, 4};
  converted.warned_lines = {2, 8};
  Audit audit;
  const std::vector<Verdict> verdicts = audit.Add(old, [&](const LineList&) { return converted; }, 1);
  std::string seen;
  for (const Verdict& v : verdicts) seen += v.name + (v.changed ? "+" : "=") + (v.warned ? "! " : " ");
  EXPECT_EQ(seen, "A=! B+ C=! D+ ");
  EXPECT_EQ(audit.Summary(),
            "judged 4, changed 2, misses 2 (100.0% of changed), false alarms 2 (100.0% of unchanged)");
  ASSERT_EQ(audit.miss_examples.size(), 2u);
  EXPECT_EQ(audit.miss_examples[0],
            "B, changed: input 0: return 0 Say(\"Sum(1)\")  became  return 0 Say(\"1\"), not warned\n"
            "  before:\n    B:\n      Say(\"Sum(1)\");\n  after:\n     func B(){\n      Say(\"1\");\n    }\n");
}

}  // namespace
}  // namespace q9::model
