#include "pipeline/pipeline.h"

#include <array>
#include <bit>
#include <cstdint>
#include <limits>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "passes/correct.h"
#include "passes/correct_liner.h"
#include "passes/func_correct.h"
#include "passes/rows.h"
#include "passes/strict.h"
#include "pipeline/conversion_hazards.h"
#include "pipeline/line_origin.h"

namespace q9 {
namespace {

using enum RowPass;

// Where one row's name lies inside another's, the longer name comes first
// (BitAnd before And, SEqual before Equal, DecVar before Dec, IncVar before Inc).
constexpr std::array<Row, 26> kRows = {{
    {kNormalOperator, "BitAnd", "", "&"},
    {kNormalOperator, "And", "", "&&"},
    {kNormalOperator, "Div", "", "/"},
    {kNormalOperator, "Mul", "", "*"},
    {kNormalOperator, "Mod", "", "%"},
    {kNormalOperator, "SEqual", "", "S="},
    {kNormalOperator, "Equal", "", "=="},
    {kNormalOperator, "GreaterThan", "", ">"},
    {kNormalOperator, "LessThan", "", "<"},
    {kNormalOperator, "Pow", "", "**"},
    {kNormalOperator, "Sub", "", "-"},
    {kNormalOperator, "Sum", "", "+"},
    {kNormalOperator, "Or", "", "||"},
    {kVarFunction, "SetVar", "Var(", ")=", false},
    {kVarFunction, "AssignVar", "Var(", ")=", false},
    {kVarFunction, "SetGlobal", "Global(", ")=", false},
    {kVarFunction, "SetLocal", "Local(", ")=", false},
    {kVarFunction, "DecVar", "Var(", ")--", true},
    {kVarFunction, "IncVar", "Var(", ")++", true},
    {kVarFunction, "Inc", "", "++", true},
    {kVarFunction, "Dec", "", "--", true},
    {kVarFunction, "Not", "!", "!=", false},
    // SetVar once more, as a row of its own: calls that the first SetVar row
    // left behind get a second chance after the rows in between have run.
    {kVarFunction, "SetVar", "Var(", ")=", false},
    {kExchange, "eq", "", "S="},
    {kExchange, "IsNewgfx", "", "BarrelConfiguration"},
    {kExchange, "SetSkyFade", "", "BarrelConfiguration"},
}};

RowOutcome RunRow(const Row& row, LineList* lines, const LineSubset& holders) {
  if (row.pass == kExchange) return RunExchangeRow(lines, row.name, row.text, holders);
  return RunCallRow(lines, {row.name, row.prefix, row.text, row.unary}, holders);
}

// The passes can only fail by running out of memory; that is turned into a
// value here so that the caller writes nothing and reports it.
template <typename Stage>
bool RunGuarded(Stage stage) {
  try {
    stage();
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
}

// The rows whose name (or find text) a line holds, one bit per row.
using RowSet = std::uint32_t;
static_assert(kRows.size() < 32);

// For every pair of bytes (the first one in the high half of the index), the
// rows whose name starts with that pair. Looking at two bytes at once keeps
// the walk below from stopping at every capital letter.
using RowsByFirstPair = std::array<RowSet, 1 << 16>;

const RowsByFirstPair& FirstPairTable() {
  static const RowsByFirstPair table = [] {
    RowsByFirstPair pairs{};
    for (std::size_t r = 0; r < kRows.size(); ++r) {
      const std::string_view name = kRows[r].name;  // every name has two bytes or more
      const unsigned first = static_cast<unsigned char>(name[0]);
      pairs[first << 8 | static_cast<unsigned char>(name[1])] |= RowSet{1} << r;
    }
    return pairs;
  }();
  return table;
}

// The rows whose name |line| holds, in one walk over it.
RowSet RowsIn(std::string_view line, const RowsByFirstPair& pairs) {
  RowSet found = 0;
  for (std::size_t i = 0; i + 1 < line.size(); ++i) {
    const unsigned first = static_cast<unsigned char>(line[i]);
    RowSet candidates = pairs[first << 8 | static_cast<unsigned char>(line[i + 1])];
    if (candidates == 0) continue;  // most pairs start no name
    candidates &= ~found;
    while (candidates != 0) {
      const int r = std::countr_zero(candidates);
      candidates &= candidates - 1;
      const std::string_view name = kRows[static_cast<std::size_t>(r)].name;
      if (line.substr(i).starts_with(name)) found |= RowSet{1} << r;
    }
  }
  return found;
}

// A row changes only lines that hold its name, and those lines alone decide
// where it stops, so each row is run on just those lines. Which names a line
// holds is found in one walk at the start; a line that a row has had may hold
// any name after it, so it is offered to every later row, whose own search
// then decides.
void RunRows(LineList* lines, Conversion* result) {
  // A list too long for LineIndex would need far more memory than any machine
  // has for its strings alone; it fails as if out of memory.
  if (lines->size() > std::numeric_limits<LineIndex>::max()) throw std::length_error("lines");
  const RowsByFirstPair& pairs = FirstPairTable();
  std::vector<RowSet> rows_in(lines->size());
  for (std::size_t i = 0; i < lines->size(); ++i) rows_in[i] = RowsIn((*lines)[i], pairs);
  LineBits holders(lines->size());
  for (std::size_t r = 0; r < kRows.size(); ++r) {
    const RowSet later_rows = ~(~RowSet{0} >> (31 - r));  // bits past the last row stay unread
    holders.Clear();
    bool any = false;
    for (std::size_t i = 0; i < lines->size(); ++i) {
      RowSet& rows = rows_in[i];
      if ((rows >> r & 1) != 0) {
        holders.Add(i);
        rows |= later_rows;
        any = true;
      }
    }
    if (!any) continue;  // the row's single run finds nothing
    const RowOutcome outcome = RunRow(kRows[r], lines, LineSubset(holders));
    result->changed |= outcome.changed;
    if (outcome.bracket_error) result->bracket_errors.push_back({r, *outcome.bracket_error});
  }
}

}  // namespace

std::span<const Row> PipelineRows() { return kRows; }

Conversion Convert(LineList* lines, const ConvertOptions& options) {
  Conversion result;
  bool& changed = result.changed;
  LineOrigins& origins = result.origin;
  const bool track = options.track_origin || options.collect_hazards;
  LineList before;
  if (!RunGuarded([&] {
        if (options.collect_hazards) before = *lines;
        const std::size_t count = lines->size();
        changed |= Strict(lines);
        if (track) origins = OriginsAfterHeader(count, lines->size() - count);
      })) {
    result.failure = StageFailure::kOutOfMemory;
  } else if (!RunGuarded([&] {
               std::vector<std::size_t> sizes;
               if (track) {
                 sizes.reserve(lines->size());
                 for (const std::string& line : *lines) sizes.push_back(line.size());
               }
               changed |= Correct(lines);
               if (track) {
                 origins = OriginsAfterSplits(origins, sizes, *lines, &result.origin_column);
               }
             })) {
    result.failure = StageFailure::kCorrect;
  } else if (!RunGuarded([&] {
               std::vector<bool> headers;
               if (track) {
                 headers.reserve(lines->size());
                 for (const std::string& line : *lines) {
                   headers.push_back(AcceptedSeparator(line, ':') != std::string_view::npos);
                 }
               }
               changed |= FuncCorrect(lines);
               if (track) {
                 origins = OriginsAfterFunctions(origins, headers, &result.headers,
                                                 &result.origin_column);
               }
             })) {
    result.failure = StageFailure::kFuncCorrect;
  } else if (!RunGuarded([&] {
               RunRows(lines, &result);
               if (options.collect_hazards) {
                 result.hazards = ConversionHazards(ViewsOf(before), ViewsOf(*lines), result);
               }
             })) {
    result.failure = StageFailure::kOutOfMemory;
  }
  if (result.failure != StageFailure::kNone || !options.track_origin) {
    origins.clear();
    result.origin_column.clear();
    result.headers.clear();
  }
  return result;
}

Conversion Convert(LineList* lines) { return Convert(lines, ConvertOptions()); }

}  // namespace q9
