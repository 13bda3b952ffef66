#include "hazards/check.h"

#include <algorithm>
#include <future>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "hazards/dead_stores.h"
#include "hazards/explain.h"
#include "linestore/thread_start.h"
#include "syntax/labels.h"
#include "syntax/meaning.h"
#include "syntax/parser.h"

namespace q9 {
namespace {

// What a range of a script holds, in order: functions' headers and ends, and
// statements by meaning.
struct Item {
  // kBroken: a statement that does not read, skipped up to its ";".
  enum Kind { kHeader, kStatement, kEnd, kBroken } kind = kStatement;
  // kHeader: the function's name; kStatement: what it computes; both hashed,
  // for a script holds hundreds of thousands of them.
  std::size_t meaning = 0;
  Place place;          // where it starts
  Place error{};        // kBroken: where it stops reading
};

struct Reading {
  std::vector<Item> items;
  std::string comments;  // the text of every comment, blanks left out
  std::size_t first_comment_line = 0;
  bool ok = true;
  Place error;                 // where reading stopped, when !ok
  std::optional<Place> too_deep;  // the first statement too deep to be read, if any
  bool ends_in_comment = false;  // whether the range's end lies in a block comment
};

Place PlaceOf(const Token& token) { return {token.line, token.column}; }

// The name that starts at |place| of |lines|.
std::string_view NameAt(LineViews lines, Place place) {
  const std::string_view rest = lines[place.line].substr(place.column);
  return rest.substr(0, static_cast<std::size_t>(
                            std::find_if_not(rest.begin(), rest.end(), IsWordChar) - rest.begin()));
}

// Where |line| holds the label |name| (the name, blanks, a colon), or npos.
std::size_t LabelColumn(std::string_view line, std::string_view name) {
  for (std::size_t at = line.find(name); at != std::string_view::npos;
       at = line.find(name, at + 1)) {
    if (at > 0 && IsWordChar(line[at - 1])) continue;
    std::size_t end = at + name.size();
    while (end < line.size() && (line[end] == ' ' || line[end] == '\t')) ++end;
    if (end < line.size() && line[end] == ':') return at;
  }
  return std::string_view::npos;
}

// Room that one reading after another reuses: a script holds many functions.
struct ReadScratch {
  Tree tree;
  Meaning reader;
  std::string meaning;
  std::vector<Token> comments;
};

// Reads [begin, end) of |lines| in the old syntax (labels) or the strict one
// into |*out|, whose room is reused.
void Read(LineViews lines, Place begin, Place end, bool in_comment, bool strict,
          ReadScratch* scratch, Reading* out) {
  Reading& reading = *out;
  std::vector<Item> items = std::move(reading.items);
  std::string comment_text = std::move(reading.comments);
  reading = {};
  reading.items = std::move(items);
  reading.items.clear();
  reading.comments = std::move(comment_text);
  reading.comments.clear();
  Lexer lexer(lines, begin.line, begin.column, end.line, end.column, in_comment);
  std::vector<Token>& comments = scratch->comments;
  comments.clear();
  lexer.set_comment_sink(&comments);
  Parser parser(&lexer);
  Tree& tree = scratch->tree;
  Meaning& reader = scratch->reader;
  std::string& meaning = scratch->meaning;
  bool in_function = false;
  int open_blocks = 0;  // opened by statements that did not read, and not closed yet
  auto fail = [&](const Token& at) {
    reading.ok = false;
    reading.error = PlaceOf(at);
  };
  while (!parser.AtEnd()) {
    const Place place = PlaceOf(parser.NextToken());
    Token name;
    if (strict ? parser.TakeFuncHeader(&name) : parser.TakeLabel(&name)) {
      if (in_function && !strict) reading.items.push_back({Item::kEnd, 0, place});
      if (in_function && strict) {
        if (reading.ok) fail(name);
        break;
      }
      reading.items.push_back({Item::kHeader, std::hash<std::string_view>()(lexer.Text(name)), place});
      in_function = true;
      continue;
    }
    if (open_blocks > 0 && parser.TakeClosingBrace()) {
      --open_blocks;
      continue;
    }
    if (strict && in_function && parser.TakeClosingBrace()) {
      reading.items.push_back({Item::kEnd, 0, place});
      in_function = false;
      continue;
    }
    if (!parser.ParseStatement(&tree)) {
      // The first error is the one to name; the statements after it are
      // still read, so that what changed there is named too.
      if (reading.ok) fail(parser.error());
      if (parser.too_deep() && !reading.too_deep) reading.too_deep = place;
      reading.items.push_back({Item::kBroken, 0, place, PlaceOf(parser.error())});
      open_blocks = std::max(0, open_blocks + parser.SkipStatement());
      continue;
    }
    meaning.clear();
    reader.Reset(tree, lines);
    reader.AppendStatement(&meaning);
    if (!meaning.empty()) {
      reading.items.push_back({Item::kStatement, std::hash<std::string>()(meaning), place});
    }
  }
  if (reading.ok && in_function) {
    if (strict) {
      fail(parser.NextToken());
    } else {
      reading.items.push_back({Item::kEnd, 0, end});
    }
  }
  while (lexer.Next().kind != TokenKind::kEnd) {
  }
  reading.ends_in_comment = lexer.in_comment();
  for (const Token& comment : comments) {
    for (char c : lexer.Text(comment)) {
      if (c != ' ' && c != '\t' && c != '\r' && c != '\v' && c != '\f') reading.comments.push_back(c);
    }
  }
  if (!comments.empty()) reading.first_comment_line = comments.front().line;
}

// Whether a range of functions ends inside a block comment, on each side.
struct CommentState {
  bool before = false;
  bool after = false;
  bool operator==(const CommentState&) const = default;
};

// Stands for no converted line: the header of what comes before the first
// function, which has none, or no line looked at yet.
constexpr std::size_t kNoHeader = static_cast<std::size_t>(-1);

// A function of the old script and where its conversion stands.
struct Region {
  Place before;            // where it starts before conversion
  std::size_t after = 0;   // the converted line it starts at
};

class Checker {
 public:
  Checker(LineViews before, LineViews after, const LineMap& map)
      : before_(before), after_(after), map_(map) {
    while (first_line_ < map.origin.size() && map.origin[first_line_] == kAddedLine) ++first_line_;
  }

