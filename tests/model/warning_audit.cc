#include "tests/model/warning_audit.h"

#include <algorithm>
#include <cstdio>
#include <random>

#include "tests/model/evaluator.h"

namespace q9::model {
namespace {

std::string Text(const LineList& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

bool Inside(std::size_t origin, const Verdict& v) { return origin >= v.first_line && origin <= v.last_line; }

std::vector<State> Inputs(std::uint32_t seed) {
  std::vector<State> inputs(1);  // all variables 0
  std::mt19937 rng(seed);
  for (int k = 0; k < 31; ++k) {
    State s;
    for (auto* vars : {&s.var, &s.local, &s.global}) {
      for (std::int32_t index = 0; index < 4; ++index) {
        // Mostly small values, where scripts live; some large ones, which
        // show changes that small values hide (3&x==y differs only from x=4).
        const int n = k % 2 == 0 ? std::uniform_int_distribution<int>(-3, 6)(rng)
                                 : std::uniform_int_distribution<int>(-100, 100)(rng);
        if (n % 3 != 0) (*vars)[index] = Value{false, n, ""};
      }
    }
    inputs.push_back(s);
  }
  return inputs;
}

std::string Percent(int part, int whole) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f%%", whole == 0 ? 0.0 : 100.0 * part / whole);
  return buf;
}

std::vector<Verdict> Judge(const LineList& old_lines, const ConvertedScript& converted, std::uint32_t seed) {
  const Script before = ParseScript(Text(old_lines), Syntax::kOld);
  const Script after = ParseScript(Text(converted.lines), Syntax::kStrict);
  const std::vector<State> inputs = Inputs(seed);
  std::vector<Verdict> verdicts;
  for (const Function& f : before.functions) {
    if (!f.parsed) continue;
    Verdict v{f.name, f.first_line, f.last_line, false, "", false};
    const Function* g = after.Find(f.name);
    if (g == nullptr) {
      v.why = "missing after conversion";
    } else if (!g->parsed) {
      v.why = "no longer parses: " + g->error;
    } else {
      for (std::size_t k = 0; k < inputs.size() && v.why.empty(); ++k) {
        const auto engine = static_cast<std::uint32_t>(k);  // the engine varies with the input too
        const Outcome was = Run(f, inputs[k], engine), is = Run(*g, inputs[k], engine);
        // The two syntaxes count steps differently (Sum(a,b) is a call, a+b is
        // not), so an input that runs into the limit on either side tells nothing.
        if (was.too_long || is.too_long) continue;
        if (!(was == is)) v.why = "input " + std::to_string(k) + ": " + Describe(was) + "  became  " + Describe(is);
      }
    }
    v.changed = !v.why.empty();
    for (std::size_t line : converted.warned_lines) {
      if (line < converted.origin.size() && Inside(converted.origin[line], v)) v.warned = true;
    }
    verdicts.push_back(v);
  }
  return verdicts;
}

// The function before and after, warned lines marked with "!".
std::string ShowFunction(const LineList& old_lines, const ConvertedScript& converted, const Verdict& verdict) {
  std::string out = verdict.name + (verdict.changed ? ", changed: " + verdict.why : ", unchanged") +
                    (verdict.warned ? ", warned" : ", not warned") + "\n  before:\n";
  for (std::size_t k = verdict.first_line; k <= verdict.last_line && k < old_lines.size(); ++k) {
    out += "    " + old_lines[k] + "\n";
  }
  out += "  after:\n";
  for (std::size_t k = 0; k < converted.lines.size() && k < converted.origin.size(); ++k) {
    if (!Inside(converted.origin[k], verdict)) continue;
    const bool warned = std::count(converted.warned_lines.begin(), converted.warned_lines.end(), k) > 0;
    out += (warned ? "  ! " : "    ") + converted.lines[k] + "\n";
  }
  return out;
}

}  // namespace

std::vector<Verdict> Audit::Add(const LineList& old_lines, const Converter& convert, std::uint32_t seed) {
  const ConvertedScript converted = convert(old_lines);
  std::vector<Verdict> verdicts = Judge(old_lines, converted, seed);
  for (const Verdict& v : verdicts) {
    ++judged;
    changed += v.changed ? 1 : 0;
    std::vector<std::string>* examples = nullptr;
    if (v.changed && !v.warned) ++misses, examples = &miss_examples;
    if (!v.changed && v.warned) ++false_alarms, examples = &false_alarm_examples;
    if (examples != nullptr && examples->size() < max_examples) {
      examples->push_back(ShowFunction(old_lines, converted, v));
    }
  }
  return verdicts;
}

std::string Audit::Summary() const {
  return "judged " + std::to_string(judged) + ", changed " + std::to_string(changed) + ", misses " +
         std::to_string(misses) + " (" + Percent(misses, changed) + " of changed), false alarms " +
         std::to_string(false_alarms) + " (" + Percent(false_alarms, judged - changed) + " of unchanged)";
}

}  // namespace q9::model
