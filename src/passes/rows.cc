#include "passes/rows.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <future>
#include <initializer_list>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "linestore/thread_start.h"
#include "passes/edit_cursor.h"
#include "passes/linear_calls.h"
#include "passes/var_function.h"

namespace q9 {
namespace {

// The argument scan examines an inserted infix from its second byte on. When
// none of those bytes is a bracket or a comma, the inserted text can be copied
// without being walked, which is what lets a call be rewritten in one forward
// read.
bool InfixIsInert(std::string_view infix) {
  return infix.size() < 2 || infix.substr(1).find_first_of("(),") == std::string_view::npos;
}

// The number of "!=" in the concatenation of |pieces|.
std::size_t CountInequalities(std::initializer_list<std::string_view> pieces) {
  std::size_t count = 0;
  bool after_bang = false;  // the last byte before the current piece is '!'
  for (std::string_view piece : pieces) {
    if (piece.empty()) continue;
    if (after_bang && piece.front() == '=') ++count;
    for (std::size_t at = piece.find("!="); at != std::string_view::npos;
         at = piece.find("!=", at + 2)) {
      ++count;
    }
    after_bang = piece.back() == '!';
  }
  return count;
}

// Reads the call that starts at the head of |text| (the name, the byte after it,
// the arguments, the closing bracket) as the argument scan would, and builds in
// |*args| (unless null) the arguments with every comma at depth 0 replaced by
// |infix|. Returns the length of the call's text, or nothing on a bracket error.
std::optional<std::size_t> ReadCall(std::string_view text, std::size_t name_size,
                                    std::string_view infix, std::string* args) {
  if (args != nullptr) args->clear();
  long depth = 0;
  std::size_t i = std::min(name_size + 1, text.size());
  std::size_t copied = i;  // the argument bytes before |copied| are in *args
  while (i < text.size()) {
    const char c = text[i];
    if (c == '(') {
      ++depth;
    } else if (c == ')') {
      if (--depth < 0) {
        if (args != nullptr) args->append(text.substr(copied, i - copied));
        return i + 1;
      }
    } else if (c == ',' && depth == 0) {
      if (args != nullptr) args->append(text.substr(copied, i - copied)).append(infix);
      // The scan steps over the first inserted byte; with nothing inserted that
      // is the byte after the comma, which is then taken unexamined.
      copied = i + 1;
      i += infix.empty() ? 2 : 1;
      continue;
    }
    ++i;
  }
  return std::nullopt;
}

// Whether a "Not" call takes its prefix: only when the line, with the call's
// text |call| replaced by |args|, holds no "!=". |*inequalities| counts the "!="
// on the line and is brought up to date for the line after the rewrite, from
// the changed text and the bytes |before| and |after| it (one each at most): no
// other occurrence can be removed or formed.
bool NotTakesPrefix(std::string_view before, std::string_view call, std::string_view after,
                    std::string_view args, std::string_view prefix, std::size_t* inequalities) {
  const std::size_t outside = *inequalities - CountInequalities({before, call, after});
  const std::size_t without_prefix = outside + CountInequalities({before, args, after});
  if (without_prefix > 0) {
    *inequalities = without_prefix;
    return false;
  }
  *inequalities = outside + CountInequalities({before, prefix, args, after});
  return true;
}

struct LineOutcome {
  std::size_t rewrites = 0;
  bool bracket_error = false;  // the attempt after |rewrites| rewrites failed
};

// Buffers reused from one line to the next.
struct LineScratch {
  std::string args;
  LinearCallsScratch linear;
};

// Applies to one line what up to |limit| successive runs of |row| do to it.
// Each run rewrites the line's first call, so the text before that call holds no
// full occurrence of the name and the next search may start name.size() - 1
// bytes before it; everything after it, the rewritten text included, is searched
// again. A bracket error leaves the line as the previous rewrite left it.
// Rewriting one call at a time walks a call's arguments once per run, which
// for calls nested in each other adds up to the square of their number; so,
// when |linear| (which needs a non-empty infix), a call found inside the
// arguments of the one before hands the line to the linear walk, once.
LineOutcome RewriteLine(std::string* line, const CallRow& row, std::size_t limit,
                        LineScratch* scratch, bool linear) {
  std::string* args = &scratch->args;
  EditCursor cursor(std::move(*line));
  const bool is_not = row.name == "Not";
  std::size_t inequalities = is_not ? CountInequalities({cursor.rest()}) : 0;
  std::size_t arguments_end = 0;  // where the last rewrite's arguments end in the line
  LineOutcome outcome;
  while (outcome.rewrites < limit) {
    const std::size_t at = cursor.rest().find(row.name);
    if (at == std::string_view::npos) break;
    cursor.Advance(at);
    const std::size_t start = cursor.done().size();
    if (linear && start < arguments_end) {
      linear = false;
      std::string text = cursor.Release();
      const LinearOutcome fast =
          RewriteCallsLinearly(&text, row, limit - outcome.rewrites, start, &scratch->linear);
      outcome.rewrites += fast.rewrites;
      cursor = EditCursor(std::move(text));
      if (!fast.stopped) break;
      if (is_not) inequalities = CountInequalities({cursor.rest()});
      cursor.Advance(fast.resume_at);
      continue;
    }
    const std::string_view rest = cursor.rest();
    const std::optional<std::size_t> call_size = ReadCall(rest, row.name.size(), row.infix, args);
    if (!call_size) {
      outcome.bracket_error = true;
      break;
    }
    if (row.unary) args->append(row.infix);
    const std::string_view done = cursor.done();
    const bool with_prefix =
        !is_not || NotTakesPrefix(done.substr(done.size() - std::min<std::size_t>(done.size(), 1)),
                                  rest.substr(0, *call_size), rest.substr(*call_size, 1), *args,
                                  row.prefix, &inequalities);
    arguments_end = start + (with_prefix ? row.prefix.size() : 0) + args->size();
    cursor.Drop(*call_size);
    cursor.Prepend(*args);
    if (with_prefix) cursor.Prepend(row.prefix);
    cursor.Retreat(std::min(row.name.size() - 1, cursor.done().size()));
    ++outcome.rewrites;
  }
  *line = cursor.Release();
  return outcome;
}

RowOutcome RunCallRowRunByRun(LineList* lines, const CallRow& row) {
  RowOutcome outcome;
  for (;;) {
    ++outcome.runs;
    const RunResult run = VarFunction(lines, row.name, row.prefix, row.infix, row.unary);
    if (run.bracket_error) outcome.bracket_error = run.bracket_error;
    if (!run.changed) return outcome;
    outcome.changed = true;
  }
}

// Texts kept one after another and read back in the same order. They go into
// blocks that grow to 1 MiB and are never copied: one string that doubles
// would at times hold twice its texts, and a row over a large script keeps
// megabytes. A text never spans two blocks.
class TextStore {
 public:
  void Push(std::string_view text) {
    if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < text.size()) {
      const std::size_t grown = blocks_.empty() ? kFirstBlock : 2 * blocks_.back().capacity();
      blocks_.emplace_back();
      blocks_.back().reserve(std::max(text.size(), std::min(grown, kLargestBlock)));
    }
    blocks_.back().append(text);
  }

