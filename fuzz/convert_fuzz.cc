// The whole conversion over any bytes: it ends, keeps every line free of LF,
// splits lines only into pieces that join back, and a second conversion of its
// output adds no second directive line or update marker. It must also agree
// with the plain way of running the stages: the line splitter swept until
// nothing changes, and every row's single runs repeated while they change
// something, on every line.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>

#include "linestore/line_store.h"
#include "passes/correct.h"
#include "passes/correct_liner.h"
#include "passes/exchange.h"
#include "passes/func_correct.h"
#include "passes/strict.h"
#include "passes/var_function.h"
#include "pipeline/pipeline.h"

namespace {

void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "conversion property broken: %s\n", what);
  std::abort();
}

// The pieces the statement layout makes of each line, at either separator,
// must give the line back when joined.
void RequirePiecesJoinBack(const q9::LineList& lines) {
  for (const std::string& line : lines) {
    for (char separator : {':', ';'}) {
      q9::LineList pieces;
      q9::SplitAtSeparators(line, separator, &pieces);
      std::string joined;
      for (const std::string& piece : pieces) joined += piece;
      Require(joined == line, "the pieces of a line do not join back to it");
    }
  }
}

std::size_t DirectiveLines(const q9::LineList& lines) {
  return static_cast<std::size_t>(
      std::count(lines.begin(), lines.end(), std::string(q9::kStrictDirective)));
}

std::size_t MarkerLines(const q9::LineList& lines) {
  return static_cast<std::size_t>(std::count_if(lines.begin(), lines.end(), [](const auto& line) {
    return line.find(q9::kUpdateMarker) != std::string::npos;
  }));
}

bool AnyLineHolds(const q9::LineList& lines, std::string_view text) {
  return std::any_of(lines.begin(), lines.end(),
                     [text](const auto& line) { return line.find(text) != std::string::npos; });
}

q9::LineList Converted(q9::LineList lines, q9::Conversion* conversion) {
  *conversion = q9::Convert(&lines);
  Require(conversion->failure == q9::StageFailure::kNone, "a stage failed on a small input");
  for (const std::string& line : lines) {
    Require(line.find('\n') == std::string::npos, "a converted line holds an LF");
  }
  return lines;
}

// Sweeping the whole list again and again costs the square of the statements
// on a line, so the plain splitter is the yardstick only for smaller inputs.
constexpr std::size_t kPlainSplitterLimit = 1024;

void SweepUntilStable(q9::LineList* lines, char separator) {
  for (;;) {
    q9::LineList next = q9::CorrectLiner(*lines, separator);
    if (next.size() == lines->size()) return;  // a sweep that splits adds lines
    *lines = std::move(next);
  }
}

// The stages run the plain way, one pass run at a time.
q9::Conversion PlainConversion(q9::LineList* lines, bool plain_splitter) {
  q9::Conversion result;
  result.changed |= q9::Strict(lines);
  if (plain_splitter) {
    const std::size_t before = lines->size();
    SweepUntilStable(lines, ':');
    SweepUntilStable(lines, ';');
    result.changed |= lines->size() != before;
  } else {
    result.changed |= q9::Correct(lines);
  }
  result.changed |= q9::FuncCorrect(lines);
  const auto rows = q9::PipelineRows();
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const q9::Row& row = rows[r];
    if (row.pass == q9::RowPass::kExchange) {
      while (q9::Exchange(lines, row.name, row.text)) result.changed = true;
      continue;
    }
    for (;;) {
      const q9::RunResult run = q9::VarFunction(lines, row.name, row.prefix, row.text, row.unary);
      if (run.bracket_error) result.bracket_errors.push_back({r, *run.bracket_error});
      if (!run.changed) break;
      result.changed = true;
    }
  }
  return result;
}

void RequireSameAsPlain(const q9::LineList& input, const q9::LineList& converted,
                        const q9::Conversion& conversion, std::size_t input_size) {
  q9::LineList plain = input;
  const q9::Conversion expected = PlainConversion(&plain, input_size <= kPlainSplitterLimit);
  Require(converted == plain, "the lines differ from the plain way's");
  Require(conversion.changed == expected.changed, "the changed flag differs from the plain way's");
  Require(conversion.bracket_errors.size() == expected.bracket_errors.size(),
          "the bracket errors differ from the plain way's");
  for (std::size_t k = 0; k < expected.bracket_errors.size(); ++k) {
    Require(conversion.bracket_errors[k].row == expected.bracket_errors[k].row &&
                conversion.bracket_errors[k].line == expected.bracket_errors[k].line,
            "a bracket error differs from the plain way's");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const q9::LineList input = q9::SplitLines(bytes);
  RequirePiecesJoinBack(input);

  q9::Conversion conversion;
  const q9::LineList once = Converted(input, &conversion);
  RequirePiecesJoinBack(once);
  RequireSameAsPlain(input, once, conversion, size);

  // A second conversion must end as well; of its header lines, it may add the
  // directive or the marker only where the first one's rows broke them (a row
  // erases the byte after a call's name, whatever it is). Counted on what the
  // header stage adds: a later row may also free a "#strict" onto a line of
  // its own by erasing the comment opener that held its line together.
  Converted(once, &conversion);
  q9::LineList again = once;
  q9::Strict(&again);
  const bool has_directive = AnyLineHolds(once, q9::kStrictDirective);
  const bool has_marker = AnyLineHolds(once, q9::kUpdateMarker);
  Require(DirectiveLines(again) <= DirectiveLines(once) + (has_directive ? 0 : 1),
          "a second conversion added a second directive");
  Require(MarkerLines(again) <= MarkerLines(once) + (has_marker ? 0 : 1),
          "a second conversion added a second marker");
  return 0;
}
