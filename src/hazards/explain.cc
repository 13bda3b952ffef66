#include "hazards/explain.h"

#include <algorithm>
#include <optional>
#include <string>

#include "syntax/meaning.h"
#include "syntax/old_calls.h"
#include "syntax/parser.h"
#include "syntax/printer.h"

namespace q9 {
namespace {

constexpr std::size_t kQuoteLimit = 60;

// The source text of the tokens [first, last] of |tree|, shortened when long.
std::string SourceText(LineViews lines, const Tree& tree, std::uint32_t first, std::uint32_t last) {
  const Token& a = tree.tokens[first];
  const Token& b = tree.tokens[last];
  std::string text;
  if (a.line == b.line) {
    text = lines[a.line].substr(a.column, b.column + b.size - a.column);
  } else {
    for (std::uint32_t t = first; t <= last && text.size() <= kQuoteLimit; ++t) {
      const Token& token = tree.tokens[t];
      if (t > first) {
        const Token& previous = tree.tokens[t - 1];
        if (previous.line != token.line || previous.column + previous.size != token.column) {
          text.push_back(' ');
        }
      }
      text.append(TokenText(lines, token));
    }
  }
  if (text.size() > kQuoteLimit) text = text.substr(0, kQuoteLimit - 3) + "...";
  return text;
}

std::string Quoted(std::string_view text) { return "`" + std::string(text) + "`"; }

// A parsed statement with its meanings.
class Side {
 public:
  Side(LineViews lines, const Tree& tree) : lines_(lines), tree_(tree), meaning_(tree, lines) {}

  const Node& node(std::uint32_t at) const { return tree_.nodes[at]; }
  std::string Text(std::uint32_t at) const {
    return SourceText(lines_, tree_, tree_.nodes[at].first, tree_.nodes[at].last);
  }
  std::string MeaningOf(std::uint32_t at) const {
    std::string out;
    if (IsStatement(at)) {
      out = StatementMeaning(at);
    } else {
      meaning_.AppendExpression(at, &out);
    }
    return out;
  }
  std::uint32_t Unbracket(std::uint32_t at) const {
    while (node(at).kind == NodeKind::kGroup) at = tree_.kids[node(at).kids];
    return at;
  }
  std::string_view Name(std::uint32_t at) const {
    return TokenText(lines_, tree_.tokens[node(at).token]);
  }
  std::span<const std::uint32_t> Kids(std::uint32_t at) const { return tree_.Kids(node(at)); }
  bool IsStatement(std::uint32_t at) const { return node(at).kind >= NodeKind::kExpression; }
  const Meaning& meaning() const { return meaning_; }
  const Tree& tree() const { return tree_; }
  LineViews lines() const { return lines_; }

  // The operation at |at| and its operands, so that an old call and the
  // operator it becomes look alike: SetVar(n,v) and Var(n)=v are both
  // "=Var" of n and v, IncVar(n) and ++Var(n) both "++Var" of n.
  std::string Operation(std::uint32_t at, std::vector<std::uint32_t>* operands) const {
    operands->clear();
    at = Unbracket(at);
    const Node& n = node(at);
    const std::span<const std::uint32_t> kids = Kids(at);
    if (IsStatement(at)) {
      operands->assign(kids.begin(), kids.end());
      return "statement" + std::to_string(static_cast<int>(n.kind));
    }
    if (n.kind == NodeKind::kCall) {
      const OldCall* call = FindOldCall(Name(at));
      if (call != nullptr && static_cast<int>(kids.size()) == call->arity &&
          (call->kind == OldCallKind::kSetter || call->kind == OldCallKind::kStep)) {
        operands->assign(kids.begin(), kids.end());
        return std::string(call->op) + std::string(call->variable);
      }
    }
    if ((n.kind == NodeKind::kBinary || n.kind == NodeKind::kPrefix ||
         n.kind == NodeKind::kPostfix) &&
        IsVariable(kids[0])) {
      const std::string_view op = Name(at);
      const std::uint32_t variable = Unbracket(kids[0]);
      if (op == "=" || op == "++" || op == "--") {
        operands->push_back(Kids(variable)[0]);
        if (n.kind == NodeKind::kBinary) operands->push_back(kids[1]);
        return (n.kind == NodeKind::kPostfix ? "p" : "") + std::string(op) +
               std::string(Name(variable));
      }
    }
    const Shape shape = meaning_.ShapeOf(at);
    if (shape.arity > 0) {
      operands->push_back(shape.a);
      if (shape.arity == 2) operands->push_back(shape.b);
      return std::string(shape.op) + (shape.arity == 1 ? "u" : "b");
    }
    if (n.kind == NodeKind::kCall || n.kind == NodeKind::kTernary) {
      operands->assign(kids.begin(), kids.end());
      return std::string(n.kind == NodeKind::kCall ? Name(at) : "?:") + "/" +
             std::to_string(kids.size());
    }
    return MeaningOf(at);
  }