  // Checks the functions [from, to) of |regions|, the first of which starts
  // in a block comment as |state| says, and returns the state at their end.
  // The warnings are kept in order of function, not yet of line.
  CommentState Check(std::span<const Region> regions, std::size_t from, std::size_t to,
                     CommentState state) {
    for (std::size_t k = from; k < to; ++k) {
      const Place before_end =
          k + 1 < regions.size() ? regions[k + 1].before : Place{before_.size(), 0};
      const std::size_t after_end = k + 1 < regions.size() ? regions[k + 1].after : after_.size();
      Read(before_, regions[k].before, before_end, state.before, false, &scratch_, &old_reading_);
      Read(after_, {regions[k].after, 0}, {after_end, 0}, state.after, true, &scratch_,
           &new_reading_);
      state = {old_reading_.ends_in_comment, new_reading_.ends_in_comment};
      Compare(old_reading_, new_reading_, regions[k], before_end, after_end, k == 0);
    }
    return state;
  }

  Hazards TakeHazards() { return std::move(hazards_); }

  // The functions' starts: every top-level label (|labels|, as TopLevelLabels
  // finds them in the script before) that the conversion made a header. Each
  // other label goes to |*lost|, as its name and the converted line the search
  // for it ended at.
  std::vector<Region> Regions(std::span<const Label> labels, std::vector<Region>* lost) const {
    // The lines the header stage added on top hold nothing to compare.
    std::vector<Region> regions{{{0, 0}, first_line_}};
    const std::span<const Origin> origin = map_.origin.subspan(first_line_);
    Place previous{};  // the label before, and the piece that holds it
    std::size_t previous_piece = 0;
    for (const Label& found : labels) {
      const Place& label = found.start;
      // The converted lines of the label's line, and among them the piece that holds it.
      const auto [from, to] = std::equal_range(origin.begin(), origin.end(), label.line);
      if (from == to) continue;
      const std::size_t first_piece = static_cast<std::size_t>(from - origin.begin()) + first_line_;
      std::size_t piece = first_piece;
      const std::size_t last = static_cast<std::size_t>(to - origin.begin()) + first_line_;
      // A label further on the same line lies in the same piece or a later
      // one: the search goes on from there, or a line of many labels would
      // take the square of their number.
      if (previous_piece >= piece && previous.line == label.line &&
          previous.column <= label.column) {
        piece = previous_piece;
      }
      while (piece + 1 < last && map_.origin_column[piece + 1] <= label.column) ++piece;
      // The "}" that ends a function with nothing in it stands where its
      // header does, so the search may go one step past the header.
      const auto is_header = [this](std::size_t at) {
        return std::binary_search(map_.headers.begin(), map_.headers.end(), at);
      };
      if (!is_header(piece) && piece > first_piece &&
          map_.origin_column[piece - 1] == map_.origin_column[piece] && is_header(piece - 1)) {
        --piece;
      }
      previous = label;
      previous_piece = piece;
      if (!is_header(piece)) {
        lost->push_back({found.name, piece});
        continue;
      }
      if (piece <= regions.back().after && regions.size() > 1) continue;
      regions.push_back({label, piece});
    }
    return regions;
  }

