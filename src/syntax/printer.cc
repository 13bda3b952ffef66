#include "syntax/printer.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "syntax/meaning.h"
#include "syntax/old_calls.h"
#include "syntax/operators.h"

namespace q9 {
namespace {

// Where an expression stands: what it is an operand of, as printed.
struct Context {
  enum Kind { kFree, kPrefix, kPostfix, kLeft, kRight } kind = kFree;
  int level = 0;
  std::string_view op;
};

// Operators that may take an operand of their own level on the right without
// brackets and still compute the same: a+(b-c) is a+b-c.
bool RegroupsFreely(std::string_view parent, std::string_view child) {
  if (parent == "+") return child == "+" || child == "-";
  return parent == child && IsAssociative(parent);
}

bool NeedsBrackets(int level, std::string_view op, const Context& context) {
  switch (context.kind) {
    case Context::kFree:
      return false;
    case Context::kPrefix:
      return level < kPrefixLevel;
    case Context::kPostfix:
      return level < kPostfixLevel;
    case Context::kLeft:
    case Context::kRight: {
      if (level != context.level) return level < context.level;
      const bool right_to_left = GroupsRightToLeft(static_cast<Level>(context.level));
      if (context.kind == Context::kLeft) return right_to_left;
      return !right_to_left && !RegroupsFreely(context.op, op);
    }
  }
  return false;
}

class Emitter {
 public:
  Emitter(const Tree& tree, LineViews lines, std::vector<Edit>* edits, Hazards* hazards)
      : tree_(tree), lines_(lines), meaning_(tree, lines), edits_(edits), hazards_(hazards) {}

  void Visit(std::uint32_t at) {
    if (tree_.nodes[at].kind >= NodeKind::kExpression) {
      Statement(at);
    } else {
      Expression(at, {}, true);
    }
  }

  void Statement(std::uint32_t at) {
    const Node& node = tree_.nodes[at];
    const auto kids = tree_.Kids(node);
    switch (node.kind) {
      case NodeKind::kExpression:
        Expression(kids[0], {}, false);
        return;
      case NodeKind::kBlock:
        for (std::uint32_t kid : kids) Statement(kid);
        return;
      case NodeKind::kIf:
      case NodeKind::kWhile:
        Expression(kids[0], {}, true);
        for (std::size_t k = 1; k < kids.size(); ++k) Statement(kids[k]);
        return;
      case NodeKind::kReturn:
        if (!kids.empty()) Expression(kids[0], {}, true);
        return;
      default:
        return;
    }
  }

 private:
  // How an old call is printed here, if it is converted at all.
  struct Plan {
    const OldCall* call = nullptr;  // nullptr: left as it is
    int level = kPrimaryLevel;
  };

  std::string_view Text(std::uint32_t token) const { return TokenText(lines_, tree_.tokens[token]); }
  const Token& TokenAt(std::uint32_t token) const { return tree_.tokens[token]; }
  std::uint32_t Unbracket(std::uint32_t at) const {
    while (tree_.nodes[at].kind == NodeKind::kGroup) at = tree_.kids[tree_.nodes[at].kids];
    return at;
  }

  bool IsVariable(std::uint32_t at) const {
    const Node& node = tree_.nodes[Unbracket(at)];
    if (node.kind != NodeKind::kCall) return false;
    const OldCall* call = FindOldCall(Text(node.token));
    return call != nullptr && call->kind == OldCallKind::kVariable;
  }

  void Keep(const Node& node, HazardKind kind, std::string what, std::string advice) {
    const Token& first = TokenAt(node.first);
    Hazard hazard;
    hazard.kind = kind;
    hazard.line = first.line;
    hazard.column = first.column;
    hazard.width = TokenAt(node.token).size;
    hazard.what = std::move(what);
    hazard.advice = std::move(advice);
    hazards_->push_back(std::move(hazard));
  }

