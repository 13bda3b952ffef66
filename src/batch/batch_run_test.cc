#include "batch/batch_run.h"

#include <cstddef>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>

#include "batch/old_script_test_util.h"
#include "batch/report.h"
#include "gtest/gtest.h"

namespace q9 {
namespace {

namespace fs = std::filesystem;

class BatchRunTest : public ScratchTest {
 protected:
  static std::string Name(std::size_t i) {
    const std::string digits = std::to_string(i);
    return "f" + std::string(3 - digits.size(), '0') + digits + ".c";
  }
  // |count| scripts; every third one already converted, the one at |broken|
  // with a bracket error.
  void MakeScripts(std::size_t count, std::size_t broken = 9999) {
    for (std::size_t i = 0; i < count; ++i) {
      WriteBytes(dir_ / Name(i),
                 i == broken ? "Timer: Sum(1,\n"
                 : i % 3 == 0
                     ? "/*+++Automatisiertes Syntax Update zu #strict - Quellor+++*/\n#strict\n"
                     : "Timer: IncVar(" + std::to_string(i) + ");\n");
    }
  }

  int Run(BatchMode mode, unsigned jobs, bool progress) {
    BatchOptions options;
    options.job.mode = mode;
    options.jobs = jobs;
    options.paths = {dir_.string()};
    out_.str("");
    err_.str("");
    return RunBatch(options, out_, err_, progress);
  }

  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(BatchRunTest, CheckListsChangesInWalkOrderWhateverTheThreads) {
  MakeScripts(60);
  std::string expected;
  for (std::size_t i = 1; i < 60; ++i) {
    // A walk lists paths with forward slashes on every system.
    if (i % 3 != 0) expected += (dir_ / Name(i)).generic_string() + "\n";
  }
  for (unsigned jobs : {1u, 2u, 5u}) {
    SCOPED_TRACE(jobs);
    EXPECT_EQ(Run(BatchMode::kCheck, jobs, false), kExitWouldChange);
    EXPECT_EQ(out_.str(), expected);
    EXPECT_EQ(err_.str(),
              "40 would be converted, 0 unchanged, 20 already converted, 0 with warnings, 0 "
              "failed\n");
  }
  EXPECT_EQ(Run(BatchMode::kWrite, 2, false), kExitOk);
  EXPECT_EQ(err_.str(),
            "40 converted, 0 unchanged, 20 already converted, 0 with warnings, 0 failed\n");
  EXPECT_EQ(Run(BatchMode::kCheck, 2, false), kExitOk);
  EXPECT_EQ(out_.str(), "");
}

// A bar only when asked and the run is long; diagnostics and the summary then
// start on a line erased with blanks (no escape sequences), never after a bar.
TEST_F(BatchRunTest, ProgressBarOnlyWhenAskedAndLong) {
  const std::pair<std::size_t, bool> cases[] = {
      {kProgressMinFiles, true}, {kProgressMinFiles, false}, {kProgressMinFiles - 1, true}};
  for (const auto& [files, progress] : cases) {
    SCOPED_TRACE(std::to_string(files) + (progress ? " with progress" : ""));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    MakeScripts(files, 10);
    Run(BatchMode::kCheck, 2, progress);
    const std::string err = err_.str();
    const bool bar = progress && files >= kProgressMinFiles;
    EXPECT_EQ(err.find('\r') != std::string::npos, bar);
    EXPECT_EQ(out_.str().find('\r'), std::string::npos);
    if (!bar) continue;
    EXPECT_EQ(err.find('\x1b'), std::string::npos);
    const std::string erase = " \r";
    EXPECT_NE(err.find(erase + (dir_ / "f010.c").generic_string() + ":4: note:"),
              std::string::npos);
    EXPECT_NE(err.find(erase + std::to_string(files * 2 / 3) + " would be converted"),
              std::string::npos);
    EXPECT_NE(err.find("] " + std::to_string(files) + "/" + std::to_string(files)),
              std::string::npos);
  }
}

}  // namespace
}  // namespace q9
