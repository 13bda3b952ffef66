#include "batch/report.h"

#include <iterator>
#include <string_view>

#include "batch/safe_text.h"
#include "pipeline/pipeline.h"

namespace q9 {
namespace {

std::string_view WithoutTrailingCr(std::string_view text) {
  if (text.ends_with('\r')) text.remove_suffix(1);
  return text;
}

std::string Padded(std::string_view text, std::size_t width) {
  std::string padded(text);
  if (padded.size() < width) padded.append(width - padded.size(), ' ');
  return padded;
}

// What one row makes of a call, written with the arguments a and b.
std::string RowEffect(const Row& row) {
  const std::string name(row.name);
  const std::string text(row.text);
  const std::string prefix(row.prefix);
  switch (row.pass) {
    case RowPass::kNormalOperator:
      return name + "(a,b) -> a" + text + "b";
    case RowPass::kVarFunction:
      if (row.unary) return name + "(a) -> " + prefix + "a" + text;
      if (row.name == "Not") {
        // The prefix stays out when the line holds the infix, as after Not(a,b).
        return name + "(a) -> " + prefix + "a, " + name + "(a,b) -> a" + text + "b";
      }
      return name + "(a,b) -> " + prefix + "a" + text + "b";
    case RowPass::kExchange:
      return name + " -> " + text + " (every occurrence)";
  }
  return "";
}

std::string_view StageTitle(RowPass pass) {
  switch (pass) {
    case RowPass::kNormalOperator:
      return "Stage 4  operator rows\n";
    case RowPass::kVarFunction:
      return "Stage 5  variable function rows\n";
    case RowPass::kExchange:
      return "Stage 6  exchange rows\n";
  }
  return "";
}

// "; warnings: N KIND, ...; notes: N KIND, ..." for the kinds that occurred, or nothing.
std::string WarningCounts(const Summary& summary) {
  std::string counts;
  for (const bool notes : {false, true}) {
    bool first = true;
    for (std::size_t k = 0; k < kHazardKinds.size(); ++k) {
      if (summary.warnings[k] == 0 || IsNote(kHazardKinds[k]) != notes) continue;
      counts += first ? (notes ? "; notes: " : "; warnings: ") : ", ";
      first = false;
      counts +=
          std::to_string(summary.warnings[k]) + " " + std::string(HazardSlug(kHazardKinds[k]));
    }
  }
  return counts;
}

}  // namespace

void Summary::Add(const FileReport& report) {
  switch (report.outcome) {
    case FileOutcome::kConverted:
      ++converted;
      break;
    case FileOutcome::kUnchanged:
      ++unchanged;
      break;
    case FileOutcome::kAlreadyConverted:
      ++already_converted;
      break;
    case FileOutcome::kFailed:
      ++failed;
      break;
  }
  bool warned = false;
  for (const Hazard& warning : report.warnings) {
    ++warnings[KindIndex(warning.kind)];
    warned = warned || !IsNote(warning.kind);
  }
  if (warned) ++with_warnings;
}

std::string WarningMessage(const Hazard& warning) {
  // The texts quote the script: its bytes are shown safely, and a message is
  // cut only where a quote has run wild.
  return SafeText(warning.what + "; " + warning.advice, 5 * kShownChars);
}

namespace {

void AppendWarnings(const FileReport& report, PieceWriter* out) {
  const std::string path = SafePath(report.path);
  std::size_t shown = 0;  // the next of report.shown_lines
  for (auto it = report.warnings.begin(); it != report.warnings.end(); ++it) {
    const Hazard& hazard = *it;
    *out << path << ":" << std::to_string(hazard.line + 1)
         << (IsNote(hazard.kind) ? ": note: " : ": warning: ") << WarningMessage(hazard) << " ["
         << HazardSlug(hazard.kind) << "]\n";
    // The line follows the last of its messages, once.
    const auto next = std::next(it);
    if ((next == report.warnings.end() || next->line != hazard.line) &&
        shown < report.shown_lines.size()) {
      *out << "  " << SafeText(WithoutTrailingCr(report.shown_lines[shown++])) << "\n";
    }
  }
}

}  // namespace

void WriteWarnings(const FileReport& report, const TextSink& write) {
  PieceWriter out(write);
  AppendWarnings(report, &out);
  out.Flush();
}

std::string FormatError(const FileReport& report) {
  if (report.outcome != FileOutcome::kFailed) return "";
  return SafePath(report.path) + ": error: " + report.error + "\n";
}

void WriteDiagnostics(const FileReport& report, Verbosity verbosity, const TextSink& write) {
  PieceWriter out(write);
  if (verbosity != Verbosity::kQuiet) {
    AppendWarnings(report, &out);
    const std::string path = SafePath(report.path);
    if (!report.backup.empty()) {
      out << path << ": note: backup kept as " << SafePath(report.backup)
          << " (the usual name was taken)\n";
    }
    for (const std::string& note : report.save_notes) out << path << ": note: " << note << "\n";
    if (verbosity == Verbosity::kVerbose && report.outcome == FileOutcome::kUnchanged) {
      out << path << ": unchanged\n";
    }
    if (verbosity == Verbosity::kVerbose && report.outcome == FileOutcome::kAlreadyConverted) {
      out << path << ": already converted\n";
    }
  }
  out << FormatError(report);
  out.Flush();
}

std::string FormatWarnings(const FileReport& report) {
  std::string text;
  WriteWarnings(report, AppendTo(&text));
  return text;
}

std::string FormatDiagnostics(const FileReport& report, Verbosity verbosity) {
  std::string text;
  WriteDiagnostics(report, verbosity, AppendTo(&text));
  return text;
}

std::string FormatWalkError(const WalkError& error) {
  return SafePath(error.path) + ": error: cannot read: " + error.reason + "\n";
}

std::string FormatNoScripts(const std::string& folder) {
  return "no scripts found under " + SafePath(folder) + "\n";
}

std::string FormatSummary(const Summary& summary, BatchMode mode) {
  const std::string_view converted =
      mode == BatchMode::kWrite ? " converted, " : " would be converted, ";
  std::string line = std::to_string(summary.converted) + std::string(converted) +
                     std::to_string(summary.unchanged) + " unchanged, ";
  if (summary.already_converted > 0) {
    line += std::to_string(summary.already_converted) + " already converted, ";
  }
  return line + std::to_string(summary.with_warnings) + " with warnings, " +
         std::to_string(summary.failed) + " failed" + WarningCounts(summary) + "\n";
}

int ExitStatus(const Summary& summary, BatchMode mode) {
  if (summary.failed > 0) return kExitFileError;
  if (mode == BatchMode::kCheck && summary.converted > 0) return kExitWouldChange;
  if (mode == BatchMode::kWarningsOnly && summary.with_warnings > 0) return kExitWarned;
  if (summary.empty_folders > 0) return kExitNoScripts;
  return kExitOk;
}

std::string FormatRowList() {
  std::string out =
      "Stage 1  Strict       adds \"#strict\" and the update marker at the top when missing\n"
      "Stage 2  Correct      puts every label and every statement on a line of its own\n"
      "Stage 3  FuncCorrect  turns label headers \"Name:\" into \"func Name(){\" blocks closed "
      "by \"}\"\n"
      "Each row below runs again while it changes something; a bracket error ends it.\n";
  const auto rows = PipelineRows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (i == 0 || rows[i].pass != rows[i - 1].pass) out += StageTitle(rows[i].pass);
    std::string number = std::to_string(i + 1);
    out += std::string(4 - number.size(), ' ') + number + "  " + Padded(rows[i].name, 12) + " " +
           RowEffect(rows[i]) + "\n";
  }
  return out;
}

std::string ProgressBar(std::size_t done, std::size_t total, std::size_t width) {
  const std::size_t filled = done >= total ? width : done * width / total;
  // Appended piece by piece: "[" + std::string(...) trips GCC 12's -Wrestrict at -O3.
  std::string bar = "[";
  bar.append(filled, '#').append(width - filled, ' ').append("] ");
  bar += std::to_string(done) + "/" + std::to_string(total);
  return bar;
}

}  // namespace q9
