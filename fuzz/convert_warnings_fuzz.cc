// The conversion with warnings on, as q9strict runs it by default: the lines
// are the same as without warnings, every warning lies on a line of the
// converted file, and the warnings and the unified diff are formatted without
// a fault (the sanitizers watch the formatting).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const q9::LineList input = q9::SplitLines(bytes);
  q9::LineList plain = input;
  q9::LineList warned = input;
  q9::Convert(&plain);
  const q9::Conversion conversion = q9::Convert(&warned, {.collect_hazards = true});
  Require(conversion.failure == q9::StageFailure::kNone, "a stage failed on a small input");
  Require(warned == plain, "warnings changed the converted lines");

  q9::FileReport report;
  report.path = "f.c";
  for (const q9::Hazard& hazard : conversion.hazards) {
    Require(hazard.line < warned.size(), "a warning points past the last line");
    Require(hazard.column <= warned[hazard.line].size(), "a warning points past its line's end");
    report.warnings.push_back({hazard, warned[hazard.line]});
  }
  const std::string text = q9::FormatWarnings(report);
  Require(text.empty() == conversion.hazards.empty() && (text.empty() || text.ends_with('\n')),
          "the warnings are not formatted as lines");

  const bool ends_with_lf = bytes.empty() || bytes.back() == '\n';
  const std::string diff = q9::UnifiedDiff(report.path, input, ends_with_lf, warned);
  Require(diff.empty() == (ends_with_lf && input == warned), "a diff where nothing changed");
  Require(diff.empty() || diff.starts_with("--- a/f.c\n+++ b/f.c\n@@ -"), "a diff without header");
  return 0;
}