  Plan PlanFor(std::uint32_t at, bool value_used, bool report) {
    const Node& node = tree_.nodes[at];
    const std::string_view name = Text(node.token);
    const OldCall* call = FindOldCall(name);
    const auto kids = tree_.Kids(node);
    const std::string call_text = "`" + std::string(name) + "(...)`";
    if (call == nullptr || call->kind == OldCallKind::kVariable) {
      if (report && std::find(std::begin(kRenamedCalls), std::end(kRenamedCalls), name) !=
                        std::end(kRenamedCalls)) {
        Keep(node, HazardKind::kRenamedCall,
             call_text + " was left as it is: its new name " + std::string(kRenamedTo) +
                 " takes other arguments",
             "write the call that this place needs now");
      }
      return {};
    }
    if (static_cast<int>(kids.size()) != call->arity) {
      if (report) {
        Keep(node, HazardKind::kArgumentCount,
             call_text + " was left as it is: it has " + std::to_string(kids.size()) +
                 " argument(s) where " + std::string(name) + " takes " +
                 std::to_string(call->arity),
             "write by hand what the call was meant to do");
      }
      return {};
    }
    switch (call->kind) {
      case OldCallKind::kBinary:
        return {call, *BinaryLevel(call->op)};
      case OldCallKind::kLogical:
        if (!meaning_.Pure(kids[1])) {
          if (report) {
            Keep(node, HazardKind::kKeptCall,
                 call_text + " was kept as a call: " + std::string(name) +
                     " always evaluates its right side, which has an effect here, while " +
                     std::string(call->op) + " would skip it",
                 "nothing needs doing");
          }
          return {};
        }
        return {call, *BinaryLevel(call->op)};
      case OldCallKind::kNot:
        return {call, kPrefixLevel};
      case OldCallKind::kSetter:
        return {call, kAssignLevel};
      case OldCallKind::kStep:
        return {call, value_used ? kPrefixLevel : kPostfixLevel};
      case OldCallKind::kStepAny:
        if (!IsVariable(kids[0])) {
          if (report) {
            Keep(node, HazardKind::kKeptCall,
                 call_text + " was kept as a call: its argument is no variable, so " +
                     std::string(call->op) + " cannot stand for it",
                 "nothing needs doing");
          }
          return {};
        }
        return {call, value_used ? kPrefixLevel : kPostfixLevel};
      default:
        return {};
    }
  }

  // The level at which the expression at |at|, whose value is used, will
  // print without brackets added.
  int LevelOf(std::uint32_t at) {
    const Node& node = tree_.nodes[at];
    switch (node.kind) {
      case NodeKind::kBinary:
        return *BinaryLevel(Text(node.token));
      case NodeKind::kPrefix:
        return kPrefixLevel;
      case NodeKind::kPostfix:
        return kPostfixLevel;
      case NodeKind::kTernary:
        return kTernaryLevel;
      case NodeKind::kCall:
        return PlanFor(at, true, false).level;
      default:
        return kPrimaryLevel;
    }
  }

  // The first byte the expression at |at|, whose value is used, will print if
  // brackets are not added.
  char FirstByte(std::uint32_t at) {
    const Node& node = tree_.nodes[at];
    if (node.kind == NodeKind::kCall) {
      const Plan plan = PlanFor(at, true, false);
      if (plan.call != nullptr) {
        switch (plan.call->kind) {
          case OldCallKind::kNot:
            return '!';
          case OldCallKind::kSetter:
            return plan.call->variable[0];
          case OldCallKind::kStep:
          case OldCallKind::kStepAny:
            return plan.call->op[0];
          default:
            return FirstByte(tree_.Kids(node)[0]);
        }
      }
    }
    if (node.kind == NodeKind::kBinary || node.kind == NodeKind::kTernary ||
        node.kind == NodeKind::kPostfix) {
      return FirstByte(tree_.Kids(node)[0]);
    }
    return Text(node.first)[0];
  }