  // Takes back the last text pushed, |size| bytes long.
  void DropLast(std::size_t size) { blocks_.back().resize(blocks_.back().size() - size); }

  // The next text, |size| bytes long, in the order they were pushed.
  std::string_view Next(std::size_t size) {
    while (blocks_[block_].size() - offset_ < size) {
      ++block_;
      offset_ = 0;
    }
    const std::string_view text = std::string_view(blocks_[block_]).substr(offset_, size);
    offset_ += size;
    return text;
  }

 private:
  static constexpr std::size_t kFirstBlock = 4096;
  static constexpr std::size_t kLargestBlock = 1 << 20;
  std::vector<std::string> blocks_;
  std::size_t block_ = 0;  // where Next reads
  std::size_t offset_ = 0;
};

// A line the row rewrote; its text before the row is in a TextStore, in the
// order of the list of these. 16 bytes: a large row keeps a million of them.
struct RewrittenLine {
  LineIndex index;
  std::uint32_t rewrites;  // a line rewritten more often would be over 16 GiB long
  std::size_t size;
};

// Lines are independent but for the end of a row: a bracket error on line i
// after r rewrites means the row's last run is run r + 1, and every line keeps
// at most r rewrites. So the last run is the one before the earliest error of
// any line, the first such line names it, and a line's walk can stop where the
// errors found so far end the row; lines that went further than an error found
// later allows are walked again from their text before the row. Which lines
// meet an error on the first run is known before any is rewritten (below), so
// a line rewritten once keeps that rewrite, and only the texts of lines
// rewritten more often are kept.

constexpr std::size_t kNoLine = static_cast<std::size_t>(-1);

// What the row's first run finds on some of its lines, before any is rewritten.
struct FirstRun {
  explicit FirstRun(std::size_t line_count) : found(line_count) {}

