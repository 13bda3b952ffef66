#include "tests/model/evaluator.h"

#include <gtest/gtest.h>

#include <string>

namespace q9::model {
namespace {

constexpr Syntax O = Syntax::kOld;
constexpr Syntax S = Syntax::kStrict;

// The outcome of the last function "f" from all variables 0, or why there is none.
std::string RunF(Syntax syntax, const std::string& text) {
  std::string outcome = "missing";
  for (const Function& f : ParseScript(text, syntax).functions) {
    if (f.name == "f") outcome = f.parsed ? Describe(Run(f, State())) : "no parse";
  }
  return outcome;
}

std::string Strict(const std::string& body) { return "func f() { " + body + " }"; }

TEST(Evaluator, ComputesWhatTheScriptModelSays) {
  struct Row { Syntax syntax; std::string script, outcome; };
  const Row rows[] = {
      // Each precedence level against its neighbour, and associativity.
      {S, Strict("return !0+1;"), "return 2"}, {S, Strict("return -2**2;"), "return 4"},
      {S, Strict("return 2**3*2;"), "return 16"}, {S, Strict("return 10-4-3;"), "return 3"},
      {S, Strict("return 7/2*2;"), "return 6"}, {S, Strict("return 2*7%4;"), "return 2"},
      {S, Strict("return (1<<2+1) + (64>>1+1);"), "return 24"}, {S, Strict("return 8>1<<2;"), "return 1"},
      {S, Strict("return (2<=2) + (3<=2)*10 + (2>=3)*100 + (3>=3)*1000;"), "return 1001"},
      {S, Strict("return (1<2==1) + (3==3<5)*10;"), "return 1"}, {S, Strict("return 3>2>1;"), "return 0"},
      {S, Strict("return 5&3==3;"), "return 1"}, {S, Strict("return 6^3&5;"), "return 7"},
      {S, Strict("return 1|6^3;"), "return 5"}, {S, Strict("return 0&&1||1;"), "return 1"},
      {S, Strict("return 1?2:0?3:4+10;"), "return 2"},
      {S, Strict("Var(0)=Var(1)=5; return Var(0);"), "return 5 Var(0)=5 Var(1)=5"},
      {S, Strict("Var(0)=2; Var(0)*=3+1; return Var(0)--;"), "return 8 Var(0)=7"},
      {S, Strict("return Var(0)++ + ++Var(0);"), "return 2 Var(0)=2"},
      // 32-bit values, division, shifts, powers, strings.
      {S, Strict("return 7/-2*10 + -7%3;"), "return -31"}, {S, Strict("return 5/0 + 5%0 + 2**-1 + 3**0;"), "return 1"},
      {S, Strict("return 2147483647+1;"), "return -2147483648"},
      {S, Strict("return 4294967297 + (-2147483648/-1);"), "return -2147483647"},
      {S, Strict("return (1<<33) + (-8>>1) + ~0;"), "return -3"},
      {S, Strict("return (\"ab\"==\"cd\") + (12 S= \"12\") + (\"a\"+2) + !\"\" + (xS=x)*10 + (\"a\" S= \"b\")*100;"),
       "return 15"},
      {S, Strict("if (\"0\") Hurt(1); if (\"\") Hurt(2); return \"x\";"), "return \"x\" Hurt(1)"},
      // Short-circuits, and And/Or that always evaluate both.
      {S, Strict("return (0&&MakeRock()) + (2||MakeRock()) + (1?2:Hurt(1));"), "return 3"},
      {O, "f: return(And(0,MakeRock()));", "return 0 MakeRock()"},
      {O, "f: return(Or(1,MakeRock()));", "return 1 MakeRock()"},
      // Built-ins: values, extra arguments evaluated and dropped, missing ones 0.
      {O, "f: Say(Mod(-7,3),Div(7,0),Pow(2,10),BitAnd(6,3),Sub(5,7),Mul(3,4),Sum(1,-3),Sum(5));",
       "return 0 Say(-1,0,1024,2,-2,12,-2,5)"},
      {O, "f: Say(Equal(2,2),GreaterThan(3,2),LessThan(3,2),SEqual(12,\"12\"),\"ab\" eq \"ab\");",
       "return 0 Say(1,1,0,1,1)"},
      {O, "f: return(Not(0,Hurt(1)));", "return 1 Hurt(1)"}, {O, "f: return(IncVar(0));", "return 1 Var(0)=1"},
      {O, "f: return(DecVar(2,Hurt(4)));", "return -1 Var(2)=-1 Hurt(4)"},
      {O, "f: return(Inc(Local(1)));", "return 1 Local(1)=1"}, {O, "f: return(Dec(5));", "return 4"},
      {O, "f: SetLocal(1,4); SetGlobal(0,AssignVar(3,\"x\")); return(SetVar(2,Local(1)));",
       "return 4 Var(2)=4 Var(3)=\"x\" Local(1)=4 Global(0)=\"x\""},
      // Left to right; an lvalue's index before the value.
      {O, "f: SetVar(0,Sum(SetVar(1,2),Var(1)));", "return 0 Var(0)=4 Var(1)=2"},
      {S, Strict("Var(SetVar(0,1)) = Var(0)+5;"), "return 0 Var(0)=1 Var(1)=6"},
      // Statements, engine calls, the step limit.
      {O, "f: Say(\"a, b;\", Sum(1,2)); Hurt();", "return 0 Say(\"a, b;\",3) Hurt()"},
      {O, "f: if (1) { if (0) Hurt(1); else Hurt(2); } return(3);", "return 3 Hurt(2)"},
      {O, "f: while(LessThan(Var(0),3)) IncVar(0); return(Var(0));", "return 3 Var(0)=3"},
      {O, "f: while(1) ;", "ran too long"}, {O, "f: return; Hurt(1);", "return 0"},
      // Layout: comments, directives, CR LF, blanks before brackets, split calls.
      {O, "#strict\r\nf: /* a: b; */ return(1); // c:\r\n", "return 1"},
      {O, "f: return(Sum (1,\n 2));", "return 3"}, {O, "protected f: return(4);", "return 4"},
      {S, "protected func f()\n{ return 4; }", "return 4"}, {S, "{ }\nfunc f() { return 1; }", "return 1"},
      // Syntax errors, each kept in its own function.
      {O, "f: 3++;", "no parse"}, {O, "f: return(Var(0)--3);", "no parse"}, {O, "f: Sum(1,2)=3;", "no parse"},
      {O, "f: { g: return(1); }", "no parse"}, {O, "g: { Hurt(1); f: return(1); }", "missing"},
      {O, "f: return(1 # 2);", "no parse"}, {O, "f: if (1) g: return(1);", "no parse"},
      {O, "f: Say(\"abc);", "no parse"}, {O, "f: return(1 @ 2);", "no parse"}, {O, "foo f: return(4);", "no parse"},
      {O, "f: return(1); f: return(2);", "no parse"}, {O, "g: 3++; f: return(2);", "return 2"},
      {S, "func f() { return 1; ", "no parse"}, {S, Strict("g: return 1;"), "no parse"},
      {S, Strict("return 1;") + " x = ; func g() { 3++; }", "return 1"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(RunF(row.syntax, row.script), row.outcome) << row.script;
  }
}

}  // namespace
}  // namespace q9::model
