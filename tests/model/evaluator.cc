#include "tests/model/evaluator.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace q9::model {
namespace {

// ---- Tokens ----

struct Token {
  enum Kind { kWord, kNumber, kString, kPunct, kOdd, kEnd };
  Kind kind = kEnd;
  std::string text;  // a string's bytes between the quotes; an odd token's reason
  std::size_t line = 0;
};

// Longest first, so that the first match is the longest.
constexpr std::string_view kPunctuators[] = {
    "<<=", ">>=", "++", "--", "**", "<<", ">>", "<=", ">=", "==", "!=", "&&", "||", "+=", "-=",
    "*=",  "/=",  "%=", "&=", "|=", "^=", "S=", "(",  ")",  "{",  "}",  "[",  "]",  ",",  ";",
    ":",   "?",   "~",  "!",  "-",  "+",  "*",  "/",  "%",  "<",  ">",  "&",  "^",  "|",  "="};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsWordStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsWordByte(char c) { return IsWordStart(c) || IsDigit(c); }

std::vector<Token> Tokenize(std::string_view s) {
  std::vector<Token> out;
  std::size_t line = 0;
  std::size_t i = 0;
  bool only_blanks = true;  // nothing but blanks so far on this line
  auto add = [&](Token::Kind kind, std::string text, std::size_t next) {
    out.push_back({kind, std::move(text), line});
    i = next;
  };
  while (i < s.size()) {
    const char c = s[i];
    if (c == '\n') {
      ++line, ++i, only_blanks = true;
      continue;
    }
    if (IsBlank(c)) {
      ++i;
      continue;
    }
    if (only_blanks && c == '#') {  // a directive: the rest of the line
      while (i < s.size() && s[i] != '\n') ++i;
      continue;
    }
    only_blanks = false;
    if (s.substr(i, 2) == "//") {
      while (i < s.size() && s[i] != '\n') ++i;
    } else if (s.substr(i, 2) == "/*") {
      std::size_t end = s.find("*/", i + 2);
      end = end == std::string_view::npos ? s.size() : end + 2;
      line += static_cast<std::size_t>(std::count(s.begin() + i, s.begin() + end, '\n'));
      i = end;
    } else if (c == '"') {
      std::size_t j = i + 1;
      while (j < s.size() && s[j] != '"' && s[j] != '\n') {
        const bool escape = s[j] == '\\' && j + 1 < s.size() && s[j + 1] != '\n';
        j += escape ? 2 : 1;
      }
      if (j < s.size() && s[j] == '"') {
        add(Token::kString, std::string(s.substr(i + 1, j - i - 1)), j + 1);
      } else {
        add(Token::kOdd, "a string that does not close", j);
      }
    } else if (IsDigit(c)) {
      std::size_t j = i;
      while (j < s.size() && IsDigit(s[j])) ++j;
      add(Token::kNumber, std::string(s.substr(i, j - i)), j);
    } else if (IsWordStart(c) && !(c == 'S' && s.substr(i + 1, 1) == "=")) {
      std::size_t j = i;  // a word ends before "S=": aS=b is a S= b
      while (j < s.size() && IsWordByte(s[j]) && !(s[j] == 'S' && s.substr(j + 1, 1) == "=")) ++j;
      add(Token::kWord, std::string(s.substr(i, j - i)), j);
    } else {
      std::string_view found;
      for (std::string_view p : kPunctuators) {
        if (s.substr(i, p.size()) == p) {
          found = p;
          break;
        }
      }
      if (found.empty()) {
        add(Token::kOdd, "an odd byte", i + 1);
      } else {
        add(Token::kPunct, std::string(found), i + found.size());
      }
    }
  }
  out.push_back({Token::kEnd, "", line});
  return out;
}

bool IsKeyword(std::string_view w) {
  return w == "if" || w == "else" || w == "while" || w == "return" || w == "func" || w == "eq";
}
bool IsQualifier(std::string_view w) {
  return w == "protected" || w == "public" || w == "private" || w == "global";
}
bool IsVariableCall(const Expr& e) {
  return e.kind == Expr::kCall && (e.name == "Var" || e.name == "Local" || e.name == "Global");
}

// ---- Parser: statements and expressions of one function ----

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : t_(std::move(tokens)) {}

