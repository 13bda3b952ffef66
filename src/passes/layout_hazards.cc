#include "passes/layout_hazards.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "passes/correct_liner.h"
#include "passes/precedence.h"

namespace q9 {
namespace {

constexpr std::size_t kNone = std::string_view::npos;
constexpr std::size_t kShownBytes = 40;

std::string Shown(std::string_view text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == ' ')) text.remove_suffix(1);
  if (text.size() <= kShownBytes) return "\"" + std::string(text) + "\"";
  return "\"" + std::string(text.substr(0, kShownBytes)) + "...\"";
}

// Where the block comment that is open at |from| ends in |line|: just after its
// "*/", or kNone.
std::size_t CommentEnd(std::string_view line, std::size_t from) {
  const std::size_t end = line.find("*/", from);
  return end == kNone ? kNone : end + 2;
}

// Walks |line| from |from| as code; returns whether a block comment is still
// open at its end.
bool OpensComment(std::string_view line, std::size_t from) {
  for (std::size_t i = line.find_first_of("\"/", from); i < line.size();
       i = line.find_first_of("\"/", i + 1)) {
    if (line[i] == '"') {
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\') ++i;
      }
    } else if (line.substr(i).starts_with("//")) {
      return false;
    } else if (line.substr(i).starts_with("/*")) {
      i = CommentEnd(line, i + 2);
      if (i == kNone) return true;
      --i;
    }
  }
  return false;
}

// The separators of the piece |piece| of a line split at |separator| as
// Correct splits it: calls |split| with each accepted one's position in
// |piece| that has text after it. Returns the last piece's start.
template <typename Split>
std::size_t ForEachSplit(std::string_view piece, char separator, Split split) {
  std::size_t start = 0;
  for (;;) {
    const std::size_t p = AcceptedSeparator(piece.substr(start), separator);
    if (p == kNone || start + p + 1 == piece.size()) return start;
    split(start + p);
    start += p + 1;
  }
}

// What a header line keeps of |piece|, a piece that ends in its accepted
// colon, in front of "(){": the text after the last blank before the colon.
std::string HeaderQuote(std::string_view piece) {
  const std::string_view text = piece.substr(0, AcceptedSeparator(piece, ':'));
  const std::size_t blank = text.rfind(' ');
  return std::string(blank == kNone ? text : text.substr(blank + 1)) + "(){";
}

std::string WithoutLeadingBlanks(std::string_view text) {
  const std::size_t start = text.find_first_not_of(" \t");
  return start == kNone ? "" : std::string(text.substr(start));
}

// One input line's warnings and covered headers, with |*next| the index in
// Correct's result of its first piece, moved past its last.
void NoteSplits(std::string_view line, std::size_t comment_end, std::size_t* next,
                std::vector<Hazard>* hazards, std::vector<std::size_t>* covered) {
  bool comment_noted = false;
  bool scope_pending = false;  // the next colon piece is the second half of a "::"
  auto note = [&](std::size_t at, std::string quote, std::string what, bool header = true) {
    hazards->push_back(
        {.kind = HazardKind::kOddSplit,
         .line = at,
         .column = 0,
         .quote = std::move(quote),
         .source = "Correct",
         .what = "Correct split " + Shown(line) + " " + std::move(what),
         .advice = header ? "its pieces became lines of their own, this one a function header "
                            "closed by a \"}\"; join them again"
                          : "the comment's text now spans more lines; make sure it still "
                            "closes where it did"});
  };
  // Each colon piece is split at semicolons in turn; its colon, if it has one,
  // ends its last piece, which is returned.
  auto colon_piece = [&](std::size_t offset, std::string_view piece) {
    std::size_t start = 0;
    ForEachSplit(piece, ';', [&](std::size_t p) {
      if (!comment_noted && offset + p < comment_end) {
        note(*next, WithoutLeadingBlanks(piece.substr(start, p + 1 - start)),
             "inside a block comment, at a \";\"", false);
        comment_noted = true;
      }
      start = p + 1;
      ++*next;
    });
    ++*next;
    return piece.substr(start);
  };
  std::size_t offset = 0;
  const std::size_t last = ForEachSplit(line, ':', [&](std::size_t c) {
    const std::string_view header_piece = colon_piece(offset, line.substr(offset, c + 1 - offset));
    const std::size_t header = *next - 1;
    bool covered_here = scope_pending;
    scope_pending = false;
    if (covered_here) {
      // The "::" was named with its first half.
    } else if (c + 1 < line.size() && line[c + 1] == ':') {
      note(header, HeaderQuote(header_piece), "inside \"::\"");
      covered_here = scope_pending = true;
    } else if (line.substr(offset, c - offset).find('?') != kNone) {
      note(header, HeaderQuote(header_piece), "at the \":\" of a \"?:\" expression");
      covered_here = true;
    } else if (c < comment_end && !comment_noted) {
      note(header, HeaderQuote(header_piece), "inside a block comment, at a \":\"");
      covered_here = comment_noted = true;
    }
    if (covered_here || c < comment_end) covered->push_back(header);
    offset = c + 1;
  });
  colon_piece(last, line.substr(last));
  // A line that ends in "::" keeps its second colon on a header of its own.
  if (scope_pending) covered->push_back(*next - 1);
}

