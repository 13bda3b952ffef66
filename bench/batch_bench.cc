// The batch converter over a tree of 2,000 generated scripts of 5 KB each, at
// one and at two worker threads; items_per_second is files per second. The
// write run converts in place (every file read, converted, synced and renamed);
// the check run converts in memory only, which isolates the conversion work.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "batch/batch_run.h"
#include "old_script.h"

namespace q9 {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kScripts = 2000;
constexpr std::size_t kScriptBytes = 5000;

// 2,000 scripts in 20 folders of 100, written afresh before every timed run.
class ScriptTree {
 public:
  ScriptTree() : root_(fs::temp_directory_path() / ("q9bench." + std::to_string(getpid()))) {
    for (std::uint32_t seed = 1; seed <= kScripts; ++seed) {
      fs::path path = root_ / ("obj" + std::to_string(seed % 20)) / (std::to_string(seed) + ".c");
      scripts_.emplace_back(std::move(path), OldSyntaxScript(seed, kScriptBytes));
    }
  }
  ~ScriptTree() { fs::remove_all(root_); }

  void Write() const {
    for (const auto& [path, bytes] : scripts_) {
      fs::create_directories(path.parent_path());
      std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }
  }
  std::string root() const { return root_.string(); }

 private:
  fs::path root_;
  std::vector<std::pair<fs::path, std::string>> scripts_;
};

void RunTree(benchmark::State& state, BatchMode mode) {
  static const ScriptTree tree;
  BatchOptions options;
  options.job.mode = mode;
  options.jobs = static_cast<unsigned>(state.range(0));
  options.paths = {tree.root()};
  std::ostream discard(nullptr);
  for (auto _ : state) {
    state.PauseTiming();
    tree.Write();
    state.ResumeTiming();
    benchmark::DoNotOptimize(RunBatch(options, discard, discard, false));
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kScripts);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kScripts *
                          static_cast<std::int64_t>(kScriptBytes));
}

void BM_BatchWriteTree(benchmark::State& state) { RunTree(state, BatchMode::kWrite); }
void BM_BatchCheckTree(benchmark::State& state) { RunTree(state, BatchMode::kCheck); }

BENCHMARK(BM_BatchWriteTree)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BatchCheckTree)
    ->Arg(1)
    ->Arg(2)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace q9