  // Statements up to the end of the tokens; empty |*error| when all parse.
  std::vector<Stmt> Statements(std::string* error) {
    std::vector<Stmt> body;
    while (error_.empty() && t_[pos_].kind != Token::kEnd) body.push_back(Statement());
    *error = error_;
    return body;
  }

 private:
  const Token& Peek() const { return t_[pos_]; }
  bool IsPunct(std::string_view p) const { return Peek().kind == Token::kPunct && Peek().text == p; }
  bool IsWord(std::string_view w) const { return Peek().kind == Token::kWord && Peek().text == w; }
  void Next() {
    if (t_[pos_].kind != Token::kEnd) ++pos_;
  }
  bool Accept(std::string_view p) {
    if (!IsPunct(p)) return false;
    Next();
    return true;
  }
  void Expect(std::string_view p) {
    if (!Accept(p)) Fail("expected \"" + std::string(p) + "\"");
  }
  void Fail(const std::string& why) {
    if (!error_.empty()) return;
    const Token& at = Peek();
    const std::string where = at.kind == Token::kEnd ? "the end" : "\"" + at.text + "\"";
    error_ = "line " + std::to_string(at.line + 1) + ": " + why + " at " + where;
  }
  bool TooDeep() {
    if (depth_ < 200) return false;
    Fail("nested too deeply");
    return true;
  }

  Stmt Statement() {
    Stmt s;
    if (TooDeep()) return s;
    ++depth_;
    if (Accept(";")) {
    } else if (Accept("{")) {
      s.kind = Stmt::kBlock;
      while (error_.empty() && !IsPunct("}") && Peek().kind != Token::kEnd) s.body.push_back(Statement());
      Expect("}");
    } else if (IsWord("if") || IsWord("while")) {
      s.kind = IsWord("if") ? Stmt::kIf : Stmt::kWhile;
      Next();
      Expect("(");
      s.expr.push_back(Expression());
      Expect(")");
      s.body.push_back(Statement());
      if (s.kind == Stmt::kIf && IsWord("else")) {
        Next();
        s.body.push_back(Statement());
      }
    } else if (IsWord("return")) {
      s.kind = Stmt::kReturn;
      Next();
      if (!Accept(";")) {
        s.expr.push_back(Expression());
        Expect(";");
      }
    } else {
      s.kind = Stmt::kExpr;
      s.expr.push_back(Expression());
      Expect(";");
    }
    --depth_;
    return s;
  }

  static Expr Make(Expr::Kind kind, std::string name, std::vector<Expr> args) {
    Expr e;
    e.kind = kind;
    e.name = std::move(name);
    e.args = std::move(args);
    return e;
  }

  // Level 15: assignments, right to left.
  Expr Expression() {
    if (TooDeep()) return {};
    ++depth_;
    Expr left = Choice();
    static constexpr std::array<std::string_view, 11> kAssign = {
        "=", "+=", "-=", "*=", "/=", "%=", "&=", "|=", "^=", "<<=", ">>="};
    for (std::string_view op : kAssign) {
      if (!IsPunct(op)) continue;
      if (!IsVariableCall(left)) Fail("only Var, Local or Global can be assigned");
      Next();
      Expr right = Expression();
      left = Make(Expr::kAssign, std::string(op), {std::move(left), std::move(right)});
      break;
    }
    --depth_;
    return left;
  }

  // Level 14: a ? b : c, right to left.
  Expr Choice() {
    Expr condition = Binary(13);
    if (!Accept("?")) return condition;
    Expr then = Expression();
    Expect(":");
    Expr otherwise = Choice();
    return Make(Expr::kChoice, "?:", {std::move(condition), std::move(then), std::move(otherwise)});
  }

