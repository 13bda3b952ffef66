// Statement layout stages over large scripts; each input also at double size so
// that linear growth shows in the figures.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>

#include "passes/correct.h"
#include "passes/func_correct.h"
#include "passes/strict.h"

namespace q9 {
namespace {

// About |bytes| of ordinary old-syntax code: label headers, each followed by a
// few lines that hold several statements.
LineList OrdinaryScript(std::size_t bytes) {
  LineList lines;
  std::size_t size = 0;
  for (std::size_t n = 0; size < bytes; ++n) {
    lines.push_back("Label" + std::to_string(n) + ":");
    size += lines.back().size() + 1;
    for (int i = 0; i < 4; ++i) {
      lines.emplace_back("  SetVar(0,Sum(Var(0),1)); if(Equal(Var(1),2)) return(1);");
      size += lines.back().size() + 1;
    }
  }
  return lines;
}

// One label line followed by |statements| statements of ten bytes each.
LineList OneLongLine(std::size_t statements) {
  std::string line = "Timer:";
  line.reserve(line.size() + statements * 10);
  for (std::size_t i = 0; i < statements; ++i) line += "IncVar(0);";
  return {line};
}

// |count| bare label headers.
LineList ManyHeaders(std::size_t count) {
  LineList lines;
  lines.reserve(count);
  for (std::size_t n = 0; n < count; ++n) lines.push_back("Label" + std::to_string(n) + ":");
  return lines;
}

std::size_t ByteCount(const LineList& lines) {
  std::size_t bytes = 0;
  for (const std::string& line : lines) bytes += line.size() + 1;
  return bytes;
}

// Times |stage| on fresh copies of |input|; the copy is not timed.
template <typename Stage>
void RunStage(benchmark::State& state, const LineList& input, Stage stage) {
  for (auto _ : state) {
    state.PauseTiming();
    LineList lines = input;
    state.ResumeTiming();
    benchmark::DoNotOptimize(stage(&lines));
    state.PauseTiming();
    lines = LineList();  // freeing the result is not timed either
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(ByteCount(input)));
}

// Headers stand alone on their lines only after the earlier stages have run.
LineList AfterCorrect(LineList lines) {
  Strict(&lines);
  Correct(&lines);
  return lines;
}

template <LineList (*Make)(std::size_t)>
void BM_LayoutStrict(benchmark::State& state) {
  const LineList input = Make(static_cast<std::size_t>(state.range(0)));
  RunStage(state, input, [](LineList* lines) { return Strict(lines); });
}

template <LineList (*Make)(std::size_t)>
void BM_LayoutCorrect(benchmark::State& state) {
  LineList input = Make(static_cast<std::size_t>(state.range(0)));
  Strict(&input);
  RunStage(state, input, [](LineList* lines) { return Correct(lines); });
}

template <LineList (*Make)(std::size_t)>
void BM_LayoutFuncCorrect(benchmark::State& state) {
  const LineList input = AfterCorrect(Make(static_cast<std::size_t>(state.range(0))));
  RunStage(state, input, [](LineList* lines) { return FuncCorrect(lines); });
}

void MegabyteSizes(benchmark::internal::Benchmark* b) {
  b->Arg(1 << 20)->Arg(2 << 20)->Unit(benchmark::kMillisecond);
}
void StatementCounts(benchmark::internal::Benchmark* b) {
  b->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);
}
void HeaderCounts(benchmark::internal::Benchmark* b) {
  b->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);
}

BENCHMARK_TEMPLATE(BM_LayoutStrict, OrdinaryScript)->Apply(MegabyteSizes);
BENCHMARK_TEMPLATE(BM_LayoutStrict, OneLongLine)->Apply(StatementCounts);
BENCHMARK_TEMPLATE(BM_LayoutStrict, ManyHeaders)->Apply(HeaderCounts);
BENCHMARK_TEMPLATE(BM_LayoutCorrect, OrdinaryScript)->Apply(MegabyteSizes);
BENCHMARK_TEMPLATE(BM_LayoutCorrect, OneLongLine)->Apply(StatementCounts);
BENCHMARK_TEMPLATE(BM_LayoutCorrect, ManyHeaders)->Apply(HeaderCounts);
BENCHMARK_TEMPLATE(BM_LayoutFuncCorrect, OrdinaryScript)->Apply(MegabyteSizes);
BENCHMARK_TEMPLATE(BM_LayoutFuncCorrect, OneLongLine)->Apply(StatementCounts);
BENCHMARK_TEMPLATE(BM_LayoutFuncCorrect, ManyHeaders)->Apply(HeaderCounts);

}  // namespace
}  // namespace q9