  // The first line whose first call that run cannot rewrite: such a line ends
  // the row there, and nothing changes.
  std::optional<std::size_t> error;
  LineBits found;  // the lines that hold the name (until an error)
};

template <typename Indices>
FirstRun ReadFirstRun(const LineList& lines, const CallRow& row, const Indices& indices) {
  FirstRun first_run(lines.size());
  for (const std::size_t i : indices) {
    const std::string_view line = lines[i];
    const std::size_t at = line.find(row.name);
    if (at == std::string_view::npos) continue;
    if (!ReadCall(line.substr(at), row.name.size(), row.infix, nullptr)) {
      first_run.error = i;
      break;
    }
    first_run.found.Add(i);
  }
  return first_run;
}

// What the first walk over some of a row's lines found.
struct Walked {
  std::size_t bound = static_cast<std::size_t>(-1);  // rewrites a line may keep
  std::optional<std::size_t> error_line;             // the first line that set |bound|
  std::size_t most = 0;                              // the most rewrites of a line
  std::deque<RewrittenLine> rewritten;  // not a vector: doubling would hold twice the room
  TextStore before_row;  // texts before the row of the lines rewritten more than once
  // The walk's lines from this one on were walked on a copy and left as they
  // were: their texts before the row would have taken more room than the row
  // may keep. They are rewritten once the bound is known.
  std::size_t dry_from = kNoLine;
};

void Note(const LineOutcome& outcome, std::size_t line, Walked* walked) {
  if (outcome.bracket_error) {
    // The walk stops at the bound, so this error comes in an earlier run than
    // any error found before it.
    walked->bound = outcome.rewrites;
    walked->error_line = line;
  }
  walked->most = std::max(walked->most, outcome.rewrites);
}

// The first walk over |found|, the lines that hold the name, of a row whose
// first run meets no error. The texts it keeps take about |undo_bytes| at
// most; the lines past them are walked dry.
Walked WalkLines(LineList* lines, const CallRow& row, const LineSubset& found, bool linear,
                 std::size_t undo_bytes) {
  Walked walked;
  LineScratch scratch;
  std::string copy;
  std::size_t kept = 0;
  for (const std::size_t i : found) {
    std::string& line = (*lines)[i];
    const std::size_t size = line.size();
    if (walked.dry_from == kNoLine && kept + size > undo_bytes) walked.dry_from = i;
    if (walked.dry_from <= i) {
      copy.assign(line);
      Note(RewriteLine(&copy, row, walked.bound, &scratch, linear), i, &walked);
      continue;
    }
    walked.before_row.Push(line);
    const LineOutcome outcome = RewriteLine(&line, row, walked.bound, &scratch, linear);
    Note(outcome, i, &walked);
    if (outcome.rewrites > 1) {
      if (i > UINT32_MAX || outcome.rewrites > UINT32_MAX) throw std::length_error("line");
      walked.rewritten.push_back(
          {static_cast<LineIndex>(i), static_cast<std::uint32_t>(outcome.rewrites), size});
      kept += size;
    } else {
      walked.before_row.DropLast(size);
    }
  }
  return walked;
}

// Leaves the lines of a walk over |found| as the row ends them, which is after
// |bound| rewrites at most: those that went further are walked again from their
// text before the row, and those walked dry are rewritten.
void FinishWalk(LineList* lines, const CallRow& row, std::size_t bound, bool linear,
                const LineSubset& found, Walked* walked) {
  LineScratch scratch;
  for (const RewrittenLine& line : walked->rewritten) {
    const std::string_view text = walked->before_row.Next(line.size);
    if (line.rewrites <= bound) continue;
    (*lines)[line.index].assign(text);
    RewriteLine(&(*lines)[line.index], row, bound, &scratch, linear);
  }
  if (walked->dry_from == kNoLine) return;
  for (const std::size_t i : found) {
    if (i >= walked->dry_from) RewriteLine(&(*lines)[i], row, bound, &scratch, linear);
  }
}

RowOutcome OutcomeOf(const Walked& walked) {
  const std::size_t kept = walked.error_line ? walked.bound : walked.most;
  return {.runs = kept + 1, .changed = kept > 0, .bracket_error = walked.error_line};
}

RowOutcome EndedByFirstRun(std::size_t line) {
  return {.runs = 1, .changed = false, .bracket_error = line};
}

// RunCallRow over the lines at |indices|, ascending, which take in every line
// that holds the row's name.
template <typename Indices>
RowOutcome RunCallRowOn(LineList* lines, const CallRow& row, const Indices& indices,
                        std::size_t undo_bytes) {
  if (row.name.empty() || !InfixIsInert(row.infix)) return RunCallRowRunByRun(lines, row);
  const FirstRun first_run = ReadFirstRun(*lines, row, indices);
  if (first_run.error) return EndedByFirstRun(*first_run.error);
  const bool linear = !row.infix.empty();
  const LineSubset found(first_run.found);
  Walked walked = WalkLines(lines, row, found, linear, undo_bytes);
  FinishWalk(lines, row, walked.bound, linear, found, &walked);
  return OutcomeOf(walked);
}

template <typename Indices>
RowOutcome RunExchangeRowOn(LineList* lines, std::string_view find, std::string_view replacement,
                            const Indices& indices) {
  RowOutcome outcome;
  outcome.runs = 1;
  if (find.empty()) return outcome;
  std::size_t most = 0;
  std::string built;
  for (const std::size_t i : indices) {
    std::string& line = (*lines)[i];
    std::size_t at = line.find(find);
    if (at == std::string::npos) continue;
    built.clear();
    std::size_t copied = 0;
    std::size_t count = 0;
    for (; at != std::string::npos; at = line.find(find, copied)) {
      built.append(line, copied, at - copied);
      built.append(replacement);
      copied = at + find.size();
      ++count;
    }
    built.append(line, copied);
    line.swap(built);
    most = std::max(most, count);
  }
  outcome.runs = most + 1;
  outcome.changed = most > 0;
  return outcome;
}

// The indices of every line of a list, for the loops above.
class AllLines {
 public:
  class Iterator {
   public:
    explicit Iterator(std::size_t index) : index_(index) {}
    std::size_t operator*() const { return index_; }
    Iterator& operator++() {
      ++index_;
      return *this;
    }
    bool operator!=(const Iterator& other) const { return index_ != other.index_; }