bool IsPlainWord(std::string_view word) {
  return !word.empty() && !(word.front() >= '0' && word.front() <= '9') &&
         std::all_of(word.begin(), word.end(), IsWordByte);
}

// Whether a header's text before its colon is a name, maybe after words such
// as "protected", with single blanks between them, as FuncCorrect expects.
bool IsPlainHeader(std::string_view text) {
  static constexpr std::string_view kLabelWords[] = {"case", "default"};
  const std::size_t start = text.find_first_not_of(" \t");
  // A blank before the colon puts " func " between the name and its brackets.
  if (start == kNone || text.back() == ' ' || text.back() == '\t') return false;
  text.remove_prefix(start);
  std::string_view word;
  for (;;) {
    const std::size_t blank = text.find(' ');
    word = text.substr(0, blank);
    if (!word.empty() && !IsPlainWord(word)) return false;
    if (blank == kNone) break;
    text.remove_prefix(blank + 1);
  }
  return std::find(std::begin(kLabelWords), std::end(kLabelWords), word) == std::end(kLabelWords);
}

}  // namespace

std::vector<std::size_t> CommentedPrefixes(const LineList& lines) {
  std::vector<std::size_t> prefixes(lines.size(), 0);
  bool open = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::size_t from = 0;
    if (open) {
      prefixes[i] = CommentEnd(lines[i], 0);
      if (prefixes[i] == kNone) continue;
      from = prefixes[i];
    }
    open = OpensComment(lines[i], from);
  }
  return prefixes;
}

std::vector<Hazard> SplitHazards(const LineList& lines, std::vector<std::size_t>* covered_headers) {
  const std::vector<std::size_t> comments = CommentedPrefixes(lines);
  std::vector<Hazard> hazards;
  std::size_t next = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    NoteSplits(lines[i], comments[i], &next, &hazards, covered_headers);
  }
  return hazards;
}

std::vector<std::size_t> HeaderLines(const LineList& lines) {
  std::vector<std::size_t> headers;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (AcceptedSeparator(lines[i], ':') != kNone) headers.push_back(i);
  }
  return headers;
}

std::vector<Hazard> HeaderHazards(const LineList& lines, std::span<const std::size_t> headers,
                                  std::span<const std::size_t> covered) {
  const std::vector<std::size_t> comments = CommentedPrefixes(lines);
  std::vector<Hazard> hazards;
  for (const std::size_t i : headers) {
    if (std::binary_search(covered.begin(), covered.end(), i)) continue;
    const std::string_view line = lines[i];
    const std::size_t colon = AcceptedSeparator(line, ':');
    std::string what;
    if (colon < comments[i]) {
      what = ", a line inside a block comment";
    } else if (!IsPlainHeader(line.substr(0, colon))) {
      what = ", whose text before the colon is no plain name";
    } else {
      continue;
    }
    hazards.push_back(
        {.kind = HazardKind::kOddHeader,
         .line = i,
         .column = 0,
         .quote = HeaderQuote(line),
         .source = "FuncCorrect",
         .what = "FuncCorrect made a function header of " + Shown(line) + what,
         .advice = "undo this \"func\" line and the \"}\" above the next header if the colon "
                   "was no label"});
  }
  return hazards;
}

std::size_t LineAfterHeaders(std::span<const std::size_t> headers, std::size_t line) {
  const auto up_to = std::upper_bound(headers.begin(), headers.end(), line) - headers.begin();
  return line + static_cast<std::size_t>(std::max<std::ptrdiff_t>(up_to - 1, 0));
}

}  // namespace q9
