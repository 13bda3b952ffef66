#ifndef Q9_TESTS_MODEL_EVALUATOR_H_
#define Q9_TESTS_MODEL_EVALUATOR_H_

// A plain evaluator of docs/script-model.md in both syntaxes: the judge of the
// conversion, knowing nothing of the passes or the warnings.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace q9::model {

enum class Syntax { kOld, kStrict };

struct Value {  // a 32-bit integer or a string (its bytes between the quotes)
  bool is_string = false;
  std::int32_t number = 0;
  std::string text;
  bool operator==(const Value&) const = default;
};

// Var, Local and Global by index; Run keeps no entry that is the number 0, so
// equal maps mean equal states.
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
  // 0-based: its header's line to the line before the next header (or the one
  // that header shares with it), or to the script's last line.
  std::size_t first_line = 0, last_line = 0;
  bool parsed = false;
  std::string error{};  // why it does not parse
  std::vector<Stmt> body{};
};

struct Script {
  std::vector<Function> functions;  // in the order of the text; text outside them is dropped
  const Function* Find(std::string_view name) const;  // or null
};

// Each function parses on its own, so a syntax error stays in its function; a
// name used twice makes every function of that name fail.
Script ParseScript(std::string_view text, Syntax syntax);

// At most 10,000 steps; engine constants and calls give values fixed per |engine|.
Outcome Run(const Function& function, const State& input, std::uint32_t engine = 0);

}  // namespace q9::model

#endif  // Q9_TESTS_MODEL_EVALUATOR_H_
