#include "tests/model/evaluator.h"

#include <algorithm>

namespace q9::model {
namespace {

struct Token {
  enum Kind { kWord, kNumber, kString, kPunct, kOdd, kEnd } kind;
  std::string text;  // a string's bytes between its quotes; an odd token's reason
  std::size_t line;
};

// Longest first, so that the first match is the longest.
constexpr std::string_view kPunctuators[] = {
    "<<=", ">>=", "++", "--", "**", "<<", ">>", "<=", ">=", "==", "!=", "&&", "||", "+=", "-=",
    "*=",  "/=",  "%=", "&=", "|=", "^=", "S=", "(",  ")",  "{",  "}",  "[",  "]",  ",",  ";",
    ":",   "?",   "~",  "!",  "-",  "+",  "*",  "/",  "%",  "<",  ">",  "&",  "^",  "|",  "="};
constexpr std::string_view kKeywords[] = {"if", "else", "while", "return", "func", "eq"};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
// "S=" is an operator even inside a word: aS=b is a S= b.
bool IsWordByte(std::string_view s, std::size_t i) {
  const char c = s[i];
  return ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || IsDigit(c)) && s.substr(i, 2) != "S=";
}

std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> out;
  std::size_t line = 0, i = 0;
  bool only_blanks = true;  // nothing but blanks so far on this line
  while (i < s.size()) {
    const char c = s[i];
    std::size_t j = i + 1;
    if (c == '\n' || IsBlank(c)) {
      line += c == '\n';
    } else if ((only_blanks && c == '#') || s.substr(i, 2) == "//") {  // a directive or comment
      j = std::min(s.find('\n', i), s.size());
    } else if (s.substr(i, 2) == "/*") {
      j = std::min(s.find("*/", i + 2), s.size() - 2) + 2;
      line += static_cast<std::size_t>(std::count(s.begin() + i, s.begin() + j, '\n'));
    } else if (c == '"') {
      while (j < s.size() && s[j] != '"' && s[j] != '\n') j += s[j] == '\\' && j + 1 < s.size() && s[j + 1] != '\n' ? 2 : 1;
      const bool closed = j < s.size() && s[j] == '"';
      out.push_back({closed ? Token::kString : Token::kOdd,
                     closed ? std::string(s.substr(i + 1, j - i - 1)) : "a string that does not close", line});
      j += closed ? 1 : 0;
    } else if (IsWordByte(s, i)) {
      while (j < s.size() && (IsDigit(c) ? IsDigit(s[j]) : IsWordByte(s, j))) ++j;
      out.push_back({IsDigit(c) ? Token::kNumber : Token::kWord, std::string(s.substr(i, j - i)), line});
    } else {
      const auto* p = std::find_if(std::begin(kPunctuators), std::end(kPunctuators),
                                   [&](std::string_view q) { return s.substr(i, q.size()) == q; });
      const bool odd = p == std::end(kPunctuators);
      out.push_back({odd ? Token::kOdd : Token::kPunct, odd ? "an odd byte" : std::string(*p), line});
      j = odd ? j : i + p->size();
    }
    only_blanks = c == '\n' || (only_blanks && IsBlank(c));
    i = j;
  }
  out.push_back({Token::kEnd, "", line});
  return out;
}

bool IsKeyword(std::string_view w) { return std::find(std::begin(kKeywords), std::end(kKeywords), w) != std::end(kKeywords); }
bool IsPunct(const Token& t, std::string_view p) { return t.kind == Token::kPunct && t.text == p; }
bool IsVariable(const Expr& e) { return e.kind == Expr::kCall && (e.name == "Var" || e.name == "Local" || e.name == "Global"); }
Expr Make(Expr::Kind kind, std::string name, std::vector<Expr> args) { return {kind, std::move(name), {}, std::move(args)}; }

// The statements of one function; the first syntax error stops it.
struct Parser {
  std::vector<Token> t;
  std::size_t pos = 0;
  std::string error{};

  const Token& Peek() const { return t[pos]; }
  bool IsWord(std::string_view w) const { return Peek().kind == Token::kWord && Peek().text == w; }
  void Next() { pos += Peek().kind == Token::kEnd ? 0 : 1; }
  bool Accept(std::string_view p) { return IsPunct(Peek(), p) && (Next(), true); }
  bool AcceptWord(std::string_view w) { return IsWord(w) && (Next(), true); }
  void Expect(std::string_view p) {
    if (!Accept(p)) Fail("expected \"" + std::string(p) + "\"");
  }
  void Fail(const std::string& why) {
    if (error.empty()) error = "line " + std::to_string(Peek().line + 1) + ": " + why + " at \"" + Peek().text + "\"";
  }

