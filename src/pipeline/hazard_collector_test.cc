#include "pipeline/hazard_collector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "passes/script_generator_test_util.h"
#include "pipeline/pipeline.h"

namespace q9 {
namespace {

struct Converted {
  LineList lines;
  Conversion conversion;
};

Converted ConvertText(const std::string& text) {
  Converted result{SplitLines(text), {}};
  result.conversion = Convert(&result.lines, {.collect_hazards = true});
  return result;
}

std::string Describe(const Converted& c) {
  std::string text = testing::PrintToString(c.lines);
  for (const Hazard& h : c.conversion.hazards) {
    text += "\n" + std::to_string(h.line) + " [" + std::string(HazardSlug(h.kind)) + "] {" +
            h.quote + "}";
  }
  return text;
}

// A script that makes a hazard of |kind| on converted line |line| (0-based;
// the conversion puts two lines on top), quoting |quote|; or, without a line,
// a near miss that must make none of that kind.
struct HazardCase {
  std::string script;
  HazardKind kind;
  std::optional<std::size_t> line;
  std::string quote;
};

const HazardCase kCases[] = {
    {"x=GetSum(a);", HazardKind::kNameInWord, 2, "Geta"},
    {"if(Request(1)) x=1;", HazardKind::kNameInWord, 2, "RS=uest"},
    {"x=Sum(a,b); if(a eq b) x=1;", HazardKind::kNameInWord, std::nullopt, ""},

    {"if(Sum (a,b)) x=1;", HazardKind::kNotACall, 2, "(a,b)"},
    {"if(Summary(x)) y=1;", HazardKind::kNotACall, 2, "ary(x)"},
    {"if(Sum(a,b)) x=1;", HazardKind::kNotACall, std::nullopt, ""},

    {"x=Mul(Sum(a,b),c);", HazardKind::kPrecedence, 2, "a+b*"},
    {"x=Sub(a,Sub(b,c));", HazardKind::kPrecedence, 2, "-b-c"},
    {"if(Not(Equal(a,b))) x=1;", HazardKind::kPrecedence, 2, "!a==b"},
    {"y=x+SetVar(0,1);", HazardKind::kPrecedence, 2, "+Var(0)=1"},
    {"Inc(Sum(a,b));", HazardKind::kPrecedence, 2, "a+b++"},
    {"x=Sum(Mul(a,b),c); y=Sum(a,Sum(b,c)); z=Sum(x,Sub(y,z)); if(Not(a)) return(Mul(a,b)+c);",
     HazardKind::kPrecedence, std::nullopt, ""},
    {"x=And(Equal(a,b),c); SetVar(0,Sum(a,b)); if(Not(x) && y) z=-Mul(a,b);",
     HazardKind::kPrecedence, std::nullopt, ""},

    {"if(Not(x)) y=a!=b;", HazardKind::kNegationDropped, 2, "x"},
    {"if(Not(x)) y=1; if(Not(a,b)) y=1;", HazardKind::kNegationDropped, std::nullopt, ""},

    {"IncVar(1,2);", HazardKind::kArgumentCount, 2, "Var(1)++2)++"},
    {"x=Sum();", HazardKind::kArgumentCount, 2, "x=;"},
    {"SetVar(0);", HazardKind::kArgumentCount, 2, "Var(0"},
    {"IncVar(1); SetVar(0,1); x=Sum(a,b,c); if(Not(a,b)) Inc(x);", HazardKind::kArgumentCount,
     std::nullopt, ""},

    {"x=a?b:", HazardKind::kOddHeader, 2, "x=a?b(){"},
    {"Foo :", HazardKind::kOddHeader, 2, "(){"},
    {"/*\nNote:\n*/", HazardKind::kOddHeader, 3, "Note(){"},
    {"protected Init:\n\tTimer:\nx=Foo::Bar();", HazardKind::kOddHeader, std::nullopt, ""},

    {"x=Foo::Bar();", HazardKind::kOddSplit, 2, "x=Foo(){"},
    {"y=a?b:c;", HazardKind::kOddSplit, 2, "y=a?b(){"},
    {"/*\nUsage: call this\n*/", HazardKind::kOddSplit, 3, "Usage(){"},
    {"/* a\nb; c\n*/", HazardKind::kOddSplit, 3, "b;"},
    {"Init: x=1; y=2;\n/* a; b: c */ z=1;", HazardKind::kOddSplit, std::nullopt, ""},

    {"Init: x=1;\r\ny=2;\r\n", HazardKind::kLineEnds, 0,
     "/*+++Automatisiertes Syntax Update zu #strict - Quellor+++*/"},
    {"Init: x=1;\r\ny=2;\r\n", HazardKind::kLineEnds, 4, "\r"},
    {"Init: x=1;\ny=2;\r\n", HazardKind::kLineEnds, std::nullopt, ""},

    {"x=Sum(a,b);\ny=Sum(c,", HazardKind::kBracketError, 3, "Sum"},
    {"x=Sum(a,b);\ny=Sum(c,d);", HazardKind::kBracketError, std::nullopt, ""},

    // A quote follows its text through the rows that change it later.
    {"x=Mul(Sum(a,Not(b)),c);", HazardKind::kPrecedence, 2, "a+!b*"},
    {"x=Mul(Sum(a,Request),c);", HazardKind::kPrecedence, 2, "a+RS=uest*"},
    {"x=GetSum(Not(a));", HazardKind::kNameInWord, 2, "Get!a"},
    {"x=a?Sum(1,2):", HazardKind::kOddHeader, 2, "x=a?1+2(){"},
    {"y=Sub(a,Sub(b,c)) eq Sum(d,e);", HazardKind::kPrecedence, 2, "-b-c"},
    {"if(Not(Sum(a,b),c)) y=Request;", HazardKind::kNameInWord, 2, "RS=uest"},
};

TEST(HazardCollectorTest, EachKindOnItsLineAndNoneOnNearMisses) {
  for (const HazardCase& c : kCases) {
    SCOPED_TRACE(std::string(HazardSlug(c.kind)) + " in " + c.script);
    const Converted converted = ConvertText(c.script);
    const std::vector<Hazard>& hazards = converted.conversion.hazards;
    const auto found = std::find_if(hazards.begin(), hazards.end(), [&](const Hazard& h) {
      return h.kind == c.kind && (!c.line || h.line == *c.line);
    });
    if (!c.line) {
      EXPECT_EQ(found, hazards.end()) << Describe(converted);
      continue;
    }
    ASSERT_NE(found, hazards.end()) << Describe(converted);
    EXPECT_EQ(found->quote, c.quote) << Describe(converted);
    EXPECT_EQ(converted.lines[found->line].substr(found->column, c.quote.size()), c.quote);
  }
}

// "::" makes two headers, named by one warning; two SetVar rows meet the same error.
TEST(HazardCollectorTest, OneWarningPerSplitConstructAndPerBracketError) {
  const Converted converted = ConvertText("x=Foo::Bar();\nSetVar(1,");
  std::vector<std::pair<HazardKind, std::size_t>> seen;
  for (const Hazard& h : converted.conversion.hazards) seen.emplace_back(h.kind, h.line);
  EXPECT_EQ(seen, (std::vector<std::pair<HazardKind, std::size_t>>{{HazardKind::kOddSplit, 2},
                                                                   {HazardKind::kBracketError, 6},
                                                                   {HazardKind::kBracketError, 6}}))
      << Describe(converted);
  EXPECT_NE(converted.conversion.hazards[1].what, converted.conversion.hazards[2].what);
}

// Generated scripts with the layout's separators and comment marks mixed in.
LineList MixedScript(ScriptGenerator* generator, std::mt19937* rng) {
  static constexpr std::string_view kLayout[] = {
      ":",         ":",  "::", ";", ";", "?",  "Init:",           "x=a?b:c;",        "/*",
      "*/",        "//", "\"", "[", " ", "\r", "Mul(Sum(a,b),c)", "Sub(a,Sub(b,c))", "Not(x)!=y",
      "GetSum(a)",
  };
  LineList lines = generator->NextList();
  for (std::string& line : lines) {
    for (std::size_t n = (*rng)() % 4; n > 0; --n) {
      line.insert((*rng)() % (line.size() + 1), kLayout[(*rng)() % std::size(kLayout)]);
    }
  }
  if ((*rng)() % 3 == 0) {
    for (std::string& line : lines) line += '\r';
  }
  return lines;
}

// Collecting hazards leaves the conversion byte for byte as it is, and every
// hazard points at a line that holds the text it quotes.
TEST(HazardCollectorTest, GeneratedScriptsConvertAlikeAndQuotesStandOnTheirLines) {
  ScriptGenerator generator(8086);
  std::mt19937 rng(17);
  std::array<int, kHazardKinds.size()> by_kind{};
  for (int i = 0; i < 3000; ++i) {
    const LineList input = MixedScript(&generator, &rng);
    LineList plain = input, collected = input;
    const Conversion without = Convert(&plain);
    const Conversion with = Convert(&collected, {.collect_hazards = true});
    ASSERT_EQ(collected, plain) << testing::PrintToString(input);
    ASSERT_EQ(with.changed, without.changed);
    ASSERT_EQ(with.bracket_errors.size(), without.bracket_errors.size());
    ASSERT_TRUE(without.hazards.empty());
    std::size_t bracket_errors = 0, last_line = 0;
    for (const Hazard& h : with.hazards) {
      ASSERT_LT(h.line, collected.size());
      ASSERT_GE(h.line, last_line) << "hazards out of line order";
      last_line = h.line;
      ++by_kind[static_cast<std::size_t>(h.kind)];
      bracket_errors += h.kind == HazardKind::kBracketError;
      ASSERT_EQ(collected[h.line].substr(h.column, h.quote.size()), h.quote);
      // Where later rewrites erase a quote, the bytes around it stand in.
      ASSERT_TRUE(collected[h.line].empty() || !h.quote.empty()) << HazardSlug(h.kind);
    }
    ASSERT_EQ(bracket_errors, with.bracket_errors.size());
  }
  for (std::size_t k = 0; k < kHazardKinds.size(); ++k) {
    EXPECT_GT(by_kind[k], 20) << HazardSlug(kHazardKinds[k]) << " seldom generated";
  }
}

}  // namespace
}  // namespace q9