 private:
  bool IsVariable(std::uint32_t at) const {
    const std::uint32_t inner = Unbracket(at);
    if (node(inner).kind != NodeKind::kCall || Kids(inner).size() != 1) return false;
    const OldCall* call = FindOldCall(Name(inner));
    return call != nullptr && call->kind == OldCallKind::kVariable;
  }
  std::string StatementMeaning(std::uint32_t at) const {
    // Meaning reads statements from the root; rebuild the subtree's form by kind.
    std::string out;
    const Node& n = node(at);
    for (std::uint32_t kid : Kids(at)) {
      out += IsStatement(kid) ? StatementMeaning(kid) : MeaningOf(kid);
      out.push_back('|');
    }
    return std::to_string(static_cast<int>(n.kind)) + "{" + out + "}";
  }

  LineViews lines_;
  const Tree& tree_;
  Meaning meaning_;
};

// The smallest pair of nodes, one in each statement, that still differ in
// what they compute: where the operations match, the one operand pair that
// differs is followed.
std::pair<std::uint32_t, std::uint32_t> Culprit(const Side& old_side, const Side& new_side) {
  std::uint32_t a = old_side.tree().root_index();
  std::uint32_t b = new_side.tree().root_index();
  std::vector<std::uint32_t> old_operands;
  std::vector<std::uint32_t> new_operands;
  for (;;) {
    const std::string old_op = old_side.Operation(a, &old_operands);
    const std::string new_op = new_side.Operation(b, &new_operands);
    if (old_op != new_op || old_operands.size() != new_operands.size()) break;
    std::optional<std::size_t> differing;
    bool several = false;
    for (std::size_t k = 0; k < old_operands.size(); ++k) {
      if (old_side.MeaningOf(old_operands[k]) == new_side.MeaningOf(new_operands[k])) continue;
      several = differing.has_value();
      differing = k;
    }
    if (!differing || several) break;
    a = old_operands[*differing];
    b = new_operands[*differing];
  }
  return {old_side.Unbracket(a), new_side.Unbracket(b)};
}

// Visits every node of the subtree at |at|.
template <typename Visit>
void ForEachNode(const Side& side, std::uint32_t at, Visit visit) {
  visit(at);
  for (std::uint32_t kid : side.Kids(at)) ForEachNode(side, kid, visit);
}

// Whether a word of the old text holds a row's name inside it; the word, if so.
std::optional<std::string> WordHoldingName(const Side& side, std::uint32_t at, std::string* name) {
  std::optional<std::string> found;
  ForEachNode(side, at, [&](std::uint32_t n) {
    const NodeKind kind = side.node(n).kind;
    if (found || (kind != NodeKind::kWord && kind != NodeKind::kCall)) return;
    const std::string_view word = side.Name(n);
    if (FindOldCall(word) != nullptr) return;  // IncVar holds Inc, and is no mistake
    for (const OldCall& call : OldCalls()) {
      if (word != call.name && word.find(call.name) != std::string_view::npos &&
          call.kind != OldCallKind::kVariable) {
        found = std::string(word);
        *name = std::string(call.name);
        return;
      }
    }
    for (std::string_view text : {std::string_view("eq"), kRenamedCalls[0], kRenamedCalls[1]}) {
      if (word != text && word.find(text) != std::string_view::npos) {
        found = std::string(word);
        *name = std::string(text);
        return;
      }
    }
  });
  return found;
}

// An old call among the nodes at |at| that matches |test|.
template <typename Test>
std::optional<std::uint32_t> FindCall(const Side& side, std::uint32_t at, Test test) {
  std::optional<std::uint32_t> found;
  ForEachNode(side, at, [&](std::uint32_t n) {
    if (found || side.node(n).kind != NodeKind::kCall) return;
    const OldCall* call = FindOldCall(side.Name(n));
    if (test(n, call)) found = n;
  });
  return found;
}

bool WrongCount(const Side& side, std::uint32_t n, const OldCall* call) {
  return call != nullptr && call->kind != OldCallKind::kVariable &&
         static_cast<int>(side.Kids(n).size()) != call->arity;
}

// Whether the old call at |n| becomes an operator that runs into the prefix
// operator its second argument starts with (Sub(x,-3) becomes x--3).
bool Glues(const Side& side, std::uint32_t n, const OldCall* call) {
  if (call == nullptr || call->kind != OldCallKind::kBinary || side.Kids(n).size() != 2) {
    return false;
  }
  const std::uint32_t second = side.Kids(n)[1];
  if (side.node(second).kind != NodeKind::kPrefix) return false;
  const std::string joined = std::string(call->op) + std::string(side.Name(second));
  return PunctSize(joined) > call->op.size();
}

// A row's name that stands as a word, or before a blank and its bracket.
std::optional<std::string> NameNotACall(const Side& side) {
  const Tree& tree = side.tree();
  for (std::size_t t = 0; t < tree.tokens.size(); ++t) {
    const Token& token = tree.tokens[t];
    if (token.kind != TokenKind::kWord) continue;
    const std::string_view word = TokenText(side.lines(), token);
    const OldCall* call = FindOldCall(word);
    if (call == nullptr || call->kind == OldCallKind::kVariable) continue;
    const bool bracket_next = t + 1 < tree.tokens.size() &&
                              TokenText(side.lines(), tree.tokens[t + 1]) == "(";
    const bool touching = bracket_next && tree.tokens[t + 1].line == token.line &&
                          tree.tokens[t + 1].column == token.column + token.size;
    if (!touching) return std::string(word);
  }
  return std::nullopt;
}

Hazard At(LineViews lines, const Tree& tree, const Node& node, HazardKind kind) {
  const Token& first = tree.tokens[node.first];
  const Token& last = tree.tokens[node.last];
  Hazard hazard;
  hazard.kind = kind;
  hazard.line = first.line;
  hazard.column = first.column;
  hazard.width = last.line == first.line ? last.column + last.size - first.column
                                         : lines[first.line].size() - first.column;
  return hazard;
}

// The negations in an expression: Not calls and "!" operators.
int Negations(const Side& side, std::uint32_t at) {
  int count = 0;
  ForEachNode(side, at, [&](std::uint32_t n) {
    const NodeKind kind = side.node(n).kind;
    count += (kind == NodeKind::kPrefix || kind == NodeKind::kCall) &&
             (side.Name(n) == "!" || side.Name(n) == "Not");
  });
  return count;
}

// Leaves of an expression, in order: what it computes with, whatever the grouping.
std::string Leaves(const Side& side, std::uint32_t at) {
  std::string leaves;
  ForEachNode(side, at, [&](std::uint32_t n) {
    const NodeKind kind = side.node(n).kind;
    if (kind == NodeKind::kNumber || kind == NodeKind::kString || kind == NodeKind::kWord) {
      leaves += side.meaning().Text(side.node(n).token);
      leaves.push_back(' ');
    }
  });
  std::sort(leaves.begin(), leaves.end());
  return leaves;
}

// The tokens' texts of a range, in order.
std::vector<std::string_view> Texts(LineViews lines, Place begin, Place end) {
  std::vector<std::string_view> texts;
  Lexer lexer(lines, begin.line, begin.column, end.line, end.column, false);
  for (Token token = lexer.Next(); token.kind != TokenKind::kEnd; token = lexer.Next()) {
    texts.push_back(lexer.Text(token));
  }
  return texts;
}

// Whether a function's conversion only turned its label into a header and
// added its closing brace: "m Name :" + body became "m func Name ( ) {" + body + "}".
bool OnlyHeaderChanged(LineViews before, Place begin, Place end, LineViews after,
                       std::size_t after_begin, std::size_t after_end) {
  std::vector<std::string_view> old_texts = Texts(before, begin, end);
  std::vector<std::string_view> new_texts = Texts(after, {after_begin, 0}, {after_end, 0});
  const auto colon = std::find(old_texts.begin(), old_texts.end(), ":");
  if (colon == old_texts.end()) return false;
  const std::size_t name = static_cast<std::size_t>(colon - old_texts.begin());
  if (name == 0 || new_texts.size() != old_texts.size() + 4) return false;
  const std::vector<std::string_view> header = {"func", old_texts[name - 1], "(", ")", "{"};
  return std::equal(old_texts.begin(), old_texts.begin() + static_cast<long>(name - 1),
                    new_texts.begin()) &&
         std::equal(header.begin(), header.end(), new_texts.begin() + static_cast<long>(name - 1)) &&
         std::equal(colon + 1, old_texts.end(), new_texts.begin() + static_cast<long>(name + 4)) &&
         new_texts.back() == "}";
}

}  // namespace

void ExplainChange(LineViews before, Place old_place, Place old_end, LineViews after,
                   Place new_place, Place new_end, Hazards* hazards) {
  ExplainChange(before, ParseStatementAt(before, old_place, old_end), after,
                ParseStatementAt(after, new_place, new_end), new_place, hazards);
}

void ExplainChange(LineViews before, const ParsedStatement& old_statement, LineViews after,
                   const ParsedStatement& new_statement, Place new_place, Hazards* hazards) {
  if (!old_statement.ok || !new_statement.ok) {
    Hazard hazard;  // of the kind kChanged
    hazard.line = new_place.line;
    hazard.what = "this statement computes something else after the conversion";
    hazard.advice = "compare it with the original";
    hazards->push_back(std::move(hazard));
    return;
  }
  const Side old_side(before, old_statement.tree);
  const Side new_side(after, new_statement.tree);
  const auto [a, b] = Culprit(old_side, new_side);
  // Numbers alone that still come to the same value compute the same.
  const std::optional<std::int32_t> old_value = old_side.meaning().ConstantValue(a);
  if (old_value && old_value == new_side.meaning().ConstantValue(b)) {
    Hazard note = At(after, new_statement.tree, new_side.node(b), HazardKind::kHarmless);
    note.what = Quoted(old_side.Text(a)) + " became " + Quoted(new_side.Text(b)) +
                ", which groups differently but comes to the same value, " +
                std::to_string(*old_value);
    note.advice = "nothing needs doing, unless you change the numbers";
    hazards->push_back(std::move(note));
    return;
  }
  Hazard hazard = At(after, new_statement.tree, new_side.node(b), HazardKind::kChanged);
  const std::string old_text = Quoted(old_side.Text(a));
  const std::string new_text = Quoted(new_side.Text(b));
  const std::string became = old_text + " became " + new_text;
  // What keeps the old meaning, as --safe writes it.
  std::string kept = PrintedNode(old_statement.tree, before, a);
  if (kept.size() > kQuoteLimit) kept = kept.substr(0, kQuoteLimit - 3) + "...";
  const std::string write = "write " + Quoted(kept);
  const NodeKind old_kind = old_side.node(a).kind;
  const NodeKind new_kind = new_side.node(b).kind;
  const OldCall* call = old_kind == NodeKind::kCall ? FindOldCall(old_side.Name(a)) : nullptr;
  std::string name;
  if (old_kind == NodeKind::kString && new_kind == NodeKind::kString) {
    hazard.kind = HazardKind::kString;
    hazard.what = "the text of a string was rewritten: " + became;
    hazard.advice = "put the original text back";
  } else if (std::optional<std::string> word = WordHoldingName(old_side, a, &name)) {
    hazard.kind = HazardKind::kNameInWord;
    hazard.what = became + ": the name " + Quoted(*word) + " holds " + Quoted(name) +
                  ", which was rewritten as if it were a call";
    hazard.advice = "restore " + Quoted(*word);
  } else if (std::optional<std::string> bare = NameNotACall(old_side)) {
    hazard.kind = HazardKind::kNotACall;
    hazard.what = became + ": " + Quoted(*bare) +
                  " is not directly followed by its bracket, so the rewrite took the wrong text";
    hazard.advice = "write the call without a blank before its bracket, then convert again";
  } else if (std::optional<std::uint32_t> wrong = FindCall(
                 old_side, a, [&](std::uint32_t n, const OldCall* c) { return WrongCount(old_side, n, c); })) {
    const OldCall* bad = FindOldCall(old_side.Name(*wrong));
    hazard.kind = HazardKind::kArgumentCount;
    hazard.what = Quoted(old_side.Text(*wrong)) + " has " +
                  std::to_string(old_side.Kids(*wrong).size()) + " argument(s) where " +
                  std::string(bad->name) + " takes " + std::to_string(bad->arity) + "; " + became;
    hazard.advice = "write by hand what the call was meant to do";
  } else if (std::optional<std::uint32_t> renamed = FindCall(
                 old_side, a, [&](std::uint32_t n, const OldCall*) {
                   return std::find(std::begin(kRenamedCalls), std::end(kRenamedCalls),
                                    old_side.Name(n)) != std::end(kRenamedCalls);
                 })) {
    hazard.kind = HazardKind::kRenamedCall;
    hazard.what = Quoted(old_side.Name(*renamed)) + " was renamed to " + Quoted(kRenamedTo) +
                  ", which takes other arguments";
    hazard.advice = "write the call that this place needs now";
  } else if (call != nullptr && call->kind == OldCallKind::kLogical &&
             !old_side.meaning().Pure(old_side.Kids(a)[1])) {
    hazard.kind = HazardKind::kShortCircuit;
    hazard.what = became + ": " + std::string(call->name) + " always evaluated " +
                  Quoted(old_side.Text(old_side.Kids(a)[1])) + ", but " + std::string(call->op) +
                  " skips it when the left side already decides";
    hazard.advice = "keep " + old_text + " as it was";
  } else if (call != nullptr &&
             (call->kind == OldCallKind::kStep || call->kind == OldCallKind::kStepAny) &&
             new_kind == NodeKind::kPostfix) {
    hazard.kind = HazardKind::kStepValue;
    hazard.what = became + ": " + std::string(call->name) + " gave the new value, " +
                  std::string(call->op) + " after a variable gives the old one";
    hazard.advice = write;
  } else if (Negations(old_side, a) > Negations(new_side, b)) {
    hazard.kind = HazardKind::kNegationDropped;
    hazard.what = became + ": the negation was left out, because the line holds \"!=\"";
    hazard.advice = write;
  } else if (Leaves(old_side, a) == Leaves(new_side, b)) {
    hazard.kind = HazardKind::kPrecedence;
    hazard.what = became + ", which groups its operands differently";
    hazard.advice = write;
  } else {
    hazard.what = became + ", which computes something else";
    hazard.advice = "compare it with the original";
  }
  hazards->push_back(std::move(hazard));
}

void ExplainBroken(LineViews before, bool has_statement, Place old_place, Place old_end,
                   LineViews after, Place error, std::size_t own_header, const LineMap& map,
                   Hazards* hazards) {
  Hazard hazard;
  hazard.kind = HazardKind::kBroken;
  hazard.line = error.line;
  hazard.column = std::min(error.column, after[error.line].size());
  hazard.what = "the converted function no longer reads as a script here";
  hazard.advice = "compare it with the original and mend it by hand";
  if (error.line == own_header) {
    hazard.what = "the function's header no longer reads as a script";
    hazard.advice = "compare it with the label it was made from and mend it by hand";
  } else if (std::binary_search(map.headers.begin(), map.headers.end(), error.line)) {
    hazard.kind = HazardKind::kOddHeader;
    hazard.what = "a colon that belongs to no label was taken for a function header";
    hazard.advice = "join the lines again and restore the colon";
  } else if (has_statement) {
    const ParsedStatement old_statement = ParseStatementAt(before, old_place, old_end);
    if (old_statement.ok) {
      const Side old_side(before, old_statement.tree);
      const std::uint32_t root = old_statement.tree.root_index();
      std::string name;
      if (std::optional<std::string> word = WordHoldingName(old_side, root, &name)) {
        hazard.kind = HazardKind::kNameInWord;
        hazard.what = "the name " + Quoted(*word) + " holds " + Quoted(name) +
                      ", which was rewritten as if it were a call";
        hazard.advice = "restore " + Quoted(*word);
      } else if (std::optional<std::string> bare = NameNotACall(old_side)) {
        hazard.kind = HazardKind::kNotACall;
        hazard.what = Quoted(*bare) + " is not directly followed by its bracket, so the rewrite "
                      "took the wrong text";
        hazard.advice = "write the call without a blank before its bracket, then convert again";
      } else if (std::optional<std::uint32_t> glued = FindCall(
                     old_side, root,
                     [&](std::uint32_t n, const OldCall* c) { return Glues(old_side, n, c); })) {
        const OldCall* call = FindOldCall(old_side.Name(*glued));
        const std::string_view sign = old_side.Name(old_side.Kids(*glued)[1]);
        hazard.kind = HazardKind::kGluedOperators;
        hazard.what = "in " + Quoted(old_side.Text(*glued)) + " the operator " +
                      Quoted(call->op) + " ran into the " + Quoted(sign) +
                      " of the next operand and formed " +
                      Quoted(std::string(call->op) + std::string(sign));
        hazard.advice = "put a blank or brackets between them: " +
                        Quoted(std::string(call->op) + " " + std::string(sign));
      } else if (std::optional<std::uint32_t> wrong = FindCall(
                     old_side, root,
                     [&](std::uint32_t n, const OldCall* c) { return WrongCount(old_side, n, c); })) {
        const OldCall* bad = FindOldCall(old_side.Name(*wrong));
        hazard.kind = HazardKind::kArgumentCount;
        hazard.what = Quoted(old_side.Text(*wrong)) + " has " +
                      std::to_string(old_side.Kids(*wrong).size()) + " argument(s) where " +
                      std::string(bad->name) + " takes " + std::to_string(bad->arity) +
                      ", and its rewrite no longer reads as a script";
        hazard.advice = "write by hand what the call was meant to do";
      } else {
        hazard.what = Quoted(old_side.Text(root)) +
                      " was rewritten into something that no longer reads as a script";
      }
    }
  }
  hazards->push_back(std::move(hazard));
}

void ExplainLayout(LineViews after, Place new_place, Hazards* hazards) {
  Hazard hazard;
  hazard.kind = HazardKind::kOddHeader;
  hazard.line = std::min(new_place.line, after.empty() ? 0 : after.size() - 1);
  hazard.what = "the function's header or its end no longer stands where the old label put it";
  hazard.advice = "check where this function begins and ends";
  hazards->push_back(std::move(hazard));
}

void ExplainUnchecked(LineViews before, Place begin, Place end, Place error, LineViews after,
                      std::size_t after_begin, std::size_t after_end, std::size_t converted_line,
                      Hazards* hazards) {
  if (!OnlyHeaderChanged(before, begin, end, after, after_begin, after_end)) {
    Hazard hazard;
    hazard.kind = HazardKind::kUnchecked;
    hazard.line = converted_line;
    const std::string_view at = error.line < before.size() ? before[error.line] : "";
    hazard.what = "this function holds code the checker cannot read (line " +
                  std::to_string(error.line + 1) + " before: " +
                  Quoted(at.substr(std::min(error.column, at.size()), 20)) +
                  "), so its conversion was not checked";
    hazard.advice = "check the converted function by hand";
    hazards->push_back(std::move(hazard));
  }
}

}  // namespace q9
