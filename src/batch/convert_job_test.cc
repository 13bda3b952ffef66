#include "batch/convert_job.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "hazards/check.h"
#include "linestore/line_store.h"
#include "linestore/scratch_test_util.h"

namespace q9 {
namespace {

namespace fs = std::filesystem;

const std::string kOld = "Initialize: SetVar(0,1); return(1);\n";
const std::string kMarker = "/*+++Automatisiertes Syntax Update zu #strict - Quellor+++*/\n";
const std::string kNew = kMarker + "#strict\n func Initialize(){\n Var(0)=1;\n return(1);\n}\n";

ino_t Inode(const std::string& path) {
  struct stat info {};
  stat(path.c_str(), &info);
  return info.st_ino;
}

// The job for a script named on its own, in its folder opened as a run opens it.
FileReport ConvertNamed(const std::string& path, const JobOptions& options) {
  FoundScript script;
  script.path = path;
  Folder folder;
  EXPECT_TRUE(ResolveScript(path, &folder, &script.name).ok()) << path;
  return ConvertJob(script, folder, options);
}

using ConvertJobTest = ScratchTest;

TEST_F(ConvertJobTest, WritesOnlyWhatChangesInWriteModeOnly) {
  struct Case {
    BatchMode mode;
    std::string before;
    FileOutcome outcome;
    std::string after = "";  // "": the bytes stay
    bool safe = false;
  };
  const std::string mul = "x: SetVar(0,Mul(Sum(Var(1),2),3));\n";
  const std::string marker = kMarker.substr(0, kMarker.size() - 1);  // without its LF
  auto x = [](const std::string& b) { return kMarker + "#strict\n func x(){\n" + b + "\n}\n"; };
  const Case cases[] = {
      {BatchMode::kWrite, kOld, FileOutcome::kConverted, kNew},
      {BatchMode::kWrite, "#strict\n" + kMarker, FileOutcome::kUnchanged},
      {BatchMode::kWrite, "#strict\n" + marker, FileOutcome::kConverted, "#strict\n" + kMarker},
      // Already converted, with either line end: never converted again.
      {BatchMode::kWrite, kNew + "x: Sum(a,b);", FileOutcome::kAlreadyConverted},
      {BatchMode::kWrite, marker + "\r\n#strict\r\nx: y;\r\n", FileOutcome::kAlreadyConverted},
      {BatchMode::kWrite, std::string("Timer:\0\n", 8), FileOutcome::kFailed},
      {BatchMode::kDiff, kOld, FileOutcome::kConverted},
      {BatchMode::kWrite, mul, FileOutcome::kConverted, x(" Var(0)=Var(1)+2*3;")},
      {BatchMode::kWrite, mul, FileOutcome::kConverted, x(" Var(0)=(Var(1)+2)*3;"), true},
  };
  // Without warnings the script is converted where it was read, not in a copy.
  for (const bool warnings : {true, false}) for (const Case& c : cases) {
    SCOPED_TRACE(c.before + std::to_string(static_cast<int>(c.mode)) + std::to_string(warnings));
    const std::string& after = c.after.empty() ? c.before : c.after;
    WriteBytes(At("s.c"), c.before);
    const ino_t inode = Inode(At("s.c"));
    const FileReport report =
        ConvertNamed(At("s.c"), {.mode = c.mode, .backup_suffix = ".bak",
                                 .warnings = warnings ? WarningKinds().set() : WarningKinds(),
                                 .safe = c.safe});
    EXPECT_EQ(report.outcome, c.outcome);
    EXPECT_EQ(ReadBytes(At("s.c")), after);
    // Files that keep their bytes are not rewritten, and get no backup.
    EXPECT_EQ(Inode(At("s.c")) == inode, c.before == after);
    EXPECT_EQ(ReadBytes(At("s.c.bak")), c.before == after ? "" : c.before);
    EXPECT_EQ(report.diff.starts_with("--- a/" + At("s.c") + "\n+++ b/" + At("s.c") + "\n@@ ") &&
                  report.diff.find("\n-" + kOld + "+" + kMarker) != std::string::npos,
              c.mode == BatchMode::kDiff);
    fs::remove(At("s.c.bak"));
  }
}

TEST_F(ConvertJobTest, WarningsCarryTheConvertedLines) {
  WriteBytes(At("s.c"), "Timer: Sum(1,\r\nx: Not(\n");
  const FileReport report = ConvertNamed(At("s.c"), {});
  EXPECT_EQ(ReadBytes(At("s.c")),
            kMarker + "#strict\n func Timer(){\n Sum(1,\r\n}\n func x(){\n Not(\n}\n");
  std::vector<std::string> seen;
  ASSERT_EQ(report.shown_lines.size(), report.warnings.size());  // one warning a line
  std::size_t k = 0;
  for (const Hazard& w : report.warnings) {
    seen.push_back(std::to_string(w.line) + " " + std::string(HazardSlug(w.kind)) + " " +
                   std::string(report.shown_lines[k++]));
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"0 line-ends " + kMarker.substr(0, kMarker.size() - 1),
                                            "1 line-ends #strict", "2 line-ends  func Timer(){",
                                            "3 unconverted  Sum(1,\r", "4 line-ends }",
                                            "6 unconverted  Not("}));
}

