#include "hazards/dead_stores.h"

#include <algorithm>
#include <map>
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

// What one statement of a run does, as far as the walk needs.
struct Facts {
  bool parsed = false;
  Access access;
  std::optional<std::string> plain_store;  // a variable it stores into, read or not
};

// "Var" of "Var 3" or "Var *".
std::string_view KindOf(std::string_view name) { return name.substr(0, name.find(' ')); }

// Where the next of each event stands, seen from a statement of the run:
// statements after it only. An index of run.starts, or |size| for none.
class NextEvents {
 public:
  explicit NextEvents(std::size_t size) : size_(size), stop_(size) {}

  // Whether every variable that |statement| stores into is stored into again
  // by a plain store before a statement reads it (a read of "Var *" reads any
  // Var), returns, stores where it cannot name, or does not parse. Within one
  // statement the reads come before the store.
  bool AllStoredOver(const Access& statement) const {
    for (const std::string& variable : statement.stores) {
      const std::size_t stored_over = Find(kills_, variable);
      const std::size_t seen = std::min(
          {stop_, Find(reads_, variable), Find(any_reads_, std::string(KindOf(variable)))});
      if (stored_over >= seen) return false;
    }
    return true;
  }

  // Puts statement |k| in front of those already seen (one that did not parse
  // has no reads or stores).
  void Add(std::size_t k, const Facts& facts) {
    if (!facts.parsed || facts.access.unknown_target || facts.access.may_return) stop_ = k;
    for (const std::string& read : facts.access.reads) {
      if (read.ends_with(" *")) {
        any_reads_[std::string(KindOf(read))] = k;
      } else {
        reads_[read] = k;
      }
    }
    if (facts.plain_store) kills_[*facts.plain_store] = k;
  }

 private:
  std::size_t Find(const std::map<std::string, std::size_t>& next, const std::string& key) const {
    const auto found = next.find(key);
    return found == next.end() ? size_ : found->second;
  }

  std::size_t size_;
  std::size_t stop_;                              // the next statement no store survives
  std::map<std::string, std::size_t> kills_;      // by variable: its next plain store
  std::map<std::string, std::size_t> reads_;      // by variable: its next read
  std::map<std::string, std::size_t> any_reads_;  // by kind: the next read of "KIND *"
};

Facts FactsOf(const ParsedStatement& statement, LineViews lines) {
  Facts facts;
  if (!statement.ok) return facts;
  Walker walker(statement.tree, lines);
  facts.parsed = true;
  facts.access = walker.Statement();
  facts.plain_store = walker.PlainStore();
  return facts;
}

bool StoresOnlyNamedVariables(const Facts& facts) {
  if (!facts.parsed || facts.access.unknown_target || facts.access.other_effects) return false;
  return std::none_of(facts.access.stores.begin(), facts.access.stores.end(),
                      [](const std::string& stored) { return stored.ends_with(" *"); });
}

}  // namespace

bool OnlyStores(const ParsedStatement& statement, LineViews lines) {
  return StoresOnlyNamedVariables(FactsOf(statement, lines));
}

std::vector<bool> DeadStores(const StatementRun& run) {
  const std::size_t size = run.starts.size();
  std::vector<bool> dead(size);
  NextEvents next(size);
  Facts after;  // of the statement after the one at hand
  // Each statement is read on its own, so they can be read from the last.
  for (std::size_t k = size; k-- > 0;) {
    const Place end = k + 1 < size ? run.starts[k + 1] : run.end;
    Facts facts = FactsOf(ParseStatementAt(run.lines, run.starts[k], end), run.lines);
    if (StoresOnlyNamedVariables(facts)) {
      if (!facts.access.stores.empty()) {
        dead[k] = next.AllStoredOver(facts.access);
      } else if (k + 1 < size) {
        dead[k] = after.parsed && !after.access.unknown_target && !after.access.may_return;
      }
    }
    next.Add(k, facts);
    after = std::move(facts);
  }
  return dead;
}

}  // namespace q9
