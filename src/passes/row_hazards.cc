#include "passes/row_hazards.h"

#include <optional>
#include <string>
#include <utility>

#include "passes/precedence.h"

namespace q9 {
namespace {

// Quotes stay short: enough to find the place on the printed line.
constexpr std::size_t kQuoteBytes = 40;

std::string_view Head(std::string_view text, std::size_t bytes) {
  return text.substr(0, std::min(bytes, text.size()));
}

std::string_view Tail(std::string_view text, std::size_t bytes) {
  return text.substr(text.size() - std::min(bytes, text.size()));
}

// |text| for a message, shortened with "..." when long.
std::string Shown(std::string_view text) {
  if (text.size() <= kQuoteBytes) return std::string(text);
  return std::string(Head(text, kQuoteBytes)) + "...";
}

std::string Quoted(std::string_view text) { return "\"" + Shown(text) + "\""; }

// The bytes of a word at the end of |text|.
std::string_view WordAtEnd(std::string_view text) {
  std::size_t start = text.size();
  while (start > 0 && IsWordByte(text[start - 1])) --start;
  return text.substr(start);
}

std::string_view WordAtStart(std::string_view text) {
  std::size_t end = 0;
  while (end < text.size() && IsWordByte(text[end])) ++end;
  return text.substr(0, end);
}

bool IsBlankText(std::string_view text) {
  return text.find_first_not_of(" \t") == std::string_view::npos;
}

// The arguments between a call's brackets, split at commas at depth 0, with
// only '(' and ')' counted, as the rows split them. No argument for blanks only.
std::vector<std::string_view> SplitArguments(std::string_view inner) {
  std::vector<std::string_view> arguments;
  if (IsBlankText(inner)) return arguments;
  long depth = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i < inner.size(); ++i) {
    if (inner[i] == '(') ++depth;
    if (inner[i] == ')') --depth;
    if (inner[i] == ',' && depth == 0) {
      arguments.push_back(inner.substr(start, i - start));
      start = i + 1;
    }
  }
  arguments.push_back(inner.substr(start));
  return arguments;
}

// What a rewrite is about, gathered once for the checks below.
struct Rewrite {
  const CallRow& row;
  const CallRewrite& seen;

  // What took the call's place; built only for a hazard, as most rewrites have none.
  std::string Written() const { return std::string(seen.prefix) + std::string(seen.args); }
  bool WroteNothing() const { return seen.prefix.empty() && seen.args.empty(); }
  std::vector<Hazard>* hazards;