  void Add(std::uint32_t token, std::size_t remove, std::string insert, bool after = false) {
    const Token& t = TokenAt(token);
    edits_->push_back({t.line, after ? t.column + t.size : t.column, remove, std::move(insert),
                       edits_->size()});
  }
  void Remove(std::uint32_t token) { Add(token, TokenAt(token).size, ""); }
  void Replace(std::uint32_t token, std::string text) {
    Add(token, TokenAt(token).size, std::move(text));
  }

  // The comma after the argument at |argument|, as the operator |op| with a
  // blank after it where the next argument would otherwise run into it.
  void Separate(std::uint32_t argument, std::string_view op, std::uint32_t next) {
    const std::uint32_t comma = tree_.nodes[argument].last + 1;
    std::string text(op);
    const Token& at = TokenAt(comma);
    const std::string_view rest = lines_[at.line].substr(at.column + 1);
    const char first = FirstByte(next);
    // A blank after the comma stays, and keeps the two apart already.
    const bool touching = !rest.empty() && rest[0] != ' ' && rest[0] != '\t';
    if (touching && PunctSize(text + first) > text.size() && first != '(') text += ' ';
    Replace(comma, std::move(text));
  }

  void Expression(std::uint32_t at, const Context& context, bool value_used) {
    const Node& node = tree_.nodes[at];
    const auto kids = tree_.Kids(node);
    switch (node.kind) {
      case NodeKind::kGroup:
        Expression(kids[0], {}, true);
        return;
      case NodeKind::kBinary: {
        const std::string_view op = Text(node.token);
        const int level = *BinaryLevel(op);
        const std::string_view printed = op == "eq" ? std::string_view("S=") : op;
        Expression(kids[0], {Context::kLeft, level, printed}, true);
        if (op == "eq") Replace(node.token, "S=");
        Expression(kids[1], {Context::kRight, level, printed}, true);
        return;
      }
      case NodeKind::kPrefix:
        Expression(kids[0], {Context::kPrefix, kPrefixLevel, Text(node.token)}, true);
        return;
      case NodeKind::kPostfix:
        Expression(kids[0], {Context::kPostfix, kPostfixLevel, Text(node.token)}, true);
        return;
      case NodeKind::kTernary:
        Expression(kids[0], {Context::kLeft, kTernaryLevel, "?"}, true);
        Expression(kids[1], {}, true);
        Expression(kids[2], {Context::kRight, kTernaryLevel, "?"}, true);
        return;
      case NodeKind::kCall:
        Call(at, context, value_used);
        return;
      default:
        return;
    }
  }

  void Call(std::uint32_t at, const Context& context, bool value_used) {
    const Node& node = tree_.nodes[at];
    const auto kids = tree_.Kids(node);
    const Plan plan = PlanFor(at, value_used, true);
    if (plan.call == nullptr) {
      for (std::uint32_t kid : kids) Expression(kid, {}, true);
      return;
    }
    const OldCall& call = *plan.call;
    const std::uint32_t name = node.token;
    const std::uint32_t open = node.token + 1;
    // Between the name and "(" only blanks may stand, which stay.
    const std::uint32_t close = node.last;
    const bool bracketed = NeedsBrackets(plan.level, call.op, context);
    switch (call.kind) {
      case OldCallKind::kBinary:
      case OldCallKind::kLogical: {
        Remove(name);
        if (!bracketed) Remove(open);
        const Context left{Context::kLeft, plan.level, call.op};
        const Context right{Context::kRight, plan.level, call.op};
        Argument(kids[0], left);
        Separate(kids[0], call.op, kids[1]);
        Argument(kids[1], right);
        if (!bracketed) Remove(close);
        return;
      }
      case OldCallKind::kNot: {
        Replace(name, "!");
        const bool inner = LevelOf(kids[0]) < kPrefixLevel;
        if (!inner) Remove(open);
        Expression(kids[0], inner ? Context{} : Context{Context::kPrefix, kPrefixLevel, "!"}, true);
        if (!inner) Remove(close);
        return;
      }
      case OldCallKind::kSetter: {
        const std::string variable = std::string(call.variable) + "(";
        if (bracketed) {
          Remove(name);
          Add(open, 0, variable, true);
        } else {
          Replace(name, variable);
          Remove(open);
        }
        Expression(kids[0], {}, true);
        Separate(kids[0], ")=", kids[1]);
        Expression(kids[1], {Context::kRight, kAssignLevel, "="}, true);
        if (!bracketed) Remove(close);
        return;
      }
      case OldCallKind::kStep:
      case OldCallKind::kStepAny: {
        const bool step = call.kind == OldCallKind::kStep;
        const std::string variable = step ? std::string(call.variable) + "(" : "";
        Replace(name, value_used ? std::string(call.op) + variable : variable);
        Remove(open);
        Expression(kids[0], step ? Context{} : Context{Context::kPostfix, kPostfixLevel, call.op},
                   true);
        Replace(close, std::string(step ? ")" : "") + (value_used ? "" : std::string(call.op)));
        return;
      }
      default:
        return;
    }
  }

