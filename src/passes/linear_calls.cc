#include "passes/linear_calls.h"

#include <algorithm>
#include <string_view>

namespace q9 {
namespace {

constexpr std::uint32_t kUnmatched = static_cast<std::uint32_t>(-1);

// Fills |*links| for |text| from |from| on: an opening bracket links to the
// first comma directly inside its pair, or to its closing bracket when it has
// none (kUnmatched when the line does not close it); such a comma links to the
// next one, or to the closing bracket. Other entries are left as they were.
// This is the argument scan's reading of a call whose text the row has not
// touched: the closing bracket is where the depth falls below 0, and the
// commas met at depth 0 are the direct ones.
void LinkBrackets(std::string_view text, std::size_t from, std::vector<std::uint32_t>* links,
                  std::vector<std::uint32_t>* open_stack) {
  links->resize(text.size());
  std::vector<std::uint32_t>& stack = *open_stack;  // pairs: the open bracket, its chain's tail
  stack.clear();
  for (std::size_t i = from; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '(') {
      stack.push_back(static_cast<std::uint32_t>(i));
      stack.push_back(static_cast<std::uint32_t>(i));
    } else if ((c == ',' || c == ')') && !stack.empty()) {
      (*links)[stack.back()] = static_cast<std::uint32_t>(i);
      stack.back() = static_cast<std::uint32_t>(i);
      if (c == ')') stack.resize(stack.size() - 2);
    }
  }
  for (std::size_t k = 0; k < stack.size(); k += 2) (*links)[stack[k]] = kUnmatched;
}

// (*bangs)[i]: the number of "!=" in |text| that start before byte i.
void CountBangs(std::string_view text, std::vector<std::uint32_t>* bangs) {
  bangs->resize(text.size() + 1);
  std::uint32_t count = 0;
  (*bangs)[0] = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '!' && i + 1 < text.size() && text[i + 1] == '=') ++count;
    (*bangs)[i + 1] = count;
  }
}

// Counts "!=" in a concatenation of pieces, each either literal text or a
// stretch of the line before the row, whose count comes from its "!=" counts.
class BangCounter {
 public:
  BangCounter(std::string_view text, const std::vector<std::uint32_t>& bangs)
      : text_(text), bangs_(bangs) {}

  void Add(std::string_view piece) {
    if (piece.empty()) return;
    if (last_ == '!' && piece.front() == '=') ++count_;
    for (std::size_t at = piece.find("!="); at != std::string_view::npos;
         at = piece.find("!=", at + 2)) {
      ++count_;
    }
    last_ = piece.back();
  }

  // text[begin, end).
  void AddText(std::size_t begin, std::size_t end) {
    if (begin == end) return;
    if (last_ == '!' && text_[begin] == '=') ++count_;
    count_ += bangs_[end - 1] - bangs_[begin];
    last_ = text_[end - 1];
  }

  bool EndsWithBang() const { return last_ == '!'; }
  std::size_t count() const { return count_; }

 private:
  std::string_view text_;
  const std::vector<std::uint32_t>& bangs_;
  std::size_t count_ = 0;
  char last_ = '\0';
};

class Walk {
 public:
  Walk(std::string_view text, const CallRow& row, LinearCallsScratch* scratch)
      : text_(text), row_(row), s_(*scratch), out_(scratch->out) {
    out_.clear();
    s_.edits.clear();
  }

  LinearOutcome Run(std::size_t start, std::size_t first, std::size_t limit) {
    out_.append(text_, 0, start);
    pos_ = start;
    search_from_ = start;
    LinkBrackets(text_, first, &s_.links, &s_.open_stack);
    const bool is_not = row_.name == "Not";
    if (is_not) {
      CountBangs(text_, &s_.bangs);
      inequalities_ = s_.bangs.back();
    }
    next_plain_ = first;
    LinearOutcome outcome;
    while (outcome.rewrites < limit) {
      const Found found = FindNext();
      if (found == Found::kNone) break;
      if (found == Found::kCall) {
        const std::size_t open = pos_ + row_.name.size();
        if (open < text_.size() && text_[open] == '(' && s_.links[open] != kUnmatched) {
          ++outcome.rewrites;
          if (Rewrite(open, is_not)) continue;
          if (outcome.rewrites == limit) break;
        }
      }
      outcome.stopped = true;
      outcome.resume_at = search_from_;
      break;
    }
    EmitRest();
    return outcome;
  }

