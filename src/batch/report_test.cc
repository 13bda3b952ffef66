#include "batch/report.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "batch/json_report.h"
#include "gtest/gtest.h"

namespace q9 {
namespace {

// A warning and the text of its line.
struct Warning {
  Hazard hazard;
  std::string text;
};

Warning Warned(HazardKind kind, std::size_t line, std::string text) {
  return {{.kind = kind, .line = line, .column = 1, .what = "w", .advice = "a"}, std::move(text)};
}

FileReport Report(FileOutcome outcome, std::vector<Warning> warnings = {}, std::string error = "") {
  FileReport report;
  report.path = "dir/s.c";
  report.outcome = outcome;
  for (std::size_t i = 0; i < warnings.size(); ++i) {
    const Hazard& hazard = warnings[i].hazard;
    report.warnings.push_back(hazard);
    if (i + 1 == warnings.size() || warnings[i + 1].hazard.line != hazard.line) {
      report.shown_lines.Add(warnings[i].text, hazard.column);
    }
  }
  report.error = std::move(error);
  return report;
}

TEST(ReportTest, DiagnosticsInCompilerForm) {
  const FileReport warned =
      Report(FileOutcome::kConverted, {Warned(HazardKind::kUnconverted, 3, " Sum(1,\r"),
                                       Warned(HazardKind::kPrecedence, 3, " Sum(1,\r"),
                                       Warned(HazardKind::kNameInWord, 11, "\xE4 GetSum(a")});
  FileReport backed_up = Report(FileOutcome::kConverted);
  backed_up.backup = "dir/s.c.bak.2";
  backed_up.save_notes = {"its group could not be kept"};
  const std::tuple<FileReport, Verbosity, std::string> cases[] = {
      {Report(FileOutcome::kConverted), Verbosity::kVerbose, ""},
      // 1-based, the line once after its last warning, CR dropped, other bytes kept.
      {warned, Verbosity::kNormal,
       "dir/s.c:4: note: w; a [unconverted]\ndir/s.c:4: warning: w; a [precedence]\n   Sum(1,\n"
       "dir/s.c:12: warning: w; a [name-in-word]\n  \xE4 GetSum(a\n"},
      {warned, Verbosity::kQuiet, ""},
      // Control bytes escaped, long lines cut.
      {Report(FileOutcome::kUnchanged,
              {Warned(HazardKind::kChanged, 3, "\x1b[2J\x01\r\t" + std::string(300, 'x'))}),
       Verbosity::kNormal,
       "dir/s.c:4: warning: w; a [changed]\n  \\e[2J\\x01\\r\t" + std::string(193, 'x') + "...\n"},
      {Report(FileOutcome::kFailed, {}, "cannot read: Permission denied"), Verbosity::kQuiet,
       "dir/s.c: error: cannot read: Permission denied\n"},
      {backed_up, Verbosity::kNormal,
       "dir/s.c: note: backup kept as dir/s.c.bak.2 (the usual name was taken)\n"
       "dir/s.c: note: its group could not be kept\n"},
      {Report(FileOutcome::kUnchanged), Verbosity::kNormal, ""},
      {Report(FileOutcome::kUnchanged), Verbosity::kVerbose, "dir/s.c: unchanged\n"},
  };
  for (const auto& [report, verbosity, text] : cases) {
    EXPECT_EQ(FormatDiagnostics(report, verbosity), text) << text;
  }
}

// A script with many warnings goes out in pieces of about 64 KiB, never whole,
// and the pieces make the whole text.
TEST(ReportTest, ManyWarningsGoOutInPieces) {
  constexpr std::size_t kCount = 4000;
  std::vector<Warning> warnings;
  std::string lines, json;
  for (std::size_t line = 0; line < kCount; ++line) {
    warnings.push_back(Warned(HazardKind::kChanged, line, std::string(40, 'x')));
    const std::string number = std::to_string(line + 1);
    lines += "dir/s.c:" + number + ": warning: w; a [changed]\n  " + std::string(40, 'x') + "\n";
    json += "{\"path\":\"dir/s.c\",\"line\":" + number +
            ",\"kind\":\"changed\",\"message\":\"w; a\"}\n";
  }
  const FileReport report = Report(FileOutcome::kConverted, std::move(warnings));
  using Writer = std::function<void(const TextSink&)>;
  const std::pair<Writer, std::string> cases[] = {
      {[&](const TextSink& sink) { WriteWarnings(report, sink); }, lines},
      {[&](const TextSink& sink) { WriteDiagnostics(report, Verbosity::kNormal, sink); }, lines},
      {[&](const TextSink& sink) { WriteJsonWarnings(report, sink); }, json},
  };
  for (const auto& [write, expected] : cases) {
    std::size_t pieces = 0, largest = 0;
    std::string text;
    write([&](std::string_view piece) {
      ++pieces;
      largest = std::max(largest, piece.size());
      text.append(piece);
    });
    EXPECT_EQ(text, expected);
    EXPECT_GT(pieces, expected.size() / (64 * 1024));
    EXPECT_LT(largest, 65 * 1024u);
  }
}

TEST(ReportTest, SummaryAndExitStatus) {
  const FileReport warned =
      Report(FileOutcome::kUnchanged,
             {Warned(HazardKind::kPrecedence, 1, ""), Warned(HazardKind::kLineEnds, 1, ""),
              Warned(HazardKind::kPrecedence, 2, ""), Warned(HazardKind::kBroken, 2, "")});
  const std::map<char, FileReport> reports = {{'c', Report(FileOutcome::kConverted)},
      {'u', Report(FileOutcome::kUnchanged)}, {'f', Report(FileOutcome::kFailed)}, {'w', warned}};
  const std::string tail = " with warnings, 0 failed";
  const std::string kinds = "; warnings: 2 precedence, 1 broken; notes: 1 line-ends\n";
  // The files (a letter of |reports| each, or e: an empty folder), mode, summary, status.
  const std::tuple<std::string, BatchMode, std::string, int> cases[] = {
      {"cuwc", BatchMode::kWrite, "2 converted, 2 unchanged, 1" + tail + kinds, kExitOk},
      {"uw", BatchMode::kCheck, "0 would be converted, 2 unchanged, 1" + tail + kinds, kExitOk},
      {"c", BatchMode::kDiff, "1 would be converted, 0 unchanged, 0" + tail + "\n", kExitOk},
      {"cf", BatchMode::kCheck, "1 would be converted, 0 unchanged, 0 with warnings, 1 failed\n",
       kExitFileError},  // a failure outranks changes
      {"ef", BatchMode::kWrite, "0 converted, 0 unchanged, 0 with warnings, 1 failed\n",
       kExitFileError},
  };
  for (const auto& [files, mode, text, status] : cases) {
    SCOPED_TRACE(files + std::to_string(static_cast<int>(mode)));
    Summary summary;
    for (const char file : files) {
      summary.empty_folders += file == 'e';
      if (file != 'e') summary.Add(reports.at(file));
    }
    EXPECT_EQ(FormatSummary(summary, mode), text);
    EXPECT_EQ(ExitStatus(summary, mode), status);
  }
}

// Any bytes give valid JSON: UTF-8 as it is, other high bytes as Latin-1.
TEST(ReportTest, JsonLinesCarryAnyBytes) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\"b\\c", R"("a\"b\\c")"},
      {"\t\r\n\x01\x1f\x7f", "\"\\t\\r\\n\\u0001\\u001f\x7f\""},
      {"\xC3\xB6 \xE2\x82\xAC \xF0\x9F\x98\x80", "\"\xC3\xB6 \xE2\x82\xAC \xF0\x9F\x98\x80\""},  // UTF-8: ö € 😀
      {"\xF6\xC3(\xE2\x82", "\"\xC3\xB6\xC3\x83(\xC3\xA2\xC2\x82\""},  // Latin-1: öÃ(â and U+0082
  };
  for (const auto& [bytes, json] : cases) EXPECT_EQ(JsonString(bytes), json) << bytes;
}

TEST(ReportTest, RowListNamesEveryStageAndRow) {
  const std::string text = FormatRowList();
  for (const char* line : {"\nStage 4  operator rows\n   1  BitAnd       BitAnd(a,b) -> a&b\n",
                           "\nStage 6  exchange rows\n", "  IncVar       IncVar(a) -> Var(a)++\n",
                           "  Not          Not(a) -> !a, Not(a,b) -> a!=b\n",
                           "  eq           eq -> S= (every occurrence)\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
}

TEST(ReportTest, ProgressBarFillsInProportion) {
  EXPECT_EQ(ProgressBar(0, 7, 4), "[    ] 0/7");
  EXPECT_EQ(ProgressBar(3, 7, 4), "[#   ] 3/7");
  EXPECT_EQ(ProgressBar(1999, 2000, 10), "[######### ] 1999/2000");
}

}  // namespace
}  // namespace q9