  // A hazard that quotes the |left| bytes before the written text, then
  // |middle| bytes of it (from its end when |from_end|), then the |right|
  // bytes after it, as the line now reads.
  void Note(HazardKind kind, std::size_t left, std::size_t middle, std::size_t right,
            std::string what, std::string advice, bool from_end = false) const {
    const std::string written = Written();
    const std::string_view text = written;
    if (text.empty()) {
      // With nothing written, the bytes around the call show where it was.
      left = std::max<std::size_t>(left, 8);
      right = std::max<std::size_t>(right, 8);
    }
    const std::string_view shown = from_end ? Tail(text, middle) : Head(text, middle);
    // Only whole pieces of the line: before, written and after are contiguous
    // where the written text is shown up to the edge it meets.
    const std::string_view before =
        from_end && shown.size() < text.size() ? std::string_view() : Tail(seen.before, left);
    const std::string_view after =
        shown.size() == text.size() || from_end ? Head(seen.after, right) : std::string_view();
    std::string quote(before);
    quote.append(shown).append(after);
    const std::size_t start = from_end ? seen.before.size() + text.size() - shown.size() : 0;
    hazards->push_back(
        {.kind = kind,
         .line = seen.line,
         .column = from_end ? start - before.size() : seen.before.size() - before.size(),
         .quote = std::move(quote),
         .source = std::string(row.name),
         .what = "the " + std::string(row.name) + " row " + std::move(what),
         .advice = std::move(advice)});
  }
};

// The name matched inside a longer word, or with no bracket behind it.
bool NoteNoCall(const Rewrite& r) {
  const std::string_view name = r.row.name;
  const std::string_view call = r.seen.call;
  const std::string_view word_before = WordAtEnd(r.seen.before);
  if (!word_before.empty()) {
    const std::string word = std::string(word_before) + std::string(WordAtStart(call));
    r.Note(HazardKind::kNameInWord, std::min(word_before.size(), kQuoteBytes), kQuoteBytes, 0,
           "found \"" + std::string(name) + "\" inside the word " + Quoted(word),
           "restore the word if it was no " + std::string(name) + " call");
    return true;
  }
  if (call.size() > name.size() && call[name.size()] == '(') return false;
  const std::string what =
      call.size() > name.size() && call[name.size()] == ' '
          ? "rewrote \"" + std::string(name) + " (\", with a blank before the bracket"
          : "rewrote " + Quoted(Head(call, name.size() + 1)) +
                ", which is no call: no \"(\" follows the name";
  r.Note(HazardKind::kNotACall, 0, kQuoteBytes, 0, what, "convert that call by hand");
  return true;
}

std::string Arguments(std::size_t count) {
  if (count == 0) return "no argument";
  return std::to_string(count) + (count == 1 ? " argument" : " arguments");
}

// A call whose argument count the row does not fit.
bool NoteArgumentCount(const Rewrite& r, std::size_t count) {
  const bool is_not = r.row.name == "Not";
  const bool setter = !r.row.unary && r.row.prefix.ends_with('(');
  std::size_t least = 2, most = static_cast<std::size_t>(-1);
  std::string_view takes = "2 or more";
  if (is_not) {
    least = 1, most = 2, takes = "1 or 2";
  } else if (r.row.unary) {
    least = most = 1, takes = "1";
  } else if (setter) {
    least = most = 2, takes = "2";
  }
  if (count >= least && count <= most) return false;
  r.Note(HazardKind::kArgumentCount, 0, kQuoteBytes, 0,
         "got " + Arguments(count) + " in " + Quoted(r.seen.call) + " where it takes " +
             std::string(takes),
         r.WroteNothing() ? "the call left no text; write what it meant"
                          : "the call left text that may be unbalanced or incomplete");
  return true;
}

constexpr std::string_view kBrackets =
    "add brackets around what the row wrote if it was meant whole";

// An operand of |outer| that loses part of itself to an operator within it.
bool NoteRegroupedArgument(const Rewrite& r, const Operator& outer,
                           const std::vector<std::string_view>& arguments, std::size_t first) {
  for (std::size_t i = first; i < arguments.size(); ++i) {
    const std::optional<Operator> inner = RegroupingOperator(arguments[i], outer, i == 0);
    if (!inner) continue;
    const std::string how =
        inner->precedence < outer.precedence ? "binds less tightly than" : "groups after";
    r.Note(HazardKind::kPrecedence, 0, kQuoteBytes, 0,
           "wrote " + Quoted(r.Written()) + ": the argument " + Quoted(arguments[i]) + " holds \"" +
               std::string(inner->token) + "\", which " + how + " \"" + std::string(outer.token) +
               "\"",
           "add brackets around that argument if it was meant whole");
    return true;
  }
  return false;
}

std::string_view TrimBlanks(std::string_view text) {
  const std::size_t start = text.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  return text.substr(start, text.find_last_not_of(" \t") - start + 1);
}

// The written expression next to an operator that takes its |first| or |last|
// operand away from it.
bool NoteNeighbours(const Rewrite& r, const Operator& outer, std::string_view first,
                    std::string_view last) {
  const std::string_view before = r.seen.before;
  const std::string_view after = r.seen.after;
  if (const std::optional<Operator> left = OperatorBefore(before);
      left && LeftTakesOperand(*left, outer)) {
    r.Note(HazardKind::kPrecedence, before.size() - before.rfind(left->token), kQuoteBytes, 0,
           "wrote " + Quoted(r.Written()) + " after \"" + std::string(left->token) +
               "\", which now takes only " + Quoted(TrimBlanks(first)),
           std::string(kBrackets));
    return true;
  }
  if (const std::optional<Operator> right = OperatorAfter(after);
      right && RightTakesOperand(outer, *right)) {
    r.Note(HazardKind::kPrecedence, 0, kQuoteBytes, after.find(right->token) + right->token.size(),
           "wrote " + Quoted(r.Written()) + " before \"" + std::string(right->token) +
               "\", which now takes only " + Quoted(TrimBlanks(last)),
           std::string(kBrackets), true);
    return true;
  }
  return false;
}

void NotePrecedence(const Rewrite& r, const std::vector<std::string_view>& arguments) {
  const CallRow& row = r.row;
  if (row.name == "Not" && arguments.size() == 1) {
    // "!" before the argument negates only its first operand.
    const Operator bang{"!", 14, true, true, false};
    if (!RegroupingOperator(arguments[0], bang, true)) return;
    r.Note(HazardKind::kPrecedence, 0, kQuoteBytes, 0,
           "put \"!\" before " + Quoted(arguments[0]) + ", which negates only its first operand",
           "add brackets after the \"!\" if the whole was meant");
    return;
  }
  if (row.unary) {
    // A postfix infix such as "++" applies to the argument's last operand only;
    // after a prefix that opens a bracket the argument is enclosed.
    if (!row.prefix.empty()) return;
    const Operator postfix{row.infix, 15, false, false, true};
    if (!RegroupingOperator(arguments[0], postfix, true)) return;
    r.Note(HazardKind::kPrecedence, 0, kQuoteBytes, 0,
           "put \"" + std::string(row.infix) + "\" after " + Quoted(arguments[0]) +
               ", which applies to its last operand only",
           "the argument must be a single variable");
    return;
  }
  // A setter's prefix opens a bracket that its infix closes: "Var(" x ")=" y.
  const bool setter = row.prefix.ends_with('(') && row.infix.starts_with(')');
  const std::string_view token = row.name == "Not" ? std::string_view("!=")
                                 : setter          ? row.infix.substr(1)
                                                   : row.infix;
  const std::optional<Operator> outer = BinaryOperator(token);
  if (!outer) return;
  const std::string first = setter ? std::string(row.prefix) + std::string(arguments[0]) + ")"
                                   : std::string(arguments[0]);
  if (NoteNeighbours(r, *outer, first, arguments.back())) return;
  NoteRegroupedArgument(r, *outer, arguments, setter ? 1 : 0);
}

}  // namespace

