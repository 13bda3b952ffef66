#include "hazards/dead_stores.h"

#include <optional>
#include <set>
#include <string>

#include "syntax/meaning.h"
#include "syntax/old_calls.h"
#include "syntax/operators.h"
#include "syntax/parser.h"

namespace q9 {
namespace {

// What a statement does to the variables: names like "Var 3", or "Var *" for
// an index that is no number.
struct Access {
  std::set<std::string> reads;
  std::set<std::string> stores;
  bool other_effects = false;  // engine calls, returns, loops
  bool may_return = false;
  bool unknown_target = false;  // a store whose variable cannot be named
};

class Walker {
 public:
  Walker(const Tree& tree, LineViews lines) : tree_(tree), meaning_(tree, lines) {}

  Access Statement() {
    Visit(tree_.root_index());
    return std::move(access_);
  }

  // The variable a simple store at the root stores into, if it is one: the
  // statement "Var(3)=x;" or "SetVar(3,x);" and the like.
  std::optional<std::string> PlainStore() const {
    const Node& root = tree_.root();
    if (root.kind != NodeKind::kExpression) return std::nullopt;
    const std::uint32_t at = Unbracket(tree_.Kids(root)[0]);
    const Node& node = tree_.nodes[at];
    if (node.kind == NodeKind::kBinary && meaning_.Text(node.token) == "=") {
      return Variable(tree_.Kids(node)[0]);
    }
    if (node.kind == NodeKind::kCall) {
      const OldCall* call = FindOldCall(meaning_.CallName(node));
      if (call != nullptr && call->kind == OldCallKind::kSetter && node.kid_count == 2) {
        return Name(call->variable, tree_.Kids(node)[0]);
      }
    }
    return std::nullopt;
  }

 private:
  std::uint32_t Unbracket(std::uint32_t at) const {
    while (tree_.nodes[at].kind == NodeKind::kGroup) at = tree_.kids[tree_.nodes[at].kids];
    return at;
  }

  std::string Name(std::string_view kind, std::uint32_t index) const {
    const std::optional<std::int32_t> value = meaning_.ConstantValue(index);
    return std::string(kind) + (value ? " " + std::to_string(*value) : " *");
  }

  // The variable the node at |at| names, when it is a Var, Local or Global
  // call: its first argument is the index; any others are only evaluated.
  // Without one, "Var *", as for an index that is no number.
  std::optional<std::string> Variable(std::uint32_t at) const {
    const Node& node = tree_.nodes[Unbracket(at)];
    if (node.kind != NodeKind::kCall) return std::nullopt;
    const OldCall* call = FindOldCall(meaning_.CallName(node));
    if (call == nullptr || call->kind != OldCallKind::kVariable) return std::nullopt;
    if (node.kid_count == 0) return std::string(call->variable) + " *";
    return Name(call->variable, tree_.Kids(node)[0]);
  }

  void Store(const std::string& variable, bool also_read) {
    access_.stores.insert(variable);
    if (also_read) access_.reads.insert(variable);
  }

  // The variable at |at| as the target of a store: its index is read, it is not.
  void Target(std::uint32_t at, bool also_read) {
    const std::optional<std::string> variable = Variable(at);
    if (!variable) {  // no lvalue, which the parser lets through nowhere
      access_.unknown_target = true;
      Visit(at);
      return;
    }
    Store(*variable, also_read);
    for (std::uint32_t kid : tree_.Kids(tree_.nodes[Unbracket(at)])) Visit(kid);
  }

  void Visit(std::uint32_t at) {
    const Node& node = tree_.nodes[at];
    const auto kids = tree_.Kids(node);
    switch (node.kind) {
      case NodeKind::kReturn:
        access_.may_return = true;
        access_.other_effects = true;
        break;
      case NodeKind::kWhile:
        access_.other_effects = true;
        break;
      case NodeKind::kBinary:
        if (BinaryLevel(meaning_.Text(node.token)) == kAssignLevel) {
          Target(kids[0], meaning_.Text(node.token) != "=");
          Visit(kids[1]);
          return;
        }
        break;
      case NodeKind::kPrefix:
      case NodeKind::kPostfix:
        if (meaning_.Text(node.token) == "++" || meaning_.Text(node.token) == "--") {
          Target(kids[0], true);
          return;
        }
        break;
      case NodeKind::kCall: {
        if (const std::optional<std::string> variable = Variable(at)) {
          access_.reads.insert(*variable);
          break;
        }
        const OldCall* call = FindOldCall(meaning_.CallName(node));
        const bool fits = call != nullptr && static_cast<int>(kids.size()) == call->arity;
        if (fits && call->kind == OldCallKind::kSetter) {
          Store(Name(call->variable, kids[0]), false);
        } else if (fits && call->kind == OldCallKind::kStep) {
          Store(Name(call->variable, kids[0]), true);
        } else if (fits && call->kind == OldCallKind::kStepAny && Variable(kids[0])) {
          Target(kids[0], true);
          return;
        } else if (call == nullptr) {
          access_.other_effects = true;  // an engine call
        }
        break;
      }
      default:
        break;
    }
    for (std::uint32_t kid : kids) Visit(kid);
  }

  const Tree& tree_;
  Meaning meaning_;
  Access access_;
};

// Whether |read| (a name, maybe with "*") may be |stored|.
bool MayMatch(const std::string& read, const std::string& stored) {
  const std::size_t blank = read.find(' ');
  if (read.compare(0, blank, stored, 0, stored.find(' ')) != 0) return false;
  return read == stored || read.ends_with(" *") || stored.ends_with(" *");
}

bool DeadOnOneSide(const StatementRun& run, std::set<std::string>* live) {
  Tree tree;
  for (std::size_t k = 0; k < run.starts.size(); ++k) {
    const Place end = k + 1 < run.starts.size() ? run.starts[k + 1] : run.end;
    Lexer lexer(run.lines, run.starts[k].line, run.starts[k].column, end.line, end.column, false);
    Parser parser(&lexer);
    if (!parser.ParseStatement(&tree)) return false;
    Walker walker(tree, run.lines);
    const Access access = walker.Statement();
    if (access.unknown_target) return false;
    if (k == 0) {
      if (access.other_effects) return false;
      for (const std::string& stored : access.stores) {
        if (stored.ends_with(" *")) return false;
      }
      live->insert(access.stores.begin(), access.stores.end());
      continue;
    }
    for (const std::string& read : access.reads) {
      for (const std::string& stored : *live) {
        if (MayMatch(read, stored)) return false;
      }
    }
    if (access.may_return) return false;  // the variables are seen when the function ends
    if (const std::optional<std::string> killed = walker.PlainStore()) live->erase(*killed);
    if (live->empty()) return true;
  }
  return false;
}

}  // namespace

bool OnlyDeadStoresDiffer(const StatementRun& before, const StatementRun& after) {
  std::set<std::string> old_live, new_live;
  if (before.starts.empty() || after.starts.empty()) return false;
  return DeadOnOneSide(before, &old_live) && DeadOnOneSide(after, &new_live);
}

}  // namespace q9