  int Level() const {
    if (IsWord("eq")) return 8;
    if (Peek().kind != Token::kPunct) return 0;
    static const std::map<std::string_view, int> kLevels = {
        {"**", 3}, {"*", 4},  {"/", 4},  {"%", 4},  {"+", 5},  {"-", 5},   {"<<", 6},
        {">>", 6}, {"<", 7},  {"<=", 7}, {">", 7},  {">=", 7}, {"==", 8},  {"!=", 8},
        {"S=", 8}, {"&", 9},  {"^", 10}, {"|", 11}, {"&&", 12}, {"||", 13}};
    const auto it = kLevels.find(Peek().text);
    return it == kLevels.end() ? 0 : it->second;
  }

  // Levels 3 to 13; all left to right but ** (level 3).
  Expr Binary(int level) {
    if (level < 3) return Unary();
    Expr left = Binary(level - 1);
    while (error_.empty() && Level() == level) {
      const std::string op = IsWord("eq") ? "S=" : Peek().text;
      Next();
      Expr right = Binary(level == 3 ? 3 : level - 1);
      left = Make(Expr::kBinary, op, {std::move(left), std::move(right)});
    }
    return left;
  }

  // Level 2: prefix operators; level 1: postfix ++ and --.
  Expr Unary() {
    for (std::string_view op : {"!", "-", "+", "~", "++", "--"}) {
      if (!IsPunct(op)) continue;
      if (TooDeep()) return {};
      Next();
      ++depth_;
      Expr operand = Unary();
      --depth_;
      if ((op == "++" || op == "--") && !IsVariableCall(operand)) Fail("only Var, Local or Global can step");
      return Make(Expr::kPrefix, std::string(op), {std::move(operand)});
    }
    Expr e = Primary();
    while (error_.empty() && (IsPunct("++") || IsPunct("--"))) {
      if (!IsVariableCall(e)) Fail("only Var, Local or Global can step");
      const std::string op = Peek().text;
      Next();
      e = Make(Expr::kPostfix, op, {std::move(e)});
    }
    return e;
  }