 private:
  enum class Found { kNone, kCall, kOdd };

  // What an edit at |at| puts in place of the byte there.
  std::string_view Replacement(std::size_t at) const {
    if (text_[at] == ',' || row_.unary) return row_.infix;
    return {};
  }

  // The next pending edit, or the end of the text.
  std::size_t NextEdit() const { return s_.edits.empty() ? text_.size() : s_.edits.back(); }

  // Whether the name ends at out_[stop - 1] and starts where the search may.
  bool NameEndsAt(std::size_t stop) const {
    const std::string_view name = row_.name;
    return stop >= search_from_ + name.size() && out_[stop - 1] == name.back() &&
           SameBytes(out_.data() + stop - name.size(), name.data(), name.size());
  }

  // Whether the name begins in out_, at out_.size() + j - name.size(), and
  // its last j bytes begin text_ at pos_.
  bool NameStraddles(std::size_t j) const {
    const std::string_view name = row_.name;
    const std::size_t start = out_.size() + j - name.size();
    return out_.size() + j >= search_from_ + name.size() && out_[start] == name[0] &&
           text_[pos_] == name[name.size() - j] &&
           SameBytes(out_.data() + start, name.data(), name.size() - j) &&
           SameBytes(text_.data() + pos_, name.data() + name.size() - j, j);
  }