void NoteCallRewrite(const CallRow& row, const CallRewrite& rewrite, std::vector<Hazard>* hazards) {
  const Rewrite r{row, rewrite, hazards};
  if (NoteNoCall(r)) return;
  const std::string_view call = rewrite.call;
  const std::vector<std::string_view> arguments =
      SplitArguments(call.substr(row.name.size() + 1, call.size() - row.name.size() - 2));
  if (NoteArgumentCount(r, arguments.size())) return;
  if (row.name == "Not" && arguments.size() == 1 && rewrite.prefix.empty()) {
    r.Note(HazardKind::kNegationDropped, 0, kQuoteBytes, 0,
           "left out the \"!\" of " + Quoted(call) + " because the line holds \"!=\" elsewhere",
           "it is no longer negated; put \"!(\" and \")\" around it");
    return;
  }
  NotePrecedence(r, arguments);
}

void NoteExchangeRow(std::string_view find, std::size_t index, std::string_view line,
                     std::vector<Hazard>* hazards) {
  if (find.empty()) return;
  std::size_t reported_until = 0;
  for (std::size_t at = line.find(find); at != std::string_view::npos;
       at = line.find(find, at + find.size())) {
    const std::size_t end = at + find.size();
    const bool in_word = (at > 0 && IsWordByte(line[at - 1]) && IsWordByte(find.front())) ||
                         (end < line.size() && IsWordByte(line[end]) && IsWordByte(find.back()));
    if (!in_word || at < reported_until) continue;
    const std::size_t start = at - WordAtEnd(line.substr(0, at)).size();
    reported_until = end + WordAtStart(line.substr(end)).size();
    const std::string_view word = line.substr(start, reported_until - start);
    hazards->push_back(
        {.kind = HazardKind::kNameInWord,
         .line = index,
         .column = start,
         .quote = std::string(word),
         .source = std::string(find),
         .what = "the " + std::string(find) + " row replaced \"" + std::string(find) +
                 "\" inside the word " + Quoted(word),
         .advice = "restore the word if it was no " + std::string(find) + " to replace"});
  }
}

}  // namespace q9
