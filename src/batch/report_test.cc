#include "batch/report.h"

#include <cstddef>
#include <sstream>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "pipeline/pipeline.h"

namespace q9 {
namespace {

Warning Warned(HazardKind kind, std::size_t line, std::string text) {
  return {{.kind = kind,
           .line = line,
           .column = 1,
           .quote = line == 3 ? "Sum" : "\r",
           .source = "Sum",
           .what = "the Sum row did something",
           .advice = "undo it"},
          std::move(text)};
}

FileReport Report(FileOutcome outcome, std::vector<Warning> warnings = {}, std::string error = "") {
  FileReport report;
  report.path = "dir/s.c";
  report.outcome = outcome;
  report.warnings = std::move(warnings);
  report.error = std::move(error);
  return report;
}

TEST(ReportTest, DiagnosticsInCompilerForm) {
  struct Case {
    const char* name;
    FileReport report;
    std::string text;
  };
  const Case cases[] = {
      {"clean", Report(FileOutcome::kConverted), ""},
      {"warnings, 1-based, CR dropped, other bytes kept",
       Report(FileOutcome::kConverted, {Warned(HazardKind::kBracketError, 3, " Sum(1,\r"),
                                        Warned(HazardKind::kNameInWord, 11, "\xE4 GetSum(a")}),
       "dir/s.c:4: warning: the Sum row did something; check \"Sum\": undo it [bracket-error]\n"
       "   Sum(1,\n"
       "dir/s.c:12: warning: the Sum row did something; check this line: undo it "
       "[name-in-word]\n"
       "  \xE4 GetSum(a\n"},
      {"error", Report(FileOutcome::kFailed, {}, "cannot read: Permission denied"),
       "dir/s.c: error: cannot read: Permission denied\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FormatDiagnostics(c.report), c.text);
  }
  EXPECT_EQ(FormatWalkError({"t/closed", "Permission denied"}),
            "t/closed: error: cannot read: Permission denied\n");
}

TEST(ReportTest, SummaryAndExitStatus) {
  struct Case {
    const char* name;
    std::vector<FileReport> reports;
    BatchMode mode;
    std::string summary;
    int status;
  };
  const FileReport converted = Report(FileOutcome::kConverted);
  const FileReport unchanged = Report(FileOutcome::kUnchanged);
  const FileReport warned =
      Report(FileOutcome::kUnchanged,
             {Warned(HazardKind::kPrecedence, 1, ""), Warned(HazardKind::kLineEnds, 1, ""),
              Warned(HazardKind::kPrecedence, 2, "")});
  const FileReport failed = Report(FileOutcome::kFailed, {}, "cannot write: x");
  const Case cases[] = {
      {"nothing",
       {},
       BatchMode::kWrite,
       "0 converted, 0 unchanged, 0 with warnings, 0 failed\n",
       kExitOk},
      {"written",
       {converted, unchanged, warned, converted},
       BatchMode::kWrite,
       "2 converted, 2 unchanged, 1 with warnings, 0 failed; warnings: 2 precedence, 1 line-ends\n",
       kExitOk},
      {"check finds changes",
       {unchanged, converted},
       BatchMode::kCheck,
       "1 would be converted, 1 unchanged, 0 with warnings, 0 failed\n",
       kExitWouldChange},
      {"check finds none",
       {unchanged, warned},
       BatchMode::kCheck,
       "0 would be converted, 2 unchanged, 1 with warnings, 0 failed; warnings: 2 precedence, "
       "1 line-ends\n",
       kExitOk},
      {"warnings found",
       {converted, warned},
       BatchMode::kWarningsOnly,
       "1 would be converted, 1 unchanged, 1 with warnings, 0 failed; warnings: 2 precedence, "
       "1 line-ends\n",
       kExitWarned},
      {"no warnings found",
       {converted},
       BatchMode::kWarningsOnly,
       "1 would be converted, 0 unchanged, 0 with warnings, 0 failed\n",
       kExitOk},
      {"diff never asks for attention",
       {converted},
       BatchMode::kDiff,
       "1 would be converted, 0 unchanged, 0 with warnings, 0 failed\n",
       kExitOk},
      {"a failure outranks changes",
       {converted, failed},
       BatchMode::kCheck,
       "1 would be converted, 0 unchanged, 0 with warnings, 1 failed\n",
       kExitFileError},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Summary summary;
    for (const FileReport& report : c.reports) summary.Add(report);
    EXPECT_EQ(FormatSummary(summary, c.mode), c.summary);
    EXPECT_EQ(ExitStatus(summary, c.mode), c.status);
  }
}

TEST(ReportTest, RowListNamesEveryRowInPipelineOrder) {
  std::istringstream list(FormatRowList());
  std::vector<std::string> lines;
  for (std::string line; std::getline(list, line);) lines.push_back(line);
  const auto rows = PipelineRows();
  std::size_t row = 0;
  for (const std::string& line : lines) {
    if (!line.starts_with("  ")) continue;
    ASSERT_LT(row, rows.size());
    const std::string number = std::to_string(row + 1);
    EXPECT_EQ(line.substr(4 - number.size(), number.size() + 2 + rows[row].name.size()),
              number + "  " + std::string(rows[row].name));
    ++row;
  }
  EXPECT_EQ(row, rows.size());
  const std::string text = FormatRowList();
  for (const char* effect :
       {"Stage 1  Strict", "Stage 6  exchange rows\n", "Sum(a,b) -> a+b\n",
        "SetVar(a,b) -> Var(a)=b\n", "IncVar(a) -> Var(a)++\n", "Inc(a) -> a++\n",
        "Not(a) -> !a, Not(a,b) -> a!=b\n", "eq -> S= (every occurrence)\n"}) {
    EXPECT_NE(text.find(effect), std::string::npos) << effect;
  }
}

TEST(ReportTest, ProgressBarFillsInProportion) {
  struct Case {
    std::size_t done, total, width;
    std::string bar;
  };
  const Case cases[] = {
      {0, 7, 4, "[    ] 0/7"},
      {3, 7, 4, "[#   ] 3/7"},
      {7, 7, 4, "[####] 7/7"},
      {1999, 2000, 10, "[######### ] 1999/2000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bar);
    EXPECT_EQ(ProgressBar(c.done, c.total, c.width), c.bar);
  }
}

}  // namespace
}  // namespace q9