  // Up to a "}" or the end.
  std::vector<Stmt> Statements() {
    std::vector<Stmt> body;
    while (error.empty() && !IsPunct(Peek(), "}") && Peek().kind != Token::kEnd) body.push_back(Statement());
    return body;
  }

  Stmt Statement() {
    Stmt s;
    if (Accept(";")) return s;
    if (Accept("{")) {
      s = {Stmt::kBlock, {}, Statements()};
      Expect("}");
    } else if (IsWord("if") || IsWord("while")) {
      s.kind = AcceptWord("if") ? Stmt::kIf : (Next(), Stmt::kWhile);
      Expect("(");
      s.expr.push_back(Expression());
      Expect(")");
      s.body.push_back(Statement());
      if (s.kind == Stmt::kIf && AcceptWord("else")) s.body.push_back(Statement());
    } else {
      s.kind = AcceptWord("return") ? Stmt::kReturn : Stmt::kExpr;
      if (s.kind == Stmt::kReturn && Accept(";")) return s;
      s.expr.push_back(Expression());
      Expect(";");
    }
    return s;
  }

  // Level 15: assignments, right to left.
  Expr Expression() {
    Expr left = Choice();
    for (std::string_view op : {"=", "+=", "-=", "*=", "/=", "%=", "&=", "|=", "^=", "<<=", ">>="}) {
      if (!Accept(op)) continue;
      if (!IsVariable(left)) Fail("only Var, Local or Global can be assigned");
      return Make(Expr::kAssign, std::string(op), {std::move(left), Expression()});
    }
    return left;
  }

  // Level 14: a ? b : c, right to left.
  Expr Choice() {
    Expr condition = Binary(13);
    if (!Accept("?")) return condition;
    Expr then = Expression();
    Expect(":");
    return Make(Expr::kChoice, "?:", {std::move(condition), std::move(then), Choice()});
  }

  // The level of the binary operator ahead, 3 to 13, or 0.
  int Level() const {
    static const std::pair<std::string_view, int> kLevels[] = {
        {"**", 3}, {"*", 4},  {"/", 4},  {"%", 4},  {"+", 5},  {"-", 5},  {"<<", 6}, {">>", 6},
        {"<", 7},  {"<=", 7}, {">", 7},  {">=", 7}, {"==", 8}, {"!=", 8}, {"S=", 8}, {"&", 9},
        {"^", 10}, {"|", 11}, {"&&", 12}, {"||", 13}};
    if (IsWord("eq")) return 8;
    for (const auto& [op, level] : kLevels) {
      if (IsPunct(Peek(), op)) return level;
    }
    return 0;
  }

  // Levels 3 to 13, left to right but for ** (level 3).
  Expr Binary(int level) {
    if (level < 3) return Unary();
    Expr left = Binary(level - 1);
    while (error.empty() && Level() == level) {
      const std::string op = IsWord("eq") ? "S=" : Peek().text;
      Next();
      left = Make(Expr::kBinary, op, {std::move(left), Binary(level == 3 ? 3 : level - 1)});
    }
    return left;
  }

  // Level 2: prefix operators; level 1: postfix ++ and --.
  Expr Unary() {
    for (std::string_view op : {"!", "-", "+", "~", "++", "--"}) {
      if (!Accept(op)) continue;
      Expr operand = Unary();
      if (op.size() == 2 && !IsVariable(operand)) Fail("only Var, Local or Global can step");
      return Make(Expr::kPrefix, std::string(op), {std::move(operand)});
    }
    Expr e = Primary();
    while (error.empty() && (IsPunct(Peek(), "++") || IsPunct(Peek(), "--"))) {
      if (!IsVariable(e)) Fail("only Var, Local or Global can step");
      e = Make(Expr::kPostfix, Peek().text, {std::move(e)});
      Next();
    }
    return e;
  }

  Expr Primary() {
    const Token token = Peek();
    Expr e;
    if (token.kind == Token::kNumber) {
      std::uint32_t n = 0;  // modulo 2^32
      for (char c : token.text) n = n * 10u + static_cast<std::uint32_t>(c - '0');
      e.value.number = static_cast<std::int32_t>(n);
      Next();
    } else if (token.kind == Token::kString) {
      e = {Expr::kString, "", {true, 0, token.text}, {}};
      Next();
    } else if (token.kind == Token::kWord && !IsKeyword(token.text)) {
      e = Make(Expr::kConstant, token.text, {});
      Next();
      if (Accept("(")) {
        e.kind = Expr::kCall;
        while (error.empty() && !Accept(")")) {
          if (!e.args.empty()) Expect(",");
          e.args.push_back(Expression());
        }
      }
    } else if (Accept("(")) {
      e = Expression();
      Expect(")");
    } else {
      Fail(token.kind == Token::kOdd ? token.text : "expected a value");
    }
    return e;
  }
};