 private:
  // The first converted line that came from line |line| before, or the nearest
  // after it, among a function's converted lines [region_begin, region_end),
  // which hold its header at least.
  std::size_t ConvertedLine(std::size_t line, std::size_t region_begin, std::size_t region_end) const {
    const auto at = std::lower_bound(map_.origin.begin() + static_cast<long>(first_line_),
                                     map_.origin.end(), line);
    const std::size_t found = static_cast<std::size_t>(at - map_.origin.begin());
    return std::clamp(found, region_begin, region_end - 1);
  }

  void Compare(const Reading& old_reading, const Reading& new_reading, const Region& region,
               Place before_end, std::size_t after_end, bool prelude) {
    const std::size_t last_line = after_end > region.after ? after_end - 1 : region.after;
    if (old_reading.comments != new_reading.comments) NoteComments(new_reading, last_line);
    if (!old_reading.ok) {
      // Nothing to compare with; only say so where the conversion touched more than the header.
      if (!prelude) {
        ExplainUnchecked(before_, region.before, before_end, old_reading.error, after_,
                         region.after, after_end,
                         ConvertedLine(old_reading.error.line, region.after, after_end), &hazards_);
      }
      return;
    }
    if (prelude && new_reading.ok) return;  // statements outside functions are never run
    if (new_reading.too_deep) {
      // Not broken as far as can be told, but not to be compared either.
      if (!prelude) NoteTooDeep(std::min(new_reading.too_deep->line, last_line));
      return;
    }
    const std::vector<Item>& old_items = old_reading.items;
    const std::vector<Item>& new_items = new_reading.items;
    std::size_t i = 0;
    while (i < old_items.size() && i < new_items.size() &&
           old_items[i].kind == new_items[i].kind && old_items[i].meaning == new_items[i].meaning) {
      ++i;
    }
    const bool same_length = old_items.size() == new_items.size();
    if (new_reading.ok && i == old_items.size() && same_length) return;
    const Item* old_item = i < old_items.size() ? &old_items[i] : nullptr;
    const Item* new_item = i < new_items.size() ? &new_items[i] : nullptr;
    // The items read before the first statement that no longer reads; the
    // tail's warnings come after it.
    const std::size_t read = static_cast<std::size_t>(
        std::find_if(new_items.begin(), new_items.end(),
                     [](const Item& item) { return item.kind == Item::kBroken; }) -
        new_items.begin());
    const std::size_t tail_from = read < new_items.size() ? std::max(i, read) + 1 : i + 1;
    if (!new_reading.ok) {
      // Where the converted function stops reading, that is said first.
      Place error = new_reading.error;
      if (error.line > last_line) error = {last_line, 0};
      const std::size_t aligned = std::min(read, old_items.size());
      const Item* at_error = aligned < old_items.size() ? &old_items[aligned] : nullptr;
      ExplainBroken(before_, at_error != nullptr && at_error->kind == Item::kStatement,
                    at_error != nullptr ? at_error->place : before_end, before_end, after_, error,
                    prelude ? kNoHeader : region.after, map_, &hazards_);
      if (i == new_items.size()) return;
    }
    if (old_item != nullptr && new_item != nullptr && old_item->kind == Item::kStatement &&
        new_item->kind == Item::kStatement) {
      // While both sides hold the same run of items, every statement that
      // differs gets its own warning.
      const bool aligned = new_reading.ok && same_length &&
                           std::equal(old_items.begin(), old_items.end(), new_items.begin(),
                                      [](const Item& a, const Item& b) { return a.kind == b.kind; });
      std::vector<bool> old_dead, new_dead;  // from item i on, found at the first need
      for (std::size_t k = i; k < (aligned ? old_items.size() : i + 1); ++k) {
        if (old_items[k].meaning == new_items[k].meaning) continue;
        const Place old_end = k + 1 < old_items.size() ? old_items[k + 1].place : before_end;
        const Place new_end =
            k + 1 < new_items.size() ? new_items[k + 1].place : Place{after_end, 0};
        ParsedStatement& old_statement = old_statement_;
        ParsedStatement& new_statement = new_statement_;
        ParseStatementAt(before_, old_items[k].place, old_end, &old_statement);
        ParseStatementAt(after_, new_items[k].place, new_end, &new_statement);
        // The runs of statements are walked only for one that may be a dead store.
        const bool may_be_dead =
            aligned && OnlyStores(old_statement, before_) && OnlyStores(new_statement, after_);
        if (may_be_dead && old_dead.empty()) {
          old_dead = DeadItems(before_, old_items, i, before_end);
          new_dead = DeadItems(after_, new_items, i, Place{after_end, 0});
        }
        if (may_be_dead && old_dead[k - i] && new_dead[k - i]) {
          NoteHarmless(new_items[k].place.line,
                       "this statement was rewritten into one that computes something else, but "
                       "what it stores is stored over before anything reads it");
          continue;
        }
        ExplainChange(before_, old_statement, after_, new_statement, new_items[k].place, &hazards_);
      }
      if (!aligned && !prelude) {
        ExplainTail(old_items, i + 1, new_items, tail_from, before_end, after_end);
      }
      return;
    }
    if (!new_reading.ok) {
      if (!prelude) ExplainTail(old_items, i + 1, new_items, tail_from, before_end, after_end);
      return;
    }
    const Place at = new_item != nullptr ? new_item->place : Place{last_line, 0};
    ExplainLayout(after_, at, &hazards_);
  }