  // A byte loop: the names are short, too short for a call to memcmp to pay.
  static bool SameBytes(const char* a, const char* b, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
      if (a[i] != b[i]) return false;
    }
    return true;
  }

  // Copies text to out_ up to the next occurrence of the name (kCall when it
  // lies in the untouched text at pos_, kOdd when it takes in rewritten bytes
  // or bytes on both sides of a rewrite), or to the end (kNone).
  Found FindNext() {
    const std::string_view name = row_.name;
    for (;;) {
      const std::size_t end = NextEdit();
      // Occurrences that begin in out_ and end in text_[pos_, end).
      const std::size_t reach = std::min(name.size() - 1, end - pos_);
      for (std::size_t j = 1; j <= reach; ++j) {
        if (NameStraddles(j)) return Found::kOdd;
      }
      if (next_plain_ != std::string_view::npos && next_plain_ < pos_) {
        next_plain_ = text_.find(name, pos_);
      }
      if (next_plain_ != std::string_view::npos && next_plain_ + name.size() <= end) {
        out_.append(text_, pos_, next_plain_ - pos_);
        pos_ = next_plain_;
        return Found::kCall;
      }
      out_.append(text_, pos_, end - pos_);
      pos_ = end;
      if (end == text_.size()) return Found::kNone;
      const std::string_view replacement = Replacement(end);
      s_.edits.pop_back();
      pos_ = end + 1;
      if (!AppendChecked(replacement)) return Found::kOdd;
    }
  }

  // Appends |piece| to out_; false when an occurrence of the name ends in it.
  bool AppendChecked(std::string_view piece) {
    const std::size_t before = out_.size();
    out_.append(piece);
    for (std::size_t stop = before + 1; stop <= out_.size(); ++stop) {
      if (NameEndsAt(stop)) return false;
    }
    return true;
  }

  // Rewrites the call at pos_, whose opening bracket at |open| is matched.
  // The next search starts name.size() - 1 bytes before the call, as no
  // occurrence begins earlier; false when one ends in the prefix.
  bool Rewrite(std::size_t open, bool is_not) {
    std::vector<std::uint32_t>& commas = s_.commas;
    commas.clear();
    std::size_t close = s_.links[open];
    while (text_[close] == ',') {
      commas.push_back(static_cast<std::uint32_t>(close));
      close = s_.links[close];
    }
    const bool with_prefix = !is_not || NotTakesPrefix(open, close);
    s_.edits.push_back(static_cast<std::uint32_t>(close));
    s_.edits.insert(s_.edits.end(), commas.rbegin(), commas.rend());
    pos_ = open + 1;
    search_from_ = out_.size() - std::min(row_.name.size() - 1, out_.size());
    return !with_prefix || AppendChecked(row_.prefix);
  }

  // The first byte after text_[close] as the line now reads; empty at its end.
  // Edits pending after a call lie beyond its closing bracket, the nearest on top.
  std::string_view ByteAfter(std::size_t close) const {
    std::size_t at = close + 1;
    for (std::size_t k = s_.edits.size(); k > 0 && s_.edits[k - 1] == at; --k, ++at) {
      const std::string_view replacement = Replacement(at);
      if (!replacement.empty()) return replacement.substr(0, 1);
    }
    return text_.substr(std::min(at, text_.size()), 1);
  }

  // The number of "!=" in the byte before the call, the call rewritten with or
  // without the prefix, and the byte after it. The byte after it counts only
  // after a '!', so it is looked for only then.
  std::size_t RewrittenBangs(std::size_t open, std::size_t close, bool with_prefix) const {
    BangCounter counter(text_, s_.bangs);
    counter.Add(std::string_view(out_).substr(out_.size() - std::min<std::size_t>(out_.size(), 1)));
    if (with_prefix) counter.Add(row_.prefix);
    std::size_t from = open + 1;
    for (const std::uint32_t comma : s_.commas) {
      counter.AddText(from, comma);
      counter.Add(row_.infix);
      from = comma + std::size_t{1};
    }
    counter.AddText(from, close);
    if (row_.unary) counter.Add(row_.infix);
    if (counter.EndsWithBang()) counter.Add(ByteAfter(close));
    return counter.count();
  }

  // Whether a "Not" call takes its prefix: only when the line after the
  // rewrite would hold no "!=" without it. Keeps inequalities_ up to date.
  bool NotTakesPrefix(std::size_t open, std::size_t close) {
    BangCounter call(text_, s_.bangs);
    // The call starts with 'N' and ends with ')', so the bytes around it add none.
    call.AddText(pos_, close + 1);
    const std::size_t outside = inequalities_ - call.count();
    const std::size_t without_prefix = outside + RewrittenBangs(open, close, false);
    if (without_prefix > 0) {
      inequalities_ = without_prefix;
      return false;
    }
    inequalities_ = outside + RewrittenBangs(open, close, true);
    return true;
  }

  // Copies the rest of the text to out_, with the edits still pending.
  void EmitRest() {
    for (;;) {
      const std::size_t end = NextEdit();
      out_.append(text_, pos_, end - pos_);
      if (end == text_.size()) break;
      out_.append(Replacement(end));
      s_.edits.pop_back();
      pos_ = end + 1;
    }
    pos_ = text_.size();
  }

  const std::string_view text_;  // the line before the row; out_ and the edits say what it is now
  const CallRow& row_;
  LinearCallsScratch& s_;
  std::string& out_;              // the line as rewritten, up to pos_
  std::size_t pos_ = 0;           // text_ before it has gone to out_
  std::size_t search_from_ = 0;   // in out_: where the next search starts
  std::size_t next_plain_ = 0;    // the first occurrence of the name in text_ at or after pos_
  std::size_t inequalities_ = 0;  // "!=" on the line as it now reads
};

}  // namespace

LinearOutcome RewriteCallsLinearly(std::string* line, const CallRow& row, std::size_t limit,
                                   std::size_t start, LinearCallsScratch* scratch) {
  if (line->size() >= kUnmatched - 1) return {.stopped = true, .resume_at = start};
  const std::size_t first = line->find(row.name, start);
  if (first == std::string::npos || limit == 0) return {};
  LinearOutcome outcome;
  {
    Walk walk(*line, row, scratch);
    outcome = walk.Run(start, first, limit);
  }
  line->swap(scratch->out);
  return outcome;
}

}  // namespace q9