// Each line is shown once, around the last warning of the line: whole when
// short, else 240 bytes of it, from 80 before the place where the line allows,
// with "..." where it was cut.
TEST(TakeWarningsTest, KindsAskedForAndAWindowOfLongLines) {
  std::string digits;
  for (int i = 0; digits.size() < 500; ++i) digits += std::to_string(i % 10);
  const std::vector<std::string_view> lines = {"short", digits, digits, digits, digits, digits};
  Conversion conversion;
  // Kind, line, column, width, what, advice.
  conversion.hazards = {{HazardKind::kUnconverted, 0, 0, 0, "", ""},
                        {HazardKind::kLineEnds, 0, 0, 0, "", ""},
                        {HazardKind::kPrecedence, 1, 300, 0, "", ""}};
  std::size_t line = 1;
  for (const std::size_t column : {0u, 10u, 81u, 300u, 490u}) {
    conversion.hazards.push_back({HazardKind::kPrecedence, line++, column, 0, "", ""});
  }
  WarningKinds kinds;
  kinds.set(KindIndex(HazardKind::kPrecedence)).set(KindIndex(HazardKind::kUnconverted));
  FileReport report;
  TakeWarnings(&conversion, lines, kinds, &report);
  EXPECT_TRUE(conversion.hazards.empty());
  std::string kept;
  for (const Hazard& h : report.warnings) kept += std::to_string(h.line) + " ";
  EXPECT_EQ(kept, "0 1 1 2 3 4 5 ");
  std::vector<std::string> texts;
  for (std::size_t k = 0; k < report.shown_lines.size(); ++k) {
    texts.emplace_back(report.shown_lines[k]);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "short", digits.substr(0, 240) + "...", digits.substr(0, 240) + "...",
                       "..." + digits.substr(1, 240) + "...",
                       "..." + digits.substr(220, 240) + "...", "..." + digits.substr(260)}));
}

// A long script's function starts are found beside its conversion: the
// warnings are those the conversion finds on its own, the last one included.
TEST(ConvertForJobTest, ALongScriptWarnsAsTheConversionAlone) {
  LineList lines;
  while (lines.size() < kCheckSplitLines) {
    lines.push_back("F" + std::to_string(lines.size()) + ": SetVar(0,Mul(Sum(1,2),3));");
  }
  lines.push_back("Last: if(Not(Equal(Var(0),1))) Hurt(1);");
  const std::vector<std::string_view> original(lines.begin(), lines.end());
  LineList converted = lines;
  JoinedLines joined;
  const Conversion job = ConvertForJob(original, &converted, {}, &joined);
  const Conversion alone = Convert(&lines, {.collect_hazards = true});
  EXPECT_TRUE(converted.empty());
  EXPECT_EQ(std::accumulate(joined.blocks.begin(), joined.blocks.end(), std::string()),
            JoinLines(lines));
  EXPECT_EQ(joined.lines, ViewsOf(lines));
  ASSERT_EQ(job.hazards.size(), kCheckSplitLines + 1);
  EXPECT_TRUE(std::equal(
      job.hazards.begin(), job.hazards.end(), alone.hazards.begin(), alone.hazards.end(),
      [](const Hazard& a, const Hazard& b) { return a.line == b.line && a.what == b.what; }));
}

TEST_F(ConvertJobTest, FailuresLeaveEverythingAsItWas) {
  fs::create_directory(At("folder.c"));
  WriteBytes(At("ro.c"), kOld);
  fs::permissions(At("ro.c"), fs::perms::owner_read);
  const std::pair<std::string, std::string> cases[] = {
      {At("missing.c"), "cannot read: No such file or directory"},
      {At("folder.c"), "cannot read: Is a directory"},
      {At("ro.c"), "cannot write: read-only file"},
  };
  for (const auto& [path, error] : cases) {
    SCOPED_TRACE(path);
    const FileReport report = ConvertNamed(path, {.backup_suffix = ".orig"});
    EXPECT_EQ(report.outcome, FileOutcome::kFailed);
    EXPECT_EQ(report.error, error);
  }
  EXPECT_FALSE(fs::exists(At("missing.c")));
  EXPECT_EQ(ReadBytes(At("ro.c")), kOld);
  EXPECT_FALSE(fs::exists(At("ro.c.orig")));  // a failed save takes its backup with it
}

}  // namespace
}  // namespace q9
