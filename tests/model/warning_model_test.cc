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
#include "tests/model/evaluator.h"
#include "tests/model/script_generator.h"
#include "tests/model/warning_audit.h"

namespace q9::model {
namespace {

std::uint32_t FromEnvironment(const char* name, std::uint32_t fallback) {
  const char* text = std::getenv(name);
  return text == nullptr || *text == '\0' ? fallback : static_cast<std::uint32_t>(std::strtoul(text, nullptr, 10));
}

ConvertedScript ExactConversion(const LineList& old_lines) {
  ConvertedScript out;
  out.lines = old_lines;
  const Conversion conversion = Convert(&out.lines, {.collect_hazards = true, .track_origin = true});
  out.origin = conversion.origin;
  for (const auto& hazard : conversion.hazards) {
    if (!IsNote(hazard.kind)) out.warned_lines.push_back(hazard.line);  // a note is no warning
  }
  return out;
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
