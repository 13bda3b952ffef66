#ifndef Q9_TESTS_MODEL_EVALUATOR_H_
#define Q9_TESTS_MODEL_EVALUATOR_H_

// A plain evaluator of the script model in docs/script-model.md, for both
// syntaxes. It is the judge of the conversion: it knows nothing of the passes
// or of the warnings, only what a script computes.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace q9::model {

enum class Syntax { kOld, kStrict };

// A 32-bit integer or a string (its bytes as written between the quotes).
struct Value {
  bool is_string = false;
  std::int32_t number = 0;
  std::string text;
  bool operator==(const Value&) const = default;
};

// The variables Var, Local and Global by index. A variable that is absent is 0;
// Run leaves no entry that holds the number 0, so equal maps mean equal states.
struct State {
  std::map<std::int32_t, Value> var, local, global;
  bool operator==(const State&) const = default;
};

struct Outcome {
  bool too_long = false;  // stopped at the step limit; nothing else is kept then
  Value result;
  State variables;
  std::vector<std::string> trace;  // one "Name(arg,...)" per engine call, in order
  bool operator==(const Outcome&) const = default;
};

// "return 3 Var(0)=1 Say(\"hi\",3)", or "ran too long".
std::string Describe(const Outcome& outcome);

struct Expr {
  enum Kind { kNumber, kString, kConstant, kCall, kPrefix, kPostfix, kBinary, kChoice, kAssign };
  Kind kind = kNumber;
  std::string name;  // operator text, or the name of a call or an engine constant
  Value value;       // of a number or string literal
  std::vector<Expr> args;
};

struct Stmt {
  enum Kind { kEmpty, kBlock, kIf, kWhile, kReturn, kExpr };
  Kind kind = kEmpty;
  std::vector<Expr> expr;  // the condition, the returned value or the expression (0 or 1)
  std::vector<Stmt> body;  // a block's statements; if: then [, else]; while: its statement
};

struct Function {
  std::string name;
  // The 0-based lines of the function's text: from its header to the line before
  // the next header (or that line, when the next header follows on it), or to the
  // last line of the script.
  std::size_t first_line = 0, last_line = 0;
  bool parsed = false;
  std::string error{};  // why it does not parse
  std::vector<Stmt> body{};
};

struct Script {
  std::vector<Function> functions;  // in the order of the text
  const Function* Find(std::string_view name) const;  // or null
};

// Splits |text| into its functions (old: labels at the top level; strict: func
// definitions) and parses each on its own, so that a syntax error stays in its
// function. A name used twice makes every function of that name fail to parse.
// Text outside every function is not kept.
Script ParseScript(std::string_view text, Syntax syntax);

// Runs a parsed function from the variables |input| (at most 10,000 steps).
// Engine constants and engine calls give a fixed value per name (and
// arguments) for each |engine|; other engines give other values.
Outcome Run(const Function& function, const State& input, std::uint32_t engine = 0);

}  // namespace q9::model

#endif  // Q9_TESTS_MODEL_EVALUATOR_H_