  // Past a place where the two sides part (a statement that no longer reads,
  // or one split in two), the items from the end back to |old_from| and
  // |new_from| that still pair up: every statement among them that computes
  // something else or no longer reads.
  void ExplainTail(const std::vector<Item>& old_items, std::size_t old_from,
                   const std::vector<Item>& new_items, std::size_t new_from, Place before_end,
                   std::size_t after_end) {
    for (std::size_t a = old_items.size(), b = new_items.size(); a > old_from && b > new_from;
         --a, --b) {
      const Item& old_item = old_items[a - 1];
      const Item& new_item = new_items[b - 1];
      const Place old_end = a < old_items.size() ? old_items[a].place : before_end;
      if (old_item.kind == Item::kStatement && new_item.kind == Item::kBroken) {
        ExplainBroken(before_, true, old_item.place, old_end, after_, new_item.error, kNoHeader,
                      map_, &hazards_);
        continue;
      }
      if (old_item.kind != new_item.kind) break;
      if (old_item.kind != Item::kStatement || old_item.meaning == new_item.meaning) continue;
      ExplainChange(before_, old_item.place, old_end, after_, new_item.place,
                    b < new_items.size() ? new_items[b].place : Place{after_end, 0}, &hazards_);
    }
  }

  // For each item from |from| on (the first at index 0): whether it is a
  // statement whose stores are dead (see DeadStores) in its run of statements.
  static std::vector<bool> DeadItems(LineViews lines, const std::vector<Item>& items,
                                     std::size_t from, Place end) {
    std::vector<bool> dead(items.size() - from);
    for (std::size_t k = from; k < items.size();) {
      if (items[k].kind != Item::kStatement) {
        ++k;
        continue;
      }
      StatementRun run{lines, {}, end};
      const std::size_t first = k;
      for (; k < items.size() && items[k].kind == Item::kStatement; ++k) {
        run.starts.push_back(items[k].place);
      }
      if (k < items.size()) run.end = items[k].place;
      const std::vector<bool> flags = DeadStores(run);
      std::copy(flags.begin(), flags.end(), dead.begin() + static_cast<long>(first - from));
    }
    return dead;
  }

  void NoteHarmless(std::size_t line, std::string what) {
    Hazard note;
    note.kind = HazardKind::kHarmless;
    note.line = line;
    note.what = std::move(what);
    note.advice = "nothing needs doing, unless you change the lines after it";
    hazards_.push_back(std::move(note));
  }

  void NoteComments(const Reading& reading, std::size_t last_line) {
    Hazard note;
    note.kind = HazardKind::kComment;
    note.line = std::min(reading.first_comment_line, last_line);
    note.what = "the text of a comment in this function was rewritten";
    note.advice = "nothing needs doing; compare it with the original if the text matters";
    hazards_.push_back(std::move(note));
  }

