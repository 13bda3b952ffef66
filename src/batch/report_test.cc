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
       Report(FileOutcome::kConverted, {Warned(HazardKind::kUnconverted, 3, " Sum(1,\r"),
                                        Warned(HazardKind::kNameInWord, 11, "\xE4 GetSum(a")}),
       "dir/s.c:4: note: the Sum row did something; undo it [unconverted]\n"
       "   Sum(1,\n"
       "dir/s.c:12: warning: the Sum row did something; undo it [name-in-word]\n"
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
    std::string files;  // c: converted, u: unchanged, w: unchanged with warnings, f: failed
    BatchMode mode;
    std::string summary;
    int status;
  };
  const FileReport warned =
      Report(FileOutcome::kUnchanged,
             {Warned(HazardKind::kPrecedence, 1, ""), Warned(HazardKind::kLineEnds, 1, ""),
              Warned(HazardKind::kPrecedence, 2, "")});
  const std::string tail = " with warnings, 0 failed";
  const std::string kinds = "; warnings: 2 precedence; notes: 1 line-ends\n";
  const Case cases[] = {
      {"cuwc", BatchMode::kWrite, "2 converted, 2 unchanged, 1" + tail + kinds, kExitOk},
      {"uc", BatchMode::kCheck, "1 would be converted, 1 unchanged, 0" + tail + "\n",
       kExitWouldChange},
      {"uw", BatchMode::kCheck, "0 would be converted, 2 unchanged, 1" + tail + kinds, kExitOk},
      {"cw", BatchMode::kWarningsOnly, "1 would be converted, 1 unchanged, 1" + tail + kinds,
       kExitWarned},
      {"c", BatchMode::kWarningsOnly, "1 would be converted, 0 unchanged, 0" + tail + "\n",
       kExitOk},
      {"c", BatchMode::kDiff, "1 would be converted, 0 unchanged, 0" + tail + "\n", kExitOk},
      {"cf", BatchMode::kCheck, "1 would be converted, 0 unchanged, 0 with warnings, 1 failed\n",
       kExitFileError},  // a failure outranks changes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.files + std::to_string(static_cast<int>(c.mode)));
    Summary summary;
    for (const char file : c.files) {
      summary.Add(file == 'w' ? warned
                  : file == 'f'
                      ? Report(FileOutcome::kFailed, {}, "cannot write: x")
                      : Report(file == 'c' ? FileOutcome::kConverted : FileOutcome::kUnchanged));
    }
    EXPECT_EQ(FormatSummary(summary, c.mode), c.summary);
    EXPECT_EQ(ExitStatus(summary, c.mode), c.status);
  }
}

TEST(ReportTest, RowListNamesEveryRowInPipelineOrder) {
  const std::string text = FormatRowList();
  std::size_t at = 0, number = 0;
  for (const auto& row : PipelineRows()) {
    const std::string entry = std::to_string(++number) + "  " + std::string(row.name) + " ";
    at = text.find(entry, at);
    ASSERT_NE(at, std::string::npos) << entry;
  }
  for (const char* effect : {"Stage 1  Strict", "Stage 6  exchange rows\n", "Sum(a,b) -> a+b\n",
                             "IncVar(a) -> Var(a)++\n", "Not(a) -> !a, Not(a,b) -> a!=b\n",
                             "eq -> S= (every occurrence)\n"}) {
    EXPECT_NE(text.find(effect), std::string::npos) << effect;
  }
}

TEST(ReportTest, ProgressBarFillsInProportion) {
  struct Case {
    std::size_t done, total, width;
    std::string bar;
  };
  const Case cases[] = {
      {0, 7, 4, "[    ] 0/7"}, {3, 7, 4, "[#   ] 3/7"}, {1999, 2000, 10, "[######### ] 1999/2000"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bar);
    EXPECT_EQ(ProgressBar(c.done, c.total, c.width), c.bar);
  }
}

}  // namespace
}  // namespace q9
