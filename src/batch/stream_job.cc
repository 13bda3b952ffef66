#include "batch/stream_job.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>
#include <system_error>

#include "batch/convert_job.h"
#include "batch/json_report.h"
#include "batch/report.h"
#include "batch/script_checks.h"
#include "batch/unified_diff.h"
#include "linestore/line_store.h"

namespace q9 {
namespace {

// The report on |bytes|. When it says kConverted, |*joined| holds the
// conversion; otherwise kWrite writes |bytes| as they were, or nothing when
// the report names an error.
FileReport ConvertBytes(const std::string& bytes, const JobOptions& options, JoinedLines* joined) {
  FileReport report;
  report.path = "-";
  LineList converted = SplitLines(bytes);
  if (HoldsNulByte(converted)) {
    report.error = "not a script: holds NUL bytes";
    return report;
  }
  if (IsAlreadyConverted(converted)) {
    report.outcome = FileOutcome::kAlreadyConverted;
    return report;
  }
  const std::vector<std::string_view> original = SplitViews(bytes);
  Conversion conversion = ConvertForJob(original, &converted, options, joined);
  if (conversion.failure != StageFailure::kNone) {
    report.error = "cannot convert: out of memory";
    return report;
  }
  TakeWarnings(&conversion, joined->lines, options.warnings, &report);
  const bool ends_with_lf = bytes.empty() || bytes.back() == '\n';
  report.outcome = ends_with_lf && std::equal(original.begin(), original.end(),
                                              joined->lines.begin(), joined->lines.end())
                       ? FileOutcome::kUnchanged
                       : FileOutcome::kConverted;
  if (report.outcome == FileOutcome::kConverted && options.mode == BatchMode::kDiff) {
    report.diff =
        UnifiedDiff(report.path, original, ends_with_lf, joined->lines, conversion.origin);
  }
  return report;
}

}  // namespace

int RunStream(const BatchOptions& options, std::istream& in, std::ostream& out, std::ostream& err,
              std::ostream* json) {
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  JoinedLines converted;
  FileReport report;
  // std::cin reports a failed read as the end of input; the C stream knows better.
  if (in.bad() || (&in == &std::cin && std::ferror(stdin) != 0)) {
    report.path = "-";
    report.error = "cannot read: standard input";
  } else {
    report = ConvertBytes(bytes, options.job, &converted);
  }
  const bool changes = report.outcome == FileOutcome::kConverted;
  errno = 0;
  switch (options.job.mode) {
    case BatchMode::kWrite:
      if (changes) {
        for (const std::string& block : converted.blocks) out << block;
      } else if (report.error.empty()) {
        out << bytes;
      }
      break;
    case BatchMode::kCheck:
      if (changes) out << "-\n";
      break;
    case BatchMode::kDiff:
      out << report.diff;
      break;
    case BatchMode::kWarningsOnly:
      WriteWarnings(report, WriteTo(&out));
      break;
  }
  out.flush();
  // A full disk or a closed pipe loses what was written, as in RunBatch.
  const std::string out_error =
      out ? "" : errno != 0 ? std::generic_category().message(errno) : "write error";
  if (options.job.mode == BatchMode::kWarningsOnly) {
    err << FormatError(report);
  } else {
    WriteDiagnostics(report, options.verbosity, WriteTo(&err));
  }
  if (json != nullptr) {
    WriteJsonWarnings(report, WriteTo(json));
    json->flush();
  }
  Summary summary;
  summary.Add(report);
  if (!out_error.empty()) err << "error: cannot write standard output: " << out_error << "\n";
  if (options.verbosity != Verbosity::kQuiet) err << FormatSummary(summary, options.job.mode);
  err.flush();
  return out_error.empty() ? ExitStatus(summary, options.job.mode) : kExitFileError;
}

}  // namespace q9