  void NoteTooDeep(std::size_t line) {
    Hazard hazard;
    hazard.kind = HazardKind::kUnchecked;
    hazard.line = line;
    hazard.what =
        "the converted function holds a statement nested or chained deeper than the "
        "checker reads, so its conversion was not checked";
    hazard.advice = "check the converted function by hand";
    hazards_.push_back(std::move(hazard));
  }

  LineViews before_;
  LineViews after_;
  const LineMap& map_;
  std::size_t first_line_ = 0;  // the first converted line that came from the script
  Hazards hazards_;
  ReadScratch scratch_;
  Reading old_reading_, new_reading_;  // the function being compared, each side
  ParsedStatement old_statement_, new_statement_;  // a statement that differs, each side
};

// A label that did not become a header leaves its function inside the one
// above, where the check of that function may have stopped before it: where
// nothing on its line warns yet, this says so. |lost| and |*hazards| are
// ordered by line.
void WarnLostLabels(LineViews before, LineViews after, std::span<const Origin> origin,
                    std::span<const Region> lost, Hazards* hazards) {
  auto at = hazards->begin();
  std::size_t looked = kNoHeader;  // the line the search for the label before ended at
  for (const Region& label : lost) {
    // A line can hold thousands of labels: only the first is looked for.
    if (label.after == looked) continue;
    looked = label.after;
    const std::string_view name = NameAt(before, label.before);
    std::size_t line = label.after;
    std::size_t column = LabelColumn(after[line], name);
    // The search may have ended at a "}" that the conversion added below it.
    if (column == std::string_view::npos && line > 0 && origin[line - 1] == origin[line]) {
      if (const std::size_t above = LabelColumn(after[line - 1], name);
          above != std::string_view::npos) {
        --line;
        column = above;
      }
    }
    while (at != hazards->end() && at->line < line) ++at;
    bool warned = false;
    for (; at != hazards->end() && at->line == line; ++at) warned = warned || !IsNote(at->kind);
    if (warned) continue;
    Hazard hazard;
    hazard.kind = HazardKind::kBroken;
    hazard.line = line;
    if (column != std::string_view::npos) {
      hazard.column = column;
      hazard.width = name.size();
    }
    hazard.what = "the label `" + std::string(name) +
                  "` did not become a function header, so its function is now part of the one "
                  "above and no longer reads as a script";
    hazard.advice = "write its function header by hand, and end the function above before it";
    hazards->insert(at, std::move(hazard));
  }
}

}  // namespace

Hazards CheckConversion(LineViews before, LineViews after, const LineMap& map,
                        std::size_t split_lines) {
  return CheckConversion(before, after, map, TopLevelLabels(before), split_lines);
}

Hazards CheckConversion(LineViews before, LineViews after, const LineMap& map,
                        std::vector<Label> labels, std::size_t split_lines) {
  Checker first(before, after, map);
  std::vector<Region> lost;
  const std::vector<Region> regions = first.Regions(labels, &lost);
  std::vector<Label>().swap(labels);
  const std::size_t half = regions.size() / 2;
  Hazards hazards;
  Hazards rest;  // the second half's, when it is read apart
  if (after.size() < split_lines || half == 0) {
    first.Check(regions, 0, regions.size(), {});
    hazards = first.TakeHazards();
  } else {
    // The second half is read on a thread of its own, on the guess that the
    // first half ends outside comments, as it does unless a comment is left
    // open; a wrong guess reads it again.
    Checker second(before, after, map);
    // Without a thread to be had, the second half is read after the first.
    std::future<CommentState> guessed =
        StartOnThread([&] { return second.Check(regions, half, regions.size(), {}); });
    const CommentState middle = first.Check(regions, 0, half, {});
    bool guessed_right = false;
    if (guessed.valid()) {
      guessed.get();  // the second half's end state is not needed
      guessed_right = middle == CommentState{};
    }
    hazards = first.TakeHazards();
    rest = second.TakeHazards();
    if (!guessed_right) {
      Checker again(before, after, map);
      again.Check(regions, half, regions.size(), middle);
      rest = again.TakeHazards();
    }
  }
  SortByLine(&hazards);
  SortByLine(&rest);
  MergeByLine(&hazards, &rest);
  WarnLostLabels(before, after, map.origin, lost, &hazards);
  return hazards;
}

}  // namespace q9
