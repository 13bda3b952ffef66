#include "batch/batch_run.h"

#include <unistd.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "batch/report.h"
#include "gtest/gtest.h"

namespace q9 {
namespace {

namespace fs = std::filesystem;

class BatchRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("q9run." + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // |count| scripts f000.c ...; every third one already converted, and the
  // one at |broken| with a bracket error.
  void MakeScripts(std::size_t count, std::size_t broken = 9999) {
    for (std::size_t i = 0; i < count; ++i) {
      std::string name = std::to_string(i);
      name = std::string(3 - name.size(), '0') + name;
      std::string text = i == broken ? "Timer: Sum(1,\n" : "Timer: IncVar(" + name + ");\n";
      if (i % 3 == 0 && i != broken) {
        text = "/*+++Automatisiertes Syntax Update zu #strict - Quellor+++*/\n#strict\n";
      }
      std::ofstream(dir_ / ("f" + name + ".c")) << text;
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

  fs::path dir_;
  std::ostringstream out_;
  std::ostringstream err_;
};

TEST_F(BatchRunTest, CheckListsChangesInWalkOrderWhateverTheThreads) {
  MakeScripts(60);
  std::string expected;
  for (std::size_t i = 0; i < 60; ++i) {
    if (i % 3 == 0) continue;
    std::string name = std::to_string(i);
    // A walk lists paths with forward slashes on every system.
    expected +=
        (dir_ / ("f" + std::string(3 - name.size(), '0') + name + ".c")).generic_string() + "\n";
  }
  for (unsigned jobs : {1u, 2u, 5u}) {
    SCOPED_TRACE(jobs);
    EXPECT_EQ(Run(BatchMode::kCheck, jobs, false), kExitWouldChange);
    EXPECT_EQ(out_.str(), expected);
    EXPECT_EQ(err_.str(), "40 would be converted, 20 unchanged, 0 with warnings, 0 failed\n");
  }
  EXPECT_EQ(Run(BatchMode::kWrite, 2, false), kExitOk);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(err_.str(), "40 converted, 20 unchanged, 0 with warnings, 0 failed\n");
  EXPECT_EQ(Run(BatchMode::kCheck, 2, false), kExitOk);
  EXPECT_EQ(out_.str(), "");
}

TEST_F(BatchRunTest, ProgressBarOnlyWhenAskedAndLong) {
  struct Case {
    std::size_t files;
    bool progress;
    bool bar;
  };
  const Case cases[] = {
      {kProgressMinFiles, true, true},
      {kProgressMinFiles, false, false},
      {kProgressMinFiles - 1, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.files) + (c.progress ? " with progress" : ""));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    MakeScripts(c.files, 10);
    Run(BatchMode::kCheck, 2, c.progress);
    const std::string err = err_.str();
    EXPECT_EQ(err.find('\r') != std::string::npos, c.bar);
    // Diagnostics and the summary start on a clean line, never after a bar.
    const std::string warning = (dir_ / "f010.c").generic_string() + ":4: warning:";
    const std::size_t at = err.find(warning);
    ASSERT_NE(at, std::string::npos);
    const std::string erase = "\r\x1b[K";
    if (c.bar) {
      EXPECT_EQ(err.substr(at - erase.size(), erase.size()), erase);
      EXPECT_NE(err.find(erase + std::to_string(c.files * 2 / 3) + " would be converted"),
                std::string::npos);
      EXPECT_NE(err.find("] " + std::to_string(c.files) + "/" + std::to_string(c.files)),
                std::string::npos);
    }
    EXPECT_EQ(out_.str().find('\r'), std::string::npos);
  }
}

TEST_F(BatchRunTest, MissingPathFailsWhileTheRestIsConverted) {
  MakeScripts(2);
  BatchOptions options;
  options.paths = {(dir_ / "none.c").string(), dir_.string()};
  EXPECT_EQ(RunBatch(options, out_, err_, false), kExitFileError);
  EXPECT_EQ(err_.str(), (dir_ / "none.c").string() +
                            ": error: cannot read: No such file or directory\n"
                            "1 converted, 1 unchanged, 0 with warnings, 1 failed\n");
}

}  // namespace
}  // namespace q9