  Expr Primary() {
    const Token token = Peek();
    Expr e;
    if (token.kind == Token::kNumber) {
      std::uint32_t n = 0;
      for (char c : token.text) n = n * 10u + static_cast<std::uint32_t>(c - '0');
      e.value.number = static_cast<std::int32_t>(n);
      Next();
    } else if (token.kind == Token::kString) {
      e.kind = Expr::kString;
      e.value = {true, 0, token.text};
      Next();
    } else if (token.kind == Token::kWord && !IsKeyword(token.text)) {
      e.name = token.text;
      e.kind = Expr::kConstant;
      Next();
      if (Accept("(")) {
        e.kind = Expr::kCall;
        if (!Accept(")")) {
          do {
            e.args.push_back(Expression());
          } while (error_.empty() && Accept(","));
          Expect(")");
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

  std::vector<Token> t_;
  std::size_t pos_ = 0;
  int depth_ = 0;
  std::string error_;
};

// ---- Splitting a script into functions ----

struct Piece {  // one function's header and its tokens
  Function function;
  std::size_t begin = 0, end = 0;  // its statements: tokens [begin, end)
  std::size_t last_token_line = 0;
};

// Old syntax: a label is words followed by ":" (not "::") where a statement
// starts at the top level: at the start, or after ";", "}" or another label.
std::vector<Piece> SplitOld(const std::vector<Token>& t) {
  std::vector<Piece> pieces;
  int depth = 0;
  bool statement_start = true;
  for (std::size_t i = 0; t[i].kind != Token::kEnd; ++i) {
    if (statement_start && depth == 0 && t[i].kind == Token::kWord) {
      std::size_t j = i;
      while (t[j].kind == Token::kWord) ++j;
      const bool colon = t[j].kind == Token::kPunct && t[j].text == ":";
      if (colon && !(t[j + 1].kind == Token::kPunct && t[j + 1].text == ":")) {
        Piece piece;
        piece.function.name = t[j - 1].text;
        piece.function.first_line = t[i].line;
        for (std::size_t k = i; k + 1 < j; ++k) {
          if (!IsQualifier(t[k].text)) piece.function.error = "\"" + t[k].text + "\" before a label";
        }
        if (IsKeyword(piece.function.name)) piece.function.error = "a keyword as a name";
        if (!pieces.empty()) pieces.back().end = i;
        piece.begin = j + 1;
        piece.last_token_line = t[j].line;
        pieces.push_back(std::move(piece));
        i = j;  // statement_start stays true
        continue;
      }
    }
    if (t[i].kind == Token::kPunct && t[i].text == "{") ++depth;
    if (t[i].kind == Token::kPunct && t[i].text == "}") depth = std::max(depth - 1, 0);
    statement_start = t[i].kind == Token::kPunct && (t[i].text == ";" || t[i].text == "}");
    if (!pieces.empty()) pieces.back().last_token_line = t[i].line;
  }
  if (!pieces.empty()) pieces.back().end = t.size() - 1;
  return pieces;
}

bool IsPunctAt(const std::vector<Token>& t, std::size_t i, std::string_view p) {
  return i < t.size() && t[i].kind == Token::kPunct && t[i].text == p;
}

// Strict syntax: "func Name() {" at the top level, up to its matching "}".
std::vector<Piece> SplitStrict(const std::vector<Token>& t) {
  std::vector<Piece> pieces;
  int depth = 0;
  for (std::size_t i = 0; t[i].kind != Token::kEnd; ++i) {
    if (depth == 0 && t[i].kind == Token::kWord && t[i].text == "func" && t[i + 1].kind == Token::kWord &&
        IsPunctAt(t, i + 2, "(") && IsPunctAt(t, i + 3, ")") && IsPunctAt(t, i + 4, "{")) {
      Piece piece;
      piece.function.name = t[i + 1].text;
      piece.function.first_line = t[i].line;
      if (IsKeyword(piece.function.name)) piece.function.error = "a keyword as a name";
      piece.begin = i + 5;
      std::size_t k = i + 5;
      for (int d = 1; t[k].kind != Token::kEnd; ++k) {
        if (IsPunctAt(t, k, "{")) ++d;
        if (IsPunctAt(t, k, "}") && --d == 0) break;
      }
      if (t[k].kind == Token::kEnd) piece.function.error = "its body does not close";
      piece.end = k;
      piece.last_token_line = t[k].line;
      pieces.push_back(std::move(piece));
      if (t[k].kind == Token::kEnd) break;
      i = k;
      continue;
    }
    if (IsPunctAt(t, i, "{")) ++depth;
    if (IsPunctAt(t, i, "}")) depth = std::max(depth - 1, 0);
  }
  return pieces;
}

// ---- Values and the machine that runs a function ----

constexpr int kStepLimit = 10000;

std::int32_t Wrap(std::uint32_t n) { return static_cast<std::int32_t>(n); }
std::int32_t Num(const Value& v) { return v.is_string ? 0 : v.number; }
bool Truth(const Value& v) { return v.is_string ? !v.text.empty() : v.number != 0; }
Value Int(std::int32_t n) { return {false, n, ""}; }
Value Bool(bool b) { return Int(b ? 1 : 0); }
std::string Text(const Value& v) { return v.is_string ? v.text : std::to_string(v.number); }
std::string Show(const Value& v) { return v.is_string ? "\"" + v.text + "\"" : std::to_string(v.number); }

Value Apply(std::string_view op, const Value& a, const Value& b) {
  if (op == "S=") return Bool(Text(a) == Text(b));
  const std::int32_t x = Num(a), y = Num(b);
  const auto ux = static_cast<std::uint32_t>(x), uy = static_cast<std::uint32_t>(y);
  if (op == "+") return Int(Wrap(ux + uy));
  if (op == "-") return Int(Wrap(ux - uy));
  if (op == "*") return Int(Wrap(ux * uy));
  if (op == "/" || op == "%") {
    if (y == 0) return Int(0);
    if (y == -1) return Int(op == "/" ? Wrap(0u - ux) : 0);  // INT_MIN / -1 wraps
    return Int(op == "/" ? x / y : x % y);
  }
  if (op == "**") {  // x multiplied y times, by squaring
    if (y < 0) return Int(0);
    std::uint32_t result = 1, base = ux;
    for (std::uint32_t e = uy; e != 0; e >>= 1, base *= base) {
      if (e & 1u) result *= base;
    }
    return Int(Wrap(result));
  }
  if (op == "<<") return Int(Wrap(ux << (uy & 31u)));
  if (op == ">>") return Int(x >> (uy & 31u));
  if (op == "<") return Bool(x < y);
  if (op == "<=") return Bool(x <= y);
  if (op == ">") return Bool(x > y);
  if (op == ">=") return Bool(x >= y);
  if (op == "==") return Bool(x == y);
  if (op == "!=") return Bool(x != y);
  if (op == "&") return Int(x & y);
  if (op == "^") return Int(x ^ y);
  if (op == "|") return Int(x | y);
  if (op == "&&") return Bool(Truth(a) && Truth(b));
  return Bool(Truth(a) || Truth(b));  // "||"
}

std::uint32_t Hash(std::string_view s) {
  std::uint32_t h = 2166136261u;
  for (char c : s) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  return h;
}

// Built-ins by name: their number of parameters and what they do.
struct Builtin {
  std::string_view name;
  int params;
  std::string_view op;  // the operator they compute, if any
};
constexpr std::array<Builtin, 25> kBuiltins = {{
    {"Var", 1, ""},       {"Local", 1, ""},      {"Global", 1, ""},   {"Sum", 2, "+"},
    {"Sub", 2, "-"},      {"Mul", 2, "*"},       {"Div", 2, "/"},     {"Mod", 2, "%"},
    {"Pow", 2, "**"},     {"BitAnd", 2, "&"},    {"And", 2, "&&"},    {"Or", 2, "||"},
    {"Equal", 2, "=="},   {"GreaterThan", 2, ">"}, {"LessThan", 2, "<"}, {"SEqual", 2, "S="},
    {"Not", 1, ""},       {"SetVar", 2, ""},     {"AssignVar", 2, ""}, {"SetLocal", 2, ""},
    {"SetGlobal", 2, ""}, {"IncVar", 1, ""},     {"DecVar", 1, ""},   {"Inc", 1, ""},
    {"Dec", 1, ""},
}};

const Builtin* FindBuiltin(std::string_view name) {
  for (const Builtin& b : kBuiltins) {
    if (b.name == name) return &b;
  }
  return nullptr;
}

class Machine {
 public:
  explicit Machine(const State& input) : state_(input) {}

  Outcome Finish(const std::vector<Stmt>& body) {
    Value result;
    for (const Stmt& s : body) {
      if (!Exec(s, &result)) break;
    }
    Outcome out;
    out.too_long = too_long_;
    if (too_long_) return out;
    out.result = result;
    for (auto* vars : {&state_.var, &state_.local, &state_.global}) {
      std::erase_if(*vars, [](const auto& entry) { return entry.second == Value(); });
    }
    out.variables = state_;
    out.trace = trace_;
    return out;
  }

 private:
  struct Ref {  // a variable
    std::map<std::int32_t, Value>* vars;
    std::int32_t index;
  };

  bool Step() {
    if (++steps_ > kStepLimit) too_long_ = true;
    return !too_long_;
  }

  // False when the function ends here (a return, or the step limit).
  bool Exec(const Stmt& s, Value* result) {
    if (!Step()) return false;
    switch (s.kind) {
      case Stmt::kEmpty:
        return true;
      case Stmt::kBlock:
        for (const Stmt& inner : s.body) {
          if (!Exec(inner, result)) return false;
        }
        return true;
      case Stmt::kIf:
        if (Truth(Eval(s.expr[0]))) return Exec(s.body[0], result);
        return s.body.size() < 2 || Exec(s.body[1], result);
      case Stmt::kWhile:
        while (Truth(Eval(s.expr[0])) && !too_long_) {
          if (!Exec(s.body[0], result)) return false;
        }
        return !too_long_;
      case Stmt::kReturn:
        *result = s.expr.empty() ? Value() : Eval(s.expr[0]);
        return false;
      case Stmt::kExpr:
        Eval(s.expr[0]);
        return !too_long_;
    }
    return true;
  }

  // Evaluates every argument of |call| from |first| on, left to right.
  std::vector<Value> Args(const Expr& call, std::size_t first) {
    std::vector<Value> values;
    for (std::size_t k = first; k < call.args.size(); ++k) values.push_back(Eval(call.args[k]));
    return values;
  }
  Value Arg(const std::vector<Value>& values, std::size_t k) { return k < values.size() ? values[k] : Value(); }

  Ref Variable(std::string_view kind, std::int32_t index) {
    auto* vars = kind == "Local" ? &state_.local : kind == "Global" ? &state_.global : &state_.var;
    return {vars, index};
  }
  Value Read(const Ref& r) { return (*r.vars)[r.index]; }

  // A Var/Local/Global call as a variable: its index, then any further arguments.
  Ref Locate(const Expr& call) {
    Step();
    const std::vector<Value> values = Args(call, 0);
    return Variable(call.name, Num(Arg(values, 0)));
  }

  Value Eval(const Expr& e) {
    if (too_long_) return {};
    switch (e.kind) {
      case Expr::kNumber:
      case Expr::kString:
        return e.value;
      case Expr::kConstant:
        return Int(static_cast<std::int32_t>(Hash(e.name) % 7));
      case Expr::kCall:
        return Call(e);
      case Expr::kPrefix:
        if (e.name == "++" || e.name == "--") {
          const Ref r = Locate(e.args[0]);
          const Value v = Apply(e.name == "++" ? "+" : "-", Read(r), Int(1));
          return (*r.vars)[r.index] = v;
        } else {
          const Value v = Eval(e.args[0]);
          if (e.name == "!") return Bool(!Truth(v));
          if (e.name == "-") return Int(Wrap(0u - static_cast<std::uint32_t>(Num(v))));
          if (e.name == "~") return Int(~Num(v));
          return Int(Num(v));
        }
      case Expr::kPostfix: {
        const Ref r = Locate(e.args[0]);
        const Value old = Read(r);
        (*r.vars)[r.index] = Apply(e.name == "++" ? "+" : "-", old, Int(1));
        return old;
      }
      case Expr::kBinary: {
        const Value a = Eval(e.args[0]);
        if (e.name == "&&" && !Truth(a)) return Int(0);
        if (e.name == "||" && Truth(a)) return Int(1);
        return Apply(e.name, a, Eval(e.args[1]));
      }
      case Expr::kChoice:
        return Truth(Eval(e.args[0])) ? Eval(e.args[1]) : Eval(e.args[2]);
      case Expr::kAssign: {
        const Ref r = Locate(e.args[0]);
        Value v = Eval(e.args[1]);
        if (e.name != "=") v = Apply(std::string_view(e.name).substr(0, e.name.size() - 1), Read(r), v);
        return (*r.vars)[r.index] = v;
      }
    }
    return {};
  }

  Value Call(const Expr& e) {
    const Builtin* b = FindBuiltin(e.name);
    if (b == nullptr) {  // an engine call
      if (!Step()) return {};
      const std::vector<Value> values = Args(e, 0);
      std::string entry = e.name + "(";
      for (std::size_t k = 0; k < values.size(); ++k) entry += (k ? "," : "") + Show(values[k]);
      trace_.push_back(entry + ")");
      return Int(static_cast<std::int32_t>(Hash(entry) % 4));
    }
    const std::string_view name = e.name;
    if (name == "Var" || name == "Local" || name == "Global") return Read(Locate(e));
    if ((name == "Inc" || name == "Dec") && !e.args.empty() && IsVariableCall(e.args[0])) {
      Step();
      const Ref r = Locate(e.args[0]);
      Args(e, 1);
      return (*r.vars)[r.index] = Apply(name == "Inc" ? "+" : "-", Read(r), Int(1));
    }
    if (!Step()) return {};
    const std::vector<Value> values = Args(e, 0);
    const Value a = Arg(values, 0), b1 = Arg(values, 1);
    if (!b->op.empty()) return Apply(b->op, a, b1);
    if (name == "Not") return Bool(!Truth(a));
    if (name == "Inc" || name == "Dec") return Apply(name == "Inc" ? "+" : "-", a, Int(1));
    if (name == "IncVar" || name == "DecVar") {
      const Ref r = Variable("Var", Num(a));
      return (*r.vars)[r.index] = Apply(name == "IncVar" ? "+" : "-", Read(r), Int(1));
    }
    // SetVar, AssignVar, SetLocal, SetGlobal
    const Ref r = Variable(name == "SetLocal" ? "Local" : name == "SetGlobal" ? "Global" : "Var", Num(a));
    return (*r.vars)[r.index] = b1;
  }

  State state_;
  std::vector<std::string> trace_;
  int steps_ = 0;
  bool too_long_ = false;
};

}  // namespace

std::string Describe(const Outcome& outcome) {
  if (outcome.too_long) return "ran too long";
  std::string out = "return " + Show(outcome.result);
  const std::pair<const char*, const std::map<std::int32_t, Value>*> kinds[] = {
      {"Var", &outcome.variables.var}, {"Local", &outcome.variables.local}, {"Global", &outcome.variables.global}};
  for (const auto& [kind, vars] : kinds) {
    for (const auto& [index, value] : *vars) out += " " + std::string(kind) + "(" + std::to_string(index) + ")=" + Show(value);
  }
  for (const std::string& call : outcome.trace) out += " " + call;
  return out;
}

const Function* Script::Find(std::string_view name) const {
  for (const Function& f : functions) {
    if (f.name == name) return &f;
  }
  return nullptr;
}

Script ParseScript(std::string_view text, Syntax syntax) {
  const std::vector<Token> tokens = Tokenize(text);
  std::vector<Piece> pieces = syntax == Syntax::kOld ? SplitOld(tokens) : SplitStrict(tokens);
  const std::size_t last_line = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) -
                                (!text.empty() && text.back() == '\n' ? 1 : 0);
  Script script;
  for (std::size_t k = 0; k < pieces.size(); ++k) {
    Function& f = pieces[k].function;
    f.last_line = k + 1 < pieces.size()
                      ? std::max(pieces[k].last_token_line, pieces[k + 1].function.first_line - 1)
                      : std::max(last_line, f.first_line);
    f.last_line = std::max(f.last_line, f.first_line);
    for (std::size_t other = 0; other < pieces.size(); ++other) {
      if (other != k && pieces[other].function.name == f.name) f.error = "a second function of this name";
    }
    if (f.error.empty()) {
      std::vector<Token> own(tokens.begin() + static_cast<std::ptrdiff_t>(pieces[k].begin),
                             tokens.begin() + static_cast<std::ptrdiff_t>(pieces[k].end));
      own.push_back({Token::kEnd, "", pieces[k].last_token_line});
      f.body = Parser(std::move(own)).Statements(&f.error);
    }
    f.parsed = f.error.empty();
    script.functions.push_back(std::move(f));
  }
  return script;
}

Outcome Run(const Function& function, const State& input) { return Machine(input).Finish(function.body); }

}  // namespace q9::model
