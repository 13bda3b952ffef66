#include "batch/convert_job.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "gtest/gtest.h"
#include "passes/script_generator_test_util.h"
#include "pipeline/convert_file.h"

namespace q9 {
namespace {

namespace fs = std::filesystem;

const std::string kOld = "Initialize: SetVar(0,1); return(1);\n";
const std::string kMarker = "/*+++Automatisiertes Syntax Update zu #strict - Quellor+++*/\n";
const std::string kNew = kMarker + "#strict\n func Initialize(){\n Var(0)=1;\n return(1);\n}\n";

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

ino_t Inode(const fs::path& path) {
  struct stat info {};
  stat(path.c_str(), &info);
  return info.st_ino;
}

class ConvertJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("q9job." + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string At(const char* name) const { return (dir_ / name).string(); }

  fs::path dir_;
};

TEST_F(ConvertJobTest, WritesOnlyWhatChanges) {
  struct Case {
    const char* name;
    std::string before;
    FileOutcome outcome;
    std::string after;
  };
  const Case cases[] = {
      {"old syntax", kOld, FileOutcome::kConverted, kNew},
      {"already converted", kNew, FileOutcome::kUnchanged, kNew},
      {"converted but no final LF", kNew.substr(0, kNew.size() - 1), FileOutcome::kConverted, kNew},
      {"empty", "", FileOutcome::kConverted, kMarker + "#strict\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Write(At("s.c"), c.before);
    const ino_t inode = Inode(At("s.c"));
    const FileReport report = ConvertJob(At("s.c"), {});
    EXPECT_EQ(report.outcome, c.outcome);
    EXPECT_EQ(report.path, At("s.c"));
    EXPECT_TRUE(report.warnings.empty());
    EXPECT_EQ(Read(At("s.c")), c.after);
    // An unchanged script is not rewritten: it is still the same file.
    EXPECT_EQ(Inode(At("s.c")) == inode, c.outcome == FileOutcome::kUnchanged);
  }
}

TEST_F(ConvertJobTest, WarningsCarryTheConvertedLines) {
  Write(At("s.c"), "Timer: Sum(1,\r\nx: Not(\n");
  const FileReport report = ConvertJob(At("s.c"), {});
  EXPECT_EQ(report.outcome, FileOutcome::kConverted);
  const std::string converted = Read(At("s.c"));
  EXPECT_EQ(converted, kMarker + "#strict\n func Timer(){\n Sum(1,\r\n}\n func x(){\n Not(\n}\n");
  struct Expected {
    HazardKind kind;
    std::size_t line;
    std::string text;
  };
  // The script's CR LF line ends are no longer alike, and two rows met bracket errors.
  const Expected expected[] = {
      {HazardKind::kLineEnds, 0, kMarker.substr(0, kMarker.size() - 1)},
      {HazardKind::kBracketError, 3, " Sum(1,\r"},
      {HazardKind::kBracketError, 6, " Not("},
  };
  ASSERT_EQ(report.warnings.size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(report.warnings[i].hazard.kind, expected[i].kind);
    EXPECT_EQ(report.warnings[i].hazard.line, expected[i].line);
    EXPECT_EQ(report.warnings[i].text, expected[i].text);
  }
}

TEST_F(ConvertJobTest, WarningsOnlyOrNone) {
  const std::string script = "Timer: Sum(1,\n";
  Write(At("s.c"), script);
  const FileReport none =
      ConvertJob(At("s.c"), {.mode = BatchMode::kCheck, .backup_suffix = {}, .warnings = false});
  EXPECT_TRUE(none.warnings.empty());
  const FileReport listed = ConvertJob(
      At("s.c"), {.mode = BatchMode::kWarningsOnly, .backup_suffix = {}, .warnings = false});
  EXPECT_EQ(listed.outcome, FileOutcome::kConverted);
  ASSERT_EQ(listed.warnings.size(), 1u);
  EXPECT_EQ(listed.warnings[0].hazard.kind, HazardKind::kBracketError);
  EXPECT_EQ(Read(At("s.c")), script);
}

TEST_F(ConvertJobTest, FailuresLeaveEverythingAsItWas) {
  struct Case {
    const char* name;
    std::string path;
    std::string error;
  };
  fs::create_directory(At("folder.c"));
  Write(At("readonly.c"), kOld);
  fs::permissions(At("readonly.c"), fs::perms::owner_read);
  const Case cases[] = {
      {"missing", At("missing.c"), "cannot read: No such file or directory"},
      {"folder", At("folder.c"), "cannot read: Is a directory"},
      {"read-only", At("readonly.c"), "cannot write: read-only file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto before = fs::exists(c.path) && fs::is_regular_file(c.path) ? Read(c.path) : "";
    const FileReport report = ConvertJob(c.path, {});
    EXPECT_EQ(report.outcome, FileOutcome::kFailed);
    EXPECT_EQ(report.error, c.error);
    if (fs::is_regular_file(c.path)) {
      EXPECT_EQ(Read(c.path), before);
    }
  }
  EXPECT_FALSE(fs::exists(At("missing.c")));  // never created
}

TEST_F(ConvertJobTest, CheckAndDiffWriteNothing) {
  struct Case {
    BatchMode mode;
    bool has_diff;
  };
  for (const Case c : {Case{BatchMode::kCheck, false}, Case{BatchMode::kDiff, true},
                       Case{BatchMode::kWarningsOnly, false}}) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    Write(At("s.c"), kOld);
    const FileReport report = ConvertJob(At("s.c"), {.mode = c.mode, .backup_suffix = {}});
    EXPECT_EQ(report.outcome, FileOutcome::kConverted);
    EXPECT_EQ(Read(At("s.c")), kOld);
    EXPECT_EQ(report.diff.starts_with("--- a/" + At("s.c") + "\n+++ b/" + At("s.c") + "\n@@ "),
              c.has_diff);
    EXPECT_EQ(ConvertJob(At("s.c"), {.mode = c.mode, .backup_suffix = ".bak"}).outcome,
              FileOutcome::kConverted);
    EXPECT_FALSE(fs::exists(At("s.c.bak")));
  }
}

TEST_F(ConvertJobTest, BackupKeepsTheOriginalOrStopsTheConversion) {
  const JobOptions backup{.mode = BatchMode::kWrite, .backup_suffix = ".orig"};
  Write(At("s.c"), kOld);
  EXPECT_EQ(ConvertJob(At("s.c"), backup).outcome, FileOutcome::kConverted);
  EXPECT_EQ(Read(At("s.c")), kNew);
  EXPECT_EQ(Read(At("s.c.orig")), kOld);

  // An existing backup is never replaced and the script stays unconverted.
  Write(At("t.c"), kOld);
  Write(At("t.c.orig"), "only copy\n");
  const FileReport refused = ConvertJob(At("t.c"), backup);
  EXPECT_EQ(refused.outcome, FileOutcome::kFailed);
  EXPECT_EQ(refused.error, "cannot write: backup " + At("t.c.orig") + " already exists");
  EXPECT_EQ(Read(At("t.c")), kOld);
  EXPECT_EQ(Read(At("t.c.orig")), "only copy\n");

  // No backup for a script that stays as it is.
  EXPECT_EQ(ConvertJob(At("s.c.orig"), {}).outcome, FileOutcome::kConverted);
  EXPECT_EQ(ConvertJob(At("s.c.orig"), backup).outcome, FileOutcome::kUnchanged);
  EXPECT_FALSE(fs::exists(At("s.c.orig.orig")));

  // A save that fails takes its backup with it, so that a retry is not blocked.
  Write(At("ro.c"), kOld);
  fs::permissions(At("ro.c"), fs::perms::owner_read);
  EXPECT_EQ(ConvertJob(At("ro.c"), backup).error, "cannot write: read-only file");
  EXPECT_FALSE(fs::exists(At("ro.c.orig")));
}

// Random scripts, with and without a final LF: the same bytes as the
// interactive program's conversion of the same file.
TEST_F(ConvertJobTest, SameBytesAsConvertFile) {
  for (std::uint32_t seed = 1; seed <= 200; ++seed) {
    SCOPED_TRACE(seed);
    ScriptGenerator generator(seed);
    std::string bytes = JoinLines(generator.NextList()) + (seed % 4 == 0 ? "Label: Sum(a" : "");
    Write(At("job.c"), bytes);
    Write(At("file.c"), bytes);
    const FileReport report = ConvertJob(At("job.c"), {});
    const FileConversion reference = ConvertFile(At("file.c"));
    ASSERT_TRUE(reference.written);
    EXPECT_EQ(Read(At("job.c")), Read(At("file.c")));
    std::size_t bracket_errors = 0;
    for (const Warning& warning : report.warnings) {
      bracket_errors += warning.hazard.kind == HazardKind::kBracketError;
    }
    EXPECT_EQ(bracket_errors, reference.conversion.bracket_errors.size());
    EXPECT_EQ(report.outcome,
              Read(At("file.c")) == bytes ? FileOutcome::kUnchanged : FileOutcome::kConverted);
  }
}

}  // namespace
}  // namespace q9
