#ifndef Q9_BENCH_OLD_SCRIPT_H_
#define Q9_BENCH_OLD_SCRIPT_H_

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>

namespace q9 {

// An object script of about |bytes| bytes in the old call style, as a modder
// would have written it: label headers, each followed by a few lines of
// statements that use the rows' calls, some nested. Every fourth script has
// CR LF line ends, every fifth lacks its final LF, and every seventh has a call
// left open, which the conversion reports as a bracket error.
inline std::string OldSyntaxScript(std::uint32_t seed, std::size_t bytes) {
  static constexpr std::string_view kStatements[] = {
      "SetVar(0,Sum(Var(0),1));",
      "if(Equal(Var(1),2)) return(1);",
      "IncVar(2);",
      "DecVar(3);",
      "SetLocal(4,Mul(Local(4),2));",
      "if(Not(Var(5))) SetGlobal(1,Sub(Global(1),3));",
      "if(And(GreaterThan(Var(0),10),LessThan(Var(1),5))) AssignVar(6,Div(Var(0),2));",
      "if(Or(SEqual(GetMood(),\"Walk\"),eq(GetMood(),\"Jump\"))) SetMood(\"Idle\");",
      "SetVar(7,Mod(Pow(Var(2),2),7));",
      "if(Not(Var(1),Var(2))) Inc(x);",
      "if(BitAnd(GetTraits(),TRAIT_Awake())) Dec(y);",
      "Say(\"Gr\xFC\xDF"
      "e aus dem Hochland\");",
      "if(IsNewgfx()) SetSkyFade(0,0,0);",
  };
  std::mt19937 rng(seed);
  auto pick = [&](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
  };
  const std::string_view end = seed % 4 == 0 ? "\r\n" : "\n";
  std::string script = "/* Objekt " + std::to_string(seed) + " */" + std::string(end);
  for (int label = 0; script.size() < bytes; ++label) {
    script += "Label" + std::to_string(label) + ":" + std::string(end);
    for (int line = 0; line < 4; ++line) {
      script += "  ";
      for (std::size_t n = 1 + pick(3); n > 0; --n) {
        script += kStatements[pick(std::size(kStatements))];
        script += ' ';
      }
      script += std::string(end);
    }
  }
  if (seed % 7 == 0) script += "Broken: SetVar(1,Sum(2," + std::string(end);
  if (seed % 5 == 0) script.resize(script.size() - end.size());
  return script;
}

}  // namespace q9

#endif  // Q9_BENCH_OLD_SCRIPT_H_
