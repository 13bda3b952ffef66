#include "syntax/meaning.h"

#include <cstdint>

#include "syntax/old_calls.h"
#include "syntax/operators.h"

namespace q9 {
namespace {

bool IsAssignment(std::string_view op) {
  return BinaryLevel(op) == kAssignLevel;
}

}  // namespace

void Meaning::Reset(const Tree& tree, LineViews lines) {
  tree_ = &tree;
  lines_ = lines;
  pure_.assign(tree.nodes.size(), 0);
  calls_.assign(tree.nodes.size(), nullptr);
  // Kids come before their parents, so one walk settles every node.
  for (std::uint32_t i = 0; i < tree.nodes.size(); ++i) {
    const Node& node = tree.nodes[i];
    if (node.kind == NodeKind::kCall) calls_[i] = FindOldCall(CallName(node));
    bool kids_pure = true;
    for (std::uint32_t kid : tree.Kids(node)) kids_pure = kids_pure && pure_[kid];
    switch (node.kind) {
      case NodeKind::kNumber:
      case NodeKind::kString:
      case NodeKind::kWord:
        pure_[i] = true;
        break;
      case NodeKind::kGroup:
      case NodeKind::kTernary:
        pure_[i] = kids_pure;
        break;
      case NodeKind::kPrefix:
        pure_[i] = kids_pure && Text(node.token).size() == 1;  // not ++ or --
        break;
      case NodeKind::kBinary:
        pure_[i] = kids_pure && !IsAssignment(Text(node.token));
        break;
      case NodeKind::kCall: {
        const OldCall* call = calls_[i];
        const bool computes = call != nullptr &&
                              (call->kind == OldCallKind::kBinary ||
                               call->kind == OldCallKind::kLogical ||
                               call->kind == OldCallKind::kNot ||
                               call->kind == OldCallKind::kVariable);
        pure_[i] = kids_pure && computes;
        break;
      }
      default:
        pure_[i] = false;
    }
  }
}

std::uint32_t Meaning::Unbracket(std::uint32_t node) const {
  while (tree_->nodes[node].kind == NodeKind::kGroup) node = tree_->kids[tree_->nodes[node].kids];
  return node;
}

Shape Meaning::ShapeOf(std::uint32_t index) const {
  const Node& node = tree_->nodes[Unbracket(index)];
  const std::span<const std::uint32_t> kids = tree_->Kids(node);
  switch (node.kind) {
    case NodeKind::kBinary: {
      const std::string_view op = Text(node.token);
      return {op == "eq" ? std::string_view("S=") : op, 2, kids[0], kids[1]};
    }
    case NodeKind::kPrefix:
      return {Text(node.token), 1, kids[0], 0};
    case NodeKind::kCall: {
      const OldCall* call = calls_[Unbracket(index)];
      if (call == nullptr || static_cast<int>(kids.size()) != call->arity) return {};
      if (call->kind == OldCallKind::kBinary) return {call->op, 2, kids[0], kids[1]};
      if (call->kind == OldCallKind::kLogical && pure_[kids[1]]) {
        return {call->op, 2, kids[0], kids[1]};
      }
      if (call->kind == OldCallKind::kNot) return {call->op, 1, kids[0], 0};
      return {};
    }
    default:
      return {};
  }
}

namespace {

// A number's value, wrapped to 32 bits as the engine reads it.
std::uint32_t NumberValue(std::string_view digits) {
  std::uint32_t value = 0;
  for (char c : digits) value = value * 10u + static_cast<std::uint32_t>(c - '0');
  return value;
}

std::optional<std::int32_t> Apply(std::string_view op, std::uint32_t a, std::uint32_t b) {
  const auto sa = static_cast<std::int32_t>(a);
  const auto sb = static_cast<std::int32_t>(b);
  auto truth = [](bool value) { return std::optional<std::int32_t>(value ? 1 : 0); };
  if (op == "+") return static_cast<std::int32_t>(a + b);
  if (op == "-") return static_cast<std::int32_t>(a - b);
  if (op == "*") return static_cast<std::int32_t>(a * b);
  if (op == "/" || op == "%") {
    if (sb == 0) return 0;
    if (sa == INT32_MIN && sb == -1) return op == "/" ? sa : 0;
    return op == "/" ? sa / sb : sa % sb;
  }
  if (op == "**") {
    if (sb < 0) return 0;
    std::uint32_t power = 1;
    for (std::int32_t k = 0; k < sb && k < 64; ++k) power *= a;
    if (sb >= 64 && a != 0 && a != 1 && a != static_cast<std::uint32_t>(-1)) return std::nullopt;
    if (sb >= 64 && a == static_cast<std::uint32_t>(-1)) power = sb % 2 == 0 ? 1 : a;
    return static_cast<std::int32_t>(power);
  }
  if (op == "<<") return static_cast<std::int32_t>(a << (b & 31));
  if (op == ">>") return sa >> (b & 31);
  if (op == "<") return truth(sa < sb);
  if (op == "<=") return truth(sa <= sb);
  if (op == ">") return truth(sa > sb);
  if (op == ">=") return truth(sa >= sb);
  if (op == "==" || op == "S=") return truth(sa == sb);
  if (op == "!=") return truth(sa != sb);
  if (op == "&") return static_cast<std::int32_t>(a & b);
  if (op == "^") return static_cast<std::int32_t>(a ^ b);
  if (op == "|") return static_cast<std::int32_t>(a | b);
  if (op == "&&") return truth(sa != 0 && sb != 0);
  if (op == "||") return truth(sa != 0 || sb != 0);
  return std::nullopt;
}

}  // namespace

std::optional<std::int32_t> Meaning::ConstantValue(std::uint32_t index) const {
  const std::uint32_t at = Unbracket(index);
  const Node& node = tree_->nodes[at];
  if (node.kind == NodeKind::kNumber) {
    return static_cast<std::int32_t>(NumberValue(Text(node.token)));
  }
  if (node.kind == NodeKind::kTernary) {
    const auto kids = tree_->Kids(node);
    const std::optional<std::int32_t> condition = ConstantValue(kids[0]);
    if (!condition) return std::nullopt;
    return ConstantValue(kids[*condition != 0 ? 1 : 2]);
  }
  const Shape shape = ShapeOf(at);
  if (shape.arity == 0 || !pure_[at]) return std::nullopt;
  const std::optional<std::int32_t> a = ConstantValue(shape.a);
  if (!a) return std::nullopt;
  const auto ua = static_cast<std::uint32_t>(*a);
  if (shape.arity == 1) {
    if (shape.op == "!") return *a == 0 ? 1 : 0;
    if (shape.op == "-") return static_cast<std::int32_t>(0u - ua);
    if (shape.op == "+") return *a;
    if (shape.op == "~") return static_cast<std::int32_t>(~ua);
    return std::nullopt;
  }
  const std::optional<std::int32_t> b = ConstantValue(shape.b);
  if (!b) return std::nullopt;
  return Apply(shape.op, ua, static_cast<std::uint32_t>(*b));
}

void Meaning::AppendTerms(std::uint32_t node, bool negative, std::string* out) const {
  const Shape shape = ShapeOf(node);
  if (shape.op == "+" && shape.arity == 2) {
    AppendTerms(shape.a, negative, out);
    AppendTerms(shape.b, negative, out);
  } else if (shape.op == "-" && shape.arity == 2) {
    AppendTerms(shape.a, negative, out);
    AppendTerms(shape.b, !negative, out);
  } else if (shape.op == "-" && shape.arity == 1) {
    AppendTerms(shape.a, !negative, out);
  } else {
    out->append(negative ? " -" : " +");
    AppendExpression(node, out);
  }
}

void Meaning::AppendFlat(std::uint32_t node, std::string_view op, std::string* out) const {
  const Shape shape = ShapeOf(node);
  if (shape.op == op && shape.arity == 2) {
    AppendFlat(shape.a, op, out);
    AppendFlat(shape.b, op, out);
  } else {
    out->push_back(' ');
    AppendExpression(node, out);
  }
}

void Meaning::AppendExpression(std::uint32_t index, std::string* out) const {
  const std::uint32_t at = Unbracket(index);
  const Node& node = tree_->nodes[at];
  const std::span<const std::uint32_t> kids = tree_->Kids(node);
  switch (node.kind) {
    case NodeKind::kNumber:
      out->push_back('#');
      out->append(std::to_string(NumberValue(Text(node.token))));
      return;
    case NodeKind::kString:
    case NodeKind::kWord:
      out->append(Text(node.token));
      return;
    case NodeKind::kPostfix:
      out->append("(p");
      out->append(Text(node.token));
      out->push_back(' ');
      AppendExpression(kids[0], out);
      out->push_back(')');
      return;
    case NodeKind::kTernary:
      out->append("(?");
      for (std::uint32_t kid : kids) {
        out->push_back(' ');
        AppendExpression(kid, out);
      }
      out->push_back(')');
      return;
    default:
      break;
  }
  const Shape shape = ShapeOf(at);
  if ((shape.op == "+" && shape.arity == 2) || shape.op == "-") {
    out->append("(+");
    AppendTerms(at, false, out);
    out->push_back(')');
    return;
  }
  if (shape.arity == 2 && IsAssociative(shape.op)) {
    out->push_back('(');
    out->append(shape.op);
    AppendFlat(at, shape.op, out);
    out->push_back(')');
    return;
  }
  if (shape.arity > 0) {
    out->push_back('(');
    out->append(shape.op);
    out->push_back(' ');
    AppendExpression(shape.a, out);
    if (shape.arity == 2) {
      out->push_back(' ');
      AppendExpression(shape.b, out);
    }
    out->push_back(')');
    return;
  }
  // A call that is no operator: a variable, an old setter or step, or an engine call.
  const std::string_view name = CallName(node);
  const OldCall* call = calls_[at];
  if (call != nullptr && static_cast<int>(kids.size()) == call->arity) {
    switch (call->kind) {
      case OldCallKind::kVariable:
        out->append("(").append(call->variable).append(" ");
        AppendExpression(kids[0], out);
        out->push_back(')');
        return;
      case OldCallKind::kSetter:
        out->append("(= (").append(call->variable).append(" ");
        AppendExpression(kids[0], out);
        out->append(") ");
        AppendExpression(kids[1], out);
        out->push_back(')');
        return;
      case OldCallKind::kStep:
        out->append("(").append(call->op).append(" (").append(call->variable).append(" ");
        AppendExpression(kids[0], out);
        out->append("))");
        return;
      case OldCallKind::kStepAny: {
        const OldCall* variable = calls_[Unbracket(kids[0])];
        if (variable != nullptr && variable->kind == OldCallKind::kVariable) {
          out->append("(").append(call->op).append(" ");
          AppendExpression(kids[0], out);
          out->push_back(')');
        } else {
          out->append("(+ +");
          AppendExpression(kids[0], out);
          out->append(call->op == "++" ? " +#1)" : " -#1)");
        }
        return;
      }
      default:
        break;
    }
  }
  out->append("(c:").append(name);
  for (std::uint32_t kid : kids) {
    out->push_back(' ');
    AppendExpression(kid, out);
  }
  out->push_back(')');
}

void Meaning::AppendStatementAt(std::uint32_t index, std::string* out) const {
  const Node& node = tree_->nodes[index];
  const std::span<const std::uint32_t> kids = tree_->Kids(node);
  switch (node.kind) {
    case NodeKind::kEmpty:
      return;
    case NodeKind::kBlock:
      for (std::uint32_t kid : kids) AppendStatementAt(kid, out);
      return;
    case NodeKind::kExpression: {
      // A step whose value is dropped: x++ does what ++x does.
      const Node& value = tree_->nodes[Unbracket(kids[0])];
      if (value.kind == NodeKind::kPostfix) {
        out->append("(").append(Text(value.token)).append(" ");
        AppendExpression(tree_->kids[value.kids], out);
        out->append(");");
        return;
      }
      AppendExpression(kids[0], out);
      out->push_back(';');
      return;
    }
    case NodeKind::kReturn:
      out->append("ret");
      if (!kids.empty()) {
        out->push_back(' ');
        AppendExpression(kids[0], out);
      }
      out->push_back(';');
      return;
    case NodeKind::kIf:
    case NodeKind::kWhile:
      out->append(node.kind == NodeKind::kIf ? "if " : "while ");
      AppendExpression(kids[0], out);
      for (std::size_t k = 1; k < kids.size(); ++k) {
        out->append(" {");
        AppendStatementAt(kids[k], out);
        out->push_back('}');
      }
      out->push_back(';');
      return;
    default:
      AppendExpression(index, out);
      out->push_back(';');
  }
}

void Meaning::AppendStatement(std::string* out) const { AppendStatementAt(tree_->root_index(), out); }

}  // namespace q9