  // An operand of a converted call: bracketed where its operator needs it.
  void Argument(std::uint32_t at, const Context& context) {
    const Node& node = tree_.nodes[at];
    const std::string_view op = node.kind == NodeKind::kBinary ? Text(node.token) : "";
    const std::string_view printed = op == "eq" ? std::string_view("S=") : op;
    // A converted call brackets itself, keeping its own brackets.
    const bool wrap = node.kind != NodeKind::kCall && NeedsBrackets(LevelOf(at), printed, context);
    if (wrap) Add(node.first, 0, "(");
    Expression(at, wrap ? Context{} : context, true);
    if (wrap) Add(node.last, 0, ")", true);
  }

  const Tree& tree_;
  LineViews lines_;
  Meaning meaning_;
  std::vector<Edit>* edits_;
  Hazards* hazards_;
};

}  // namespace

void PrintSafely(const Tree& tree, LineViews lines, std::vector<Edit>* edits, Hazards* hazards) {
  Emitter(tree, lines, edits, hazards).Statement(tree.root_index());
}

void ApplyEdits(std::vector<Edit>* edits, LineList* lines) {
  std::sort(edits->begin(), edits->end(), [](const Edit& a, const Edit& b) {
    if (a.line != b.line) return a.line < b.line;
    if (a.column != b.column) return a.column > b.column;
    return a.order > b.order;
  });
  for (const Edit& edit : *edits) {
    (*lines)[edit.line].replace(edit.column, edit.remove, edit.insert);
  }
}

std::string PrintedNode(const Tree& tree, LineViews lines, std::uint32_t node) {
  std::vector<Edit> edits;
  Hazards ignored;
  Emitter(tree, lines, &edits, &ignored).Visit(node);
  const Token& first = tree.tokens[tree.nodes[node].first];
  const Token& last = tree.tokens[tree.nodes[node].last];
  LineList piece;
  for (std::size_t line = first.line; line <= last.line; ++line) {
    const std::size_t end = line == last.line ? last.column + last.size : lines[line].size();
    piece.emplace_back(lines[line].substr(0, end));
  }
  for (Edit& edit : edits) edit.line -= first.line;
  ApplyEdits(&edits, &piece);
  std::string text;
  for (std::size_t i = 0; i < piece.size(); ++i) {
    std::string_view part = piece[i];
    if (i == 0) part.remove_prefix(std::min(first.column, part.size()));
    while (!part.empty() && (part.front() == ' ' || part.front() == '\t') && i > 0) {
      part.remove_prefix(1);
    }
    if (i > 0) text.push_back(' ');
    text.append(part);
  }
  return text;
}

}  // namespace q9
