#ifndef Q9_SYNTAX_OLD_CALLS_H_
#define Q9_SYNTAX_OLD_CALLS_H_

#include <span>
#include <string_view>

namespace q9 {

// The calls of the old syntax that stand for operators or variables, and what
// they mean in #strict terms.
enum class OldCallKind {
  kBinary,    // Sum(a,b) is a+b
  kLogical,   // And(a,b) is a&&b, except that b is always evaluated
  kNot,       // Not(a) is !a
  kSetter,    // SetVar(n,v) is Var(n)=v
  kStep,      // IncVar(n) is ++Var(n)
  kStepAny,   // Inc(x) is ++x when x is a variable, else x+1
  kVariable,  // Var(n), Local(n), Global(n)
};

struct OldCall {
  std::string_view name;
  OldCallKind kind;
  std::string_view op;        // the #strict operator: "+", "&&", "!", "=", "++"
  std::string_view variable;  // kSetter, kStep: "Var", "Local" or "Global"
  int arity;
};

// The old call named |name|, or nullptr for any other name.
const OldCall* FindOldCall(std::string_view name);

// Every old call, the variables included.
std::span<const OldCall> OldCalls();

// The renamed engine calls of the old syntax, and their #strict name.
inline constexpr std::string_view kRenamedCalls[] = {"IsNewgfx", "SetSkyFade"};
inline constexpr std::string_view kRenamedTo = "BarrelConfiguration";

}  // namespace q9

#endif  // Q9_SYNTAX_OLD_CALLS_H_
