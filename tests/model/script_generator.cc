#include "tests/model/script_generator.h"

#include <algorithm>
#include <random>
#include <string_view>

namespace q9::model {
namespace {

// Names, constants, texts and comments; the odd ones hold a row's name, "eq" or punctuation.
constexpr std::string_view kNames[] = {
    "Initialize", "Timer", "Hit", "Damage", "Activate", "Collection", "Entrance", "Departure", "ControlDig",
    "ControlThrow", "Destruction", "Completion", "Ejection", "Construction", "Check", "Launch", "Fly", "Grab",
    "Wake", "Sleep"};
constexpr std::string_view kOddNames[] = {"Notify", "Summary", "Increase", "Ordering", "Decrease", "Request",
                                          "Incineration", "Subside"};
constexpr std::string_view kConstants[] = {"ROCK", "TREE", "MaxEnergy", "Wind"};
constexpr std::string_view kOddConstants[] = {"Order", "Incoming", "request", "Notice", "Summit", "Decal"};
constexpr std::string_view kTexts[] = {"Hello", "Ouch!", "Boom", "Rock falls", "Well done"};
constexpr std::string_view kOddTexts[] = {
    "Sum(a,b) is wrong", "request", "a, b", "x; y", "Usage: go", "(", ")", "Not(1)", "say \\\"hi\\\"",
    "eq", "Hit: 3; ok", "[x]", "{", "}", "IncVar(0)", "Or else"};
constexpr std::string_view kComments[] = {"// move the rock", "// keep it simple", "/* short */"};
constexpr std::string_view kOddComments[] = {
    "// Usage: Timer(); call it", "// TODO: Sum(a,b) here", "// a; b", "// eq", "/* Not(x); */",
    "/* Usage:\n   call this; then that\n   Returns: the value */", "/*\nUsage: Hit\n*/"};

// Two-parameter rows, the common ones more often: 11 arithmetic ones, 4 comparisons, 3 more.
constexpr std::string_view kTwoRows[] = {"Sum", "Sum", "Sum", "Sub", "Sub", "Mul", "Mul", "Div", "Mod", "Pow", "BitAnd",
                                         "Equal", "Equal", "GreaterThan", "LessThan", "SEqual", "And", "Or"};
constexpr std::string_view kInfix[] = {"+", "-", "*", "/", "%", "==", "!=", "<", ">", "&&", "||", "&", "|", "eq"};

// Engine calls as patterns: "t" stands for a text, "e" for a value. The odd names
// hold a row's name or are renamed by the conversion.
constexpr std::string_view kCalls[] = {"MakeRock()", "Say(t)", "Say(t)", "Hurt(e)", "Ring(t)", "GetSpot()",
                                       "Dice(e)", "Shout(t,e)", "Burst(e)"};
constexpr std::string_view kOddCalls[] = {"GetSum(e)", "Notify()", "SetVarious(e)", "IsNewgfx()",
                                          "SetSkyFade(e,e,e)", "Decorate()", "Incinerate(e)"};

struct Generator {
  std::mt19937 rng;
  std::string out{};
  bool plain = true;  // only ordinary code: what most statements are

  GeneratedScript Script() {
    GeneratedScript script;
    if (Chance(0.6)) out += "/*-- Rock --*/\n\n";
    if (Chance(0.2)) out += "#include ROCK\n\n";
    if (Chance(0.1)) out += "/* Usage:\n  MakeRock(); then Say(\"x\")\n*/\n";
    std::vector<std::string_view> names(std::begin(kNames), std::end(kNames));
    std::shuffle(names.begin(), names.end(), rng);
    for (std::size_t k = 0, count = static_cast<std::size_t>(Range(2, 6)); k < count; ++k) {
      std::string name(Chance(0.05) ? Pick(kOddNames) : names[k]);
      for (const GeneratedFunction& f : script.functions) {
        if (f.name == name) name = names[k];
      }
      // Now and then the header follows the last statement on its line.
      const std::string_view last_line(out.data() + out.rfind('\n', out.size() - 2) + 1);
      const bool same_line =
          k > 0 && out.ends_with(";\n") && last_line.find('/') == std::string_view::npos && Chance(0.03);
      if (same_line) out.back() = ' ';
      const std::size_t line = Lines();
      if (k > 0) script.functions.back().last_line = same_line ? line : line - 1;
      script.functions.push_back({name, line, 0});
      out += Chance(0.15) ? "protected " : Chance(0.04) ? "public " : "";
      out += name + ":" + (Chance(0.12) ? " " + Statement(1, "") : "") + "\n";
      Body();
      if (Chance(0.4)) out += "\n";
    }
    script.functions.back().last_line = Lines() - 1;
    script.lines = SplitLines(out);
    if (Chance(0.12)) {  // CR LF line ends
      for (std::string& line : script.lines) line += '\r';
    }
    return script;
  }

  bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; }
  bool Odd(double p) { return !plain && Chance(p); }  // an awkward choice: never in plain code
  int Range(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
  template <std::size_t N>
  std::string Pick(const std::string_view (&list)[N]) {
    return std::string(list[static_cast<std::size_t>(Range(0, static_cast<int>(N) - 1))]);
  }
  std::size_t Lines() const { return static_cast<std::size_t>(std::count(out.begin(), out.end(), '\n')); }
  std::string Digit() { return std::to_string(Range(0, 3)); }
  std::string Text() { return "\"" + (Odd(0.12) ? Pick(kOddTexts) : Pick(kTexts)) + "\""; }
  std::string Comment() { return Chance(0.4) ? Pick(kOddComments) : Pick(kComments); }

  // Name(args), now and then with a blank before the bracket or its arguments over two lines.
  std::string Call(std::string_view name, const std::vector<std::string>& args) {
    std::string s = std::string(name) + (Odd(0.03) ? " (" : "(");
    const std::string comma = Odd(0.03) ? ",\n      " : Chance(0.15) ? ", " : ",";
    for (std::size_t k = 0; k < args.size(); ++k) s += (k ? comma : "") + args[k];
    return s + ")";
  }

  std::string Variable() {
    const int r = Range(0, 9);
    return (r < 7 ? "Var(" : r < 9 ? "Local(" : "Global(") + Digit() + ")";
  }

  std::string Leaf() {
    const int r = Range(0, 99);
    if (r < 30) return Chance(0.1) ? "-" + std::to_string(Range(1, 9)) : std::to_string(Range(0, 9));
    if (r < 70) return Variable();
    if (r < 78) return Odd(0.15) ? Pick(kOddConstants) : Pick(kConstants);
    if (r < 85) return Text();
    return EngineCall(0);
  }

  std::string EngineCall(int depth) {
    const std::string pattern = Odd(0.1) ? Pick(kOddCalls) : Pick(kCalls);
    std::vector<std::string> args;
    for (std::size_t k = pattern.find('(') + 1; pattern[k] != ')'; ++k) {
      if (pattern[k] != ',') args.push_back(pattern[k] == 't' ? Text() : Expr(depth));
    }
    return Call(pattern.substr(0, pattern.find('(')), args);
  }

  // A call of a row that gives a value, now and then with a wrong argument count.
  std::string RowCall(int depth) {
    const int r = Range(0, 99);
    auto e = [&] { return Expr(depth - 1); };
    if (r < 65) {
      std::vector<std::string> args = {e(), e()};
      if (Odd(0.03)) args.pop_back();
      else if (Odd(0.03)) args.push_back(e());
      return Call(Pick(kTwoRows), args);
    }
    if (r < 77) return Call("Not", Odd(0.05) ? std::vector<std::string>{e(), e()} : std::vector<std::string>{e()});
    if (r < 82) return Call("Sub", {e(), "-" + std::to_string(Range(1, 9))});
    if (r < 88) return Call(Chance(0.7) ? "SetVar" : "SetLocal", {Digit(), e()});
    if (r < 93) return Call(Chance(0.5) ? "IncVar" : "DecVar", Chance(0.05) ? std::vector<std::string>{Digit(), Digit()} : std::vector<std::string>{Digit()});
    return Call(Chance(0.5) ? "Inc" : "Dec", {Chance(0.8) ? Variable() : e()});
  }

  // Plain code: arithmetic rows in values, comparisons and logic in conditions.
  std::string PlainValue(int depth) {
    const int r = Range(0, 99);
    if (depth <= 0 || r < 55) return Chance(0.3) ? std::to_string(Range(0, 9)) : Chance(0.9) ? Variable() : Pick(kConstants);
    if (r < 85) return Call(kTwoRows[Range(0, 10)], {PlainValue(depth - 1), PlainValue(depth - 1)});
    return EngineCall(depth - 1);
  }

  std::string PlainCondition(int depth) {
    const int r = Range(0, 99);
    if (depth <= 0 || r < 50) return Call(kTwoRows[Range(11, 14)], {PlainValue(1), PlainValue(0)});
    if (r < 65) return Call("Not", {Chance(0.5) ? Variable() : PlainCondition(depth - 1)});
    if (r < 85) return Call(Chance(0.6) ? "And" : "Or", {PlainCondition(depth - 1), PlainCondition(depth - 1)});
    if (r < 95) return Variable();
    return Call("SEqual", {Variable(), PlainValue(0)});
  }

  std::string Expr(int depth) {
    if (plain) return PlainValue(depth);
    if (depth <= 0 || Chance(0.4)) return Leaf();
    const int r = Range(0, 99);
    if (r < 55) return RowCall(depth);
    if (r < 70) return EngineCall(depth - 1);
    if (r < 76) {  // an infix operator in old code
      const std::string s = Expr(depth - 1) + " " + Pick(kInfix) + " " + Expr(depth - 1);
      return Chance(0.6) ? "(" + s + ")" : s;
    }
    if (r < 78) return "(" + Condition(depth - 1) + " ? " + Expr(depth - 1) + " : " + Expr(depth - 1) + ")";
    if (r < 82) return Chance(0.5) ? "!" + Expr(depth - 1) : "-" + Variable();
    return Leaf();
  }

  std::string Condition(int depth) {
    if (plain) return PlainCondition(depth);
    const int r = Range(0, 99);
    if (r < 20) return Call("Equal", {Variable(), std::to_string(Range(0, 5))});
    if (r < 30) return Call(Chance(0.5) ? "GreaterThan" : "LessThan", {Expr(depth), std::to_string(Range(0, 5))});
    if (r < 42) return Call("Not", {Expr(depth)});
    if (r < 54) return Call(Chance(0.5) ? "And" : "Or", {Expr(depth), Chance(0.4) ? EngineCall(0) : Expr(depth)});
    if (r < 62) return Variable();
    if (r < 72) return Variable() + (Chance(0.5) ? " == " : " != ") + std::to_string(Range(0, 5));
    if (r < 78) return Call("Not", {Call("Equal", {Expr(depth), Expr(depth)})});
    if (r < 81) return Expr(depth) + " eq " + Text();
    if (r < 83) return Call("IsNewgfx", {});
    return Expr(depth);
  }

  // One statement, on one line unless a block or a long call spreads it.
  std::string Statement(int depth, const std::string& indent) {
    int r = Range(0, 99);
    if (plain && ((r >= 52 && r < 54) || (r >= 80 && r < 82))) r = 0;
    if (r < 28) {
      const std::string setter = Chance(0.8) ? "SetVar" : Chance(0.5) ? "SetLocal" : Chance(0.5) ? "SetGlobal" : "AssignVar";
      return Call(setter, {Chance(0.9) ? Digit() : Expr(1), Expr(2)}) + ";";
    }
    if (r < 44) return EngineCall(1) + ";";
    if (r < 52) return plain ? Call(Chance(0.7) ? "IncVar" : "DecVar", {Digit()}) + ";" : RowCall(1) + ";";
    if (r < 54) return "if (" + Call("Not", {Variable()}) + ") SetVar(" + Digit() + ", " + Variable() + " != 3);";
    if (r < 72 && depth > 0) {
      std::string s = "if (" + Condition(1) + ") " + Block(depth - 1, indent);
      if (Chance(0.3)) s += (s.back() == '}' ? " else " : "\n" + indent + "else ") + Block(depth - 1, indent);
      return s;
    }
    if (r < 77 && depth > 0) {
      const std::string v = Digit();
      if (Chance(0.5)) return "while (LessThan(Var(" + v + ")," + std::to_string(Range(1, 5)) + ")) IncVar(" + v + ");";
      return "while (GreaterThan(Var(" + v + "),0)) {\n" + indent + "  DecVar(" + v + ");\n" + indent + "  " +
             Statement(0, indent + "  ") + "\n" + indent + "}";
    }
    if (r < 80 && depth == 0) return "return(" + Expr(2) + ");";
    if (r < 82) return Variable() + " = " + Expr(2) + ";";
    return Call("SetVar", {Digit(), plain ? PlainValue(3) : RowCall(3)}) + ";";
  }

  std::string Block(int depth, const std::string& indent) {
    if (Chance(0.6)) return Statement(depth, indent);
    std::string s = "{\n";
    for (int k = Range(1, 3); k > 0; --k) s += indent + "  " + Statement(depth, indent + "  ") + "\n";
    return s + indent + "}";
  }

  void Body() {
    const std::string indent = Chance(0.7) ? "  " : "\t";
    for (int k = Range(1, 6); k > 0; --k) {
      if (Chance(0.06)) out += indent + Comment() + "\n";
      plain = !Chance(0.1);  // a tenth of the statements may hold awkward constructs
      out += indent + Statement(2, indent);
      if (Chance(0.08)) out += " " + Statement(1, indent);
      plain = true;
      if (Chance(0.08)) out += " " + Comment();
      out += "\n";
    }
    if (Chance(0.5)) out += indent + (Chance(0.5) ? "return(" + Expr(2) + ");" : "return(1);") + "\n";
  }
};

}  // namespace

GeneratedScript GenerateOldScript(std::uint32_t seed) { return Generator{std::mt19937(seed)}.Script(); }

}  // namespace q9::model