// A function found in the script: its statements are tokens [begin, end).
struct Piece {
  Function function;
  std::size_t begin, end;
  std::size_t last_token_line;
};

int Depth(int depth, const Token& t) { return std::max(depth + IsPunct(t, "{") - IsPunct(t, "}"), 0); }

// Old syntax: a label is words and ":" (not "::") where a statement starts at
// the top level: at the start, after ";" or "}", or after another label.
std::vector<Piece> SplitOld(const std::vector<Token>& t) {
  std::vector<Piece> pieces;
  int depth = 0;
  bool statement_start = true;
  for (std::size_t i = 0; t[i].kind != Token::kEnd; ++i) {
    std::size_t j = i;
    while (statement_start && depth == 0 && t[j].kind == Token::kWord) ++j;
    if (j > i && IsPunct(t[j], ":") && !IsPunct(t[j + 1], ":")) {
      Function f{.name = t[j - 1].text, .first_line = t[i].line};
      for (std::size_t k = i; k + 1 < j; ++k) {
        const std::string& w = t[k].text;
        if (w != "protected" && w != "public" && w != "private" && w != "global") f.error = "\"" + w + "\" before a label";
      }
      if (!pieces.empty()) pieces.back().end = i;
      pieces.push_back({std::move(f), j + 1, 0, t[j].line});
      i = j;
      continue;
    }
    depth = Depth(depth, t[i]);
    statement_start = IsPunct(t[i], ";") || IsPunct(t[i], "}");
    if (!pieces.empty()) pieces.back().last_token_line = t[i].line;
  }
  if (!pieces.empty()) pieces.back().end = t.size() - 1;
  return pieces;
}

// Strict syntax: "func Name() {" at the top level, to its matching "}".
std::vector<Piece> SplitStrict(const std::vector<Token>& t) {
  std::vector<Piece> pieces;
  int depth = 0;
  for (std::size_t i = 0; t[i].kind != Token::kEnd; ++i) {
    if (depth == 0 && t[i].kind == Token::kWord && t[i].text == "func" && t[i + 1].kind == Token::kWord &&
        IsPunct(t[i + 2], "(") && IsPunct(t[i + 3], ")") && IsPunct(t[i + 4], "{")) {
      std::size_t k = i + 5;
      for (int d = 1; t[k].kind != Token::kEnd && (d = Depth(d, t[k])) > 0;) ++k;
      Function f{.name = t[i + 1].text, .first_line = t[i].line};
      if (t[k].kind == Token::kEnd) f.error = "its body does not close";
      pieces.push_back({std::move(f), i + 5, k, t[k].line});
      if (t[k].kind == Token::kEnd) break;
      i = k;
      continue;
    }
    depth = Depth(depth, t[i]);
  }
  return pieces;
}

Value Int(std::int32_t n) { return {false, n, ""}; }
Value Bool(bool b) { return Int(b ? 1 : 0); }
std::int32_t Num(const Value& v) { return v.is_string ? 0 : v.number; }
bool Truth(const Value& v) { return v.is_string ? !v.text.empty() : v.number != 0; }
std::string Text(const Value& v) { return v.is_string ? v.text : std::to_string(v.number); }
std::string Show(const Value& v) { return v.is_string ? "\"" + v.text + "\"" : std::to_string(v.number); }

// A binary operator on two values; ints wrap at 32 bits.
Value Apply(std::string_view op, const Value& a, const Value& b) {
  const std::int32_t x = Num(a), y = Num(b);
  const auto ux = static_cast<std::uint32_t>(x), uy = static_cast<std::uint32_t>(y);
  auto wrap = [](std::uint32_t n) { return Int(static_cast<std::int32_t>(n)); };
  if (op == "S=") return Bool(Text(a) == Text(b));
  if (op == "+" || op == "-" || op == "*") return wrap(op == "+" ? ux + uy : op == "-" ? ux - uy : ux * uy);
  if (op == "/") return y == 0 ? Int(0) : y == -1 ? wrap(0u - ux) : Int(x / y);
  if (op == "%") return y == 0 || y == -1 ? Int(0) : Int(x % y);
  if (op == "**") {  // x multiplied y times, by squaring
    std::uint32_t result = y < 0 ? 0 : 1;
    for (std::uint32_t base = ux, e = y < 0 ? 0 : uy; e != 0; e >>= 1, base *= base) result *= e & 1u ? base : 1;
    return wrap(result);
  }
  if (op == "<<") return wrap(ux << (uy & 31u));
  if (op == ">>") return Int(x >> (uy & 31u));
  if (op == "&" || op == "^" || op == "|") return Int(op == "&" ? x & y : op == "^" ? x ^ y : x | y);
  if (op == "&&" || op == "||") return Bool(op == "&&" ? Truth(a) && Truth(b) : Truth(a) || Truth(b));
  if (op == "<" || op == ">=") return Bool((x < y) == (op == "<"));
  if (op == ">" || op == "<=") return Bool((x > y) == (op == ">"));
  return Bool((x == y) == (op == "=="));  // "==" or "!="
}