   private:
    std::size_t index_;
  };

  explicit AllLines(const LineList& lines) : size_(lines.size()) {}
  Iterator begin() const { return Iterator(0); }
  Iterator end() const { return Iterator(size_); }

 private:
  std::size_t size_;
};

}  // namespace

RowOutcome RunCallRow(LineList* lines, const CallRow& row) {
  return RunCallRowOn(lines, row, AllLines(*lines), kRowUndoBytes);
}

RowOutcome RunCallRow(LineList* lines, const CallRow& row, const LineSubset& holders,
                      std::size_t split_lines, std::size_t undo_bytes) {
  const std::size_t count = holders.size();
  if (count < split_lines || row.name.empty() || !InfixIsInert(row.infix)) {
    return RunCallRowOn(lines, row, holders, undo_bytes);
  }
  // Each step is taken on both halves at once, the second one on a thread of
  // its own; a first-run error in the first half comes before any in the second.
  const std::pair<LineSubset, LineSubset> halves = holders.Split(count / 2);
  const LineSubset& first = halves.first;
  const LineSubset& second = halves.second;
  std::future<FirstRun> later_run =
      StartOnThread([&] { return ReadFirstRun(*lines, row, second); });
  if (!later_run.valid()) return RunCallRowOn(lines, row, holders, undo_bytes);  // no thread
  const FirstRun first_run = ReadFirstRun(*lines, row, first);
  const FirstRun second_run = later_run.get();
  if (first_run.error) return EndedByFirstRun(*first_run.error);
  if (second_run.error) return EndedByFirstRun(*second_run.error);
  // The second half is walked as if the first half held no error; the two
  // are then joined as one walk would have found them.
  const bool linear = !row.infix.empty();
  const LineSubset first_found(first_run.found), second_found(second_run.found);
  std::future<Walked> later =
      StartOnThread([&] { return WalkLines(lines, row, second_found, linear, undo_bytes); });
  Walked walked = WalkLines(lines, row, first_found, linear, undo_bytes);
  Walked rest =
      later.valid() ? later.get() : WalkLines(lines, row, second_found, linear, undo_bytes);
  // Where both halves stop after as many rewrites, the first half's line names it.
  if (rest.bound < walked.bound) {
    walked.bound = rest.bound;
    walked.error_line = rest.error_line;
  }
  walked.most = std::max(walked.most, rest.most);
  FinishWalk(lines, row, walked.bound, linear, first_found, &walked);
  FinishWalk(lines, row, walked.bound, linear, second_found, &rest);
  return OutcomeOf(walked);
}

RowOutcome RunExchangeRow(LineList* lines, std::string_view find, std::string_view replacement) {
  return RunExchangeRowOn(lines, find, replacement, AllLines(*lines));
}

RowOutcome RunExchangeRow(LineList* lines, std::string_view find, std::string_view replacement,
                          const LineSubset& holders) {
  return RunExchangeRowOn(lines, find, replacement, holders);
}

}  // namespace q9
