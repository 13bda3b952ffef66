// The conversion with warnings on, as q9strict runs it by default, and with
// --safe: the exact lines are the same as without warnings, every warning lies
// on a line of the converted file, and the warnings and the unified diff are
// formatted without a fault (the sanitizers watch the formatting).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "batch/convert_job.h"
#include "batch/report.h"
#include "batch/unified_diff.h"
#include "linestore/line_store.h"
#include "pipeline/pipeline.h"

namespace {

void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "warnings property broken: %s\n", what);
  std::abort();
}

// Converts |input| as q9strict --diff does (every kind of warning; --safe
// when |safe|), checks where the warnings point and formats them and the diff.
void ConvertAndReport(const q9::LineList& input, bool ends_with_lf, bool safe,
                      const q9::LineList& plain) {
  q9::JobOptions options;
  options.mode = q9::BatchMode::kDiff;
  options.safe = safe;
  const std::vector<std::string_view> original(input.begin(), input.end());
  q9::LineList converted = input;
  q9::Conversion conversion = q9::ConvertForJob(original, &converted, options);
  Require(conversion.failure == q9::StageFailure::kNone, "a stage failed on a small input");
  if (!safe) Require(converted == plain, "warnings changed the converted lines");
  for (const q9::Hazard& hazard : conversion.hazards) {
    Require(hazard.line < converted.size(), "a warning points past the last line");
    Require(hazard.column <= converted[hazard.line].size(), "a warning points past its line's end");
  }
  q9::FileReport report;
  report.path = "f.c";
  q9::TakeWarnings(&conversion, q9::ViewsOf(converted), options.warnings, &report);
  const std::string text = q9::FormatWarnings(report);
  Require(text.empty() == report.warnings.empty() && (text.empty() || text.ends_with('\n')),
          "the warnings are not formatted as lines");
  const std::string diff = q9::UnifiedDiff(report.path, original, ends_with_lf,
                                           q9::ViewsOf(converted), conversion.origin);
  Require(diff.empty() == (ends_with_lf && input == converted), "a diff where nothing changed");
  Require(diff.empty() || diff.starts_with("--- a/f.c\n+++ b/f.c\n@@ -"), "a diff without header");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const q9::LineList input = q9::SplitLines(bytes);
  q9::LineList plain = input;
  q9::Convert(&plain);
  const bool ends_with_lf = bytes.empty() || bytes.back() == '\n';
  ConvertAndReport(input, ends_with_lf, /*safe=*/false, plain);
  ConvertAndReport(input, ends_with_lf, /*safe=*/true, plain);
  return 0;
}
