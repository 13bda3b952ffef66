#include "batch/batch_run.h"

#include <cstddef>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>

#include "batch/report.h"
#include "gtest/gtest.h"
#include "linestore/scratch_test_util.h"

namespace q9 {
namespace {

namespace fs = std::filesystem;

using BatchRunTest = ScratchTest;

// Scripts in walk order whatever the threads; a bar only when asked and the run is long, and
// then diagnostics and the summary start on a line erased with blanks, never after a bar.
TEST_F(BatchRunTest, ListsInWalkOrderAndShowsABarOnlyWhenAskedAndLong) {
  // Files, jobs, bar asked for, its draws: after each file that printed (erasing it) or moved
  // its percentage; of 150, the 49 already converted after the first do neither.
  const std::tuple<std::size_t, unsigned, bool, std::size_t> cases[] = {
      {50, 5, true, 50}, {150, 3, true, 101}, {50, 1, false, 0}, {49, 2, true, 0}};
  for (const auto& [files, jobs, progress, bar_draws] : cases) {
    SCOPED_TRACE(std::to_string(files) + " files, jobs " + std::to_string(jobs));
    for (const auto& entry : fs::directory_iterator(dir_)) fs::remove_all(entry);
    // Every third one already converted, f010.c with a bracket error.
    std::string listed;
    for (std::size_t i = 0; i < files; ++i) {
      const std::string name = "f" + std::to_string(1000 + i).substr(1) + ".c";
      WriteBytes(dir_ / name,
                 i == 10 ? "Timer: Sum(1,\n"
                 : i % 3 == 0
                     ? "/*+++Automatisiertes Syntax Update zu #strict - Quellor+++*/\n#strict\n"
                     : "Timer: IncVar(" + std::to_string(i) + ");\n");
      // A walk lists paths with forward slashes on every system.
      if (i % 3 != 0) listed += (dir_ / name).generic_string() + "\n";
    }
    BatchOptions options;
    options.job.mode = BatchMode::kCheck;
    options.jobs = jobs;
    options.paths = {dir_.string()};
    std::ostringstream out, err;
    EXPECT_EQ(RunBatch(options, out, err, progress), kExitWouldChange);
    EXPECT_EQ(out.str(), listed);
    const bool bar = bar_draws > 0;
    std::size_t draws = 0;
    for (std::size_t at = 0; (at = err.str().find("\r[", at)) != std::string::npos; ++at) ++draws;
    EXPECT_EQ(draws, bar_draws);
    const std::string erase = bar ? " \r" : "";
    EXPECT_TRUE(err.str().starts_with(bar ? "\r[" : (dir_ / "f010.c").generic_string()));
    EXPECT_NE(err.str().find(erase + (dir_ / "f010.c").generic_string() + ":4: note:"),
              std::string::npos);
    EXPECT_TRUE(err.str().ends_with(
        erase + std::to_string(files * 2 / 3) + " would be converted, 0 unchanged, " +
        std::to_string(files - files * 2 / 3) +
        " already converted, 0 with warnings, 0 failed; notes: 1 unconverted\n"))
        << err.str();
  }
}

}  // namespace
}  // namespace q9
