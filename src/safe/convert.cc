#include "safe/convert.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "hazards/check.h"
#include "safe/calls.h"
#include "safe/layout.h"

namespace q9 {
namespace {

Conversion Run(LineList* lines, const ConvertOptions& options, LineViews given) {
  Conversion result;
  // The lines before (unless the caller keeps them) and as laid out are kept
  // as joined text, not as copies of the list.
  JoinedLines copied;
  if (given.empty()) copied.Copy(*lines);
  const LineViews before_views = given.empty() ? LineViews(copied.lines) : given;
  SafeLayout layout = LayOutSafely(lines);
  // Its views are made only when it is needed again, which is rare.
  const std::string laid_out = JoinLines(*lines);
  SafeCalls calls = ConvertCallsSafely(lines, layout.headers, {});
  const LineMap map{layout.origin, layout.origin_column, layout.headers};
  Hazards found = CheckConversion(before_views,
                                  std::vector<std::string_view>(lines->begin(), lines->end()), map);
  const bool any_warning = std::any_of(found.begin(), found.end(),
                                       [](const Hazard& h) { return !IsNote(h.kind); });
  if (any_warning) {
    // Whatever the calls did wrong, the old calls still compute what they did:
    // put them back in every function the check found changed.
    std::vector<bool> frozen(lines->size());
    for (const Hazard& hazard : found) {
      if (!IsNote(hazard.kind)) frozen[hazard.line] = true;
    }
    const std::vector<std::string_view> laid_out_lines = SplitViews(laid_out);
    const LineList first_try = std::move(*lines);
    lines->assign(laid_out_lines.begin(), laid_out_lines.end());
    calls = ConvertCallsSafely(lines, layout.headers, frozen);
    found = CheckConversion(before_views,
                            std::vector<std::string_view>(lines->begin(), lines->end()), map);
    NoteKeptCalls(first_try, *lines, layout.headers, frozen, &calls.hazards);
  }
  result.hazards = std::move(calls.hazards);
  result.hazards.splice(result.hazards.end(), found);
  SortByLine(&result.hazards);
  result.changed =
      !std::equal(lines->begin(), lines->end(), before_views.begin(), before_views.end());
  if (options.track_origin) {
    result.origin = std::move(layout.origin);
    result.origin_column = std::move(layout.origin_column);
    result.headers = std::move(layout.headers);
  }
  return result;
}

}  // namespace

void NoteKeptCalls(const LineList& first_try, const LineList& kept,
                   const std::vector<std::size_t>& headers, const std::vector<bool>& frozen,
                   Hazards* hazards) {
  for (std::size_t line = 0; line < frozen.size(); ++line) {
    if (!frozen[line]) continue;
    const auto next = std::upper_bound(headers.begin(), headers.end(), line);
    const std::size_t begin = next == headers.begin() ? 0 : *std::prev(next);
    const std::size_t end = next == headers.end() ? SIZE_MAX : *next;  // each list's end
    const auto from = [begin](const LineList& list) {
      return list.begin() + static_cast<long>(std::min(begin, list.size()));
    };
    const auto to = [end](const LineList& list) {
      return list.begin() + static_cast<long>(std::min(end, list.size()));
    };
    if (std::equal(from(first_try), to(first_try), from(kept), to(kept))) {
      continue;
    }
    hazards->push_back({.kind = HazardKind::kKeptCall,
                        .line = line,
                        .what = "the calls of this function were left in the old form: "
                                "converting them here would not have kept what it computes",
                        .advice = "nothing needs doing"});
  }
}

Conversion ConvertSafely(LineList* lines, const ConvertOptions& options, LineViews before) {
  try {
    return Run(lines, options, before);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  Conversion failed;
  failed.failure = StageFailure::kOutOfMemory;
  return failed;
}

}  // namespace q9