std::uint32_t Hash(std::string_view s, std::uint32_t engine) {
  std::uint32_t h = 2166136261u ^ engine;
  for (char c : s) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  return h;
}

// The built-ins that compute an operator; Call handles the others.
constexpr std::pair<std::string_view, std::string_view> kOperatorCalls[] = {
    {"Sum", "+"}, {"Sub", "-"}, {"Mul", "*"}, {"Div", "/"}, {"Mod", "%"}, {"Pow", "**"}, {"BitAnd", "&"},
    {"And", "&&"}, {"Or", "||"}, {"Equal", "=="}, {"GreaterThan", ">"}, {"LessThan", "<"}, {"SEqual", "S="}};

// Runs one function: statements and calls are steps.
struct Machine {
  State state;
  const std::uint32_t engine;
  std::vector<std::string> trace{};
  int steps = 0;
  bool too_long = false;

  bool Step() { return !(too_long = too_long || ++steps > 10000); }

  // False when the function ends here: a return, or the step limit.
  bool Exec(const Stmt& s, Value* result) {
    if (!Step()) return false;
    auto exec = [&](const Stmt& inner) { return Exec(inner, result); };
    if (s.kind == Stmt::kBlock) return std::all_of(s.body.begin(), s.body.end(), exec);
    if (s.kind == Stmt::kIf) return Truth(Eval(s.expr[0])) ? exec(s.body[0]) : s.body.size() < 2 || exec(s.body[1]);
    if (s.kind == Stmt::kReturn) return *result = s.expr.empty() ? Value() : Eval(s.expr[0]), false;
    while (s.kind == Stmt::kWhile && Truth(Eval(s.expr[0])) && !too_long) {
      if (!exec(s.body[0])) return false;
    }
    if (s.kind == Stmt::kExpr) Eval(s.expr[0]);
    return !too_long;
  }

  std::map<std::int32_t, Value>& Kind(std::string_view name) {
    return name == "Local" ? state.local : name == "Global" ? state.global : state.var;
  }
  // A Var/Local/Global call as a variable: its arguments, then the variable.
  Value& Locate(const Expr& call) {
    Step();
    const std::vector<Value> args = Args(call, 0);
    return Kind(call.name)[args.empty() ? 0 : Num(args[0])];
  }
  std::vector<Value> Args(const Expr& call, std::size_t first) {
    std::vector<Value> values;
    for (std::size_t k = first; k < call.args.size(); ++k) values.push_back(Eval(call.args[k]));
    return values;
  }

  Value Eval(const Expr& e) {
    if (too_long) return {};
    if (e.kind == Expr::kNumber || e.kind == Expr::kString) return e.value;
    if (e.kind == Expr::kConstant) return Int(static_cast<std::int32_t>(Hash(e.name, engine) % 7));
    if (e.kind == Expr::kCall) return Call(e);
    if (e.kind == Expr::kChoice) return Eval(e.args[Truth(Eval(e.args[0])) ? 1 : 2]);
    if (e.kind == Expr::kBinary) {
      const Value a = Eval(e.args[0]);
      if (e.name == "&&" && !Truth(a)) return Int(0);
      if (e.name == "||" && Truth(a)) return Int(1);
      return Apply(e.name, a, Eval(e.args[1]));
    }
    if (e.kind == Expr::kPrefix && e.name.size() == 1) {  // !, -, + or ~
      const Value v = Eval(e.args[0]);
      return e.name == "!" ? Bool(!Truth(v)) : e.name == "~" ? Int(~Num(v)) : Apply(e.name, Int(0), v);
    }
    Value& v = Locate(e.args[0]);  // a step or an assignment
    const Value old = v;
    if (e.kind == Expr::kAssign) {
      const Value value = Eval(e.args[1]);
      return v = e.name == "=" ? value : Apply(std::string_view(e.name).substr(0, e.name.size() - 1), v, value);
    }
    v = Apply(e.name.substr(1), old, Int(1));
    return e.kind == Expr::kPostfix ? old : v;
  }

  Value Call(const Expr& e) {
    const std::string_view name = e.name;
    if (IsVariable(e)) return Locate(e);
    const bool inc = name == "Inc";
    if ((inc || name == "Dec") && !e.args.empty() && IsVariable(e.args[0])) {
      Step();
      Value& v = Locate(e.args[0]);
      Args(e, 1);
      return v = Apply(inc ? "+" : "-", v, Int(1));
    }
    if (!Step()) return {};
    const std::vector<Value> args = Args(e, 0);
    const Value a = args.size() > 0 ? args[0] : Value(), b = args.size() > 1 ? args[1] : Value();
    for (const auto& [call, op] : kOperatorCalls) {
      if (name == call) return Apply(op, a, b);
    }
    if (name == "Not") return Bool(!Truth(a));
    if (inc || name == "Dec") return Apply(inc ? "+" : "-", a, Int(1));
    if (name == "IncVar" || name == "DecVar") return state.var[Num(a)] = Apply(name == "IncVar" ? "+" : "-", state.var[Num(a)], Int(1));
    if (name == "SetVar" || name == "AssignVar" || name == "SetLocal" || name == "SetGlobal") {
      return Kind(name == "SetLocal" ? "Local" : name == "SetGlobal" ? "Global" : "Var")[Num(a)] = b;
    }
    std::string entry = e.name + "(";  // an engine call
    for (std::size_t k = 0; k < args.size(); ++k) entry += (k ? "," : "") + Show(args[k]);
    trace.push_back(entry + ")");
    return Int(static_cast<std::int32_t>(Hash(trace.back(), engine) % 4));
  }
};

}  // namespace

std::string Describe(const Outcome& outcome) {
  if (outcome.too_long) return "ran too long";
  std::string out = "return " + Show(outcome.result);
  for (const auto& [kind, vars] : {std::pair{"Var", &outcome.variables.var}, std::pair{"Local", &outcome.variables.local},
                                   std::pair{"Global", &outcome.variables.global}}) {
    for (const auto& [index, value] : *vars) out += " " + std::string(kind) + "(" + std::to_string(index) + ")=" + Show(value);
  }
  for (const std::string& call : outcome.trace) out += " " + call;
  return out;
}

const Function* Script::Find(std::string_view name) const {
  const auto it = std::find_if(functions.begin(), functions.end(), [&](const Function& f) { return f.name == name; });
  return it == functions.end() ? nullptr : &*it;
}

Script ParseScript(std::string_view text, Syntax syntax) {
  const std::vector<Token> tokens = Tokenize(text);
  std::vector<Piece> pieces = syntax == Syntax::kOld ? SplitOld(tokens) : SplitStrict(tokens);
  const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
  Script script;
  for (std::size_t k = 0; k < pieces.size(); ++k) {
    Function f = pieces[k].function;  // a copy: the names stay for the check below
    const std::size_t next = k + 1 < pieces.size() ? pieces[k + 1].function.first_line : lines + (text.ends_with('\n') ? 0 : 1);
    f.last_line = std::max({pieces[k].last_token_line, f.first_line, next == 0 ? 0 : next - 1});
    if (IsKeyword(f.name)) f.error = "a keyword as a name";
    for (const Piece& other : pieces) {
      if (&other != &pieces[k] && other.function.name == f.name) f.error = "a second function of this name";
    }
    if (f.error.empty()) {
      Parser parser{std::vector<Token>(tokens.begin() + static_cast<std::ptrdiff_t>(pieces[k].begin),
                                       tokens.begin() + static_cast<std::ptrdiff_t>(pieces[k].end))};
      parser.t.push_back({Token::kEnd, "the end", pieces[k].last_token_line});
      f.body = parser.Statements();
      if (parser.Peek().kind != Token::kEnd) parser.Fail("a \"}\" too many");
      f.error = parser.error;
    }
    f.parsed = f.error.empty();
    script.functions.push_back(std::move(f));
  }
  return script;
}

Outcome Run(const Function& function, const State& input, std::uint32_t engine) {
  Machine machine{input, engine};
  Value result;
  for (const Stmt& s : function.body) {
    if (!machine.Exec(s, &result)) break;
  }
  if (machine.too_long) return {true, {}, {}, {}};
  for (auto* vars : {&machine.state.var, &machine.state.local, &machine.state.global}) {
    std::erase_if(*vars, [](const auto& entry) { return entry.second == Value(); });
  }
  return {false, result, machine.state, machine.trace};
}

}  // namespace q9::model
