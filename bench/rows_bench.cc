// Call rows over long lines and large scripts; each input also at double size so
// that the growth shows in the figures.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>
#include <string_view>

#include "passes/rows.h"
#include "passes/var_function.h"

namespace q9 {
namespace {

constexpr CallRow kSumRow{"Sum", "", "+", false};

std::string Repeat(std::string_view text, std::size_t times) {
  std::string out;
  out.reserve(text.size() * times);
  for (std::size_t i = 0; i < times; ++i) out += text;
  return out;
}

// One line of |depth| Sum calls, each the first argument of the one around it.
LineList NestedSums(std::size_t depth) {
  return {Repeat("Sum(", depth) + "a" + Repeat(",b)", depth)};
}

// One line of about |bytes| bytes of Sum calls side by side.
LineList SideBySideSums(std::size_t bytes) {
  constexpr std::string_view kCall = "Sum(a,b)+";
  return {Repeat(kCall, bytes / kCall.size())};
}

// About |bytes| of ordinary code in short lines; one line in four holds a call.
LineList OrdinaryLines(std::size_t bytes) {
  LineList lines;
  std::size_t size = 0;
  for (std::size_t n = 0; size < bytes; ++n) {
    lines.emplace_back(n % 4 == 0 ? "  SetVar(0,Sum(Var(0),Sum(Var(1),2)));"
                                  : "  if(Equal(Var(1),2)) Say(\"x\"); return(1);");
    size += lines.back().size() + 1;
  }
  return lines;
}

std::size_t ByteCount(const LineList& lines) {
  std::size_t bytes = 0;
  for (const std::string& line : lines) bytes += line.size() + 1;
  return bytes;
}

// Times |run| on fresh copies of |input|; copying and freeing are not timed.
template <typename Run>
void TimeRow(benchmark::State& state, const LineList& input, Run run) {
  for (auto _ : state) {
    state.PauseTiming();
    LineList lines = input;
    state.ResumeTiming();
    benchmark::DoNotOptimize(run(&lines));
    state.PauseTiming();
    lines = LineList();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(ByteCount(input)));
}

template <LineList (*Make)(std::size_t)>
void BM_RowsSumRow(benchmark::State& state) {
  const LineList input = Make(static_cast<std::size_t>(state.range(0)));
  TimeRow(state, input, [](LineList* lines) { return RunCallRow(lines, kSumRow).runs; });
}

// The same row one VarFunction run after another, for comparison.
template <LineList (*Make)(std::size_t)>
void BM_RowsSumRowRunByRun(benchmark::State& state) {
  const LineList input = Make(static_cast<std::size_t>(state.range(0)));
  TimeRow(state, input, [](LineList* lines) {
    std::size_t runs = 1;
    while (VarFunction(lines, "Sum", "", "+", false).changed) ++runs;
    return runs;
  });
}

BENCHMARK(BM_RowsSumRow<NestedSums>)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowsSumRow<SideBySideSums>)
    ->Arg(1 << 20)
    ->Arg(2 << 20)
    ->Arg(10 << 20)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowsSumRow<OrdinaryLines>)->Arg(1 << 20)->Arg(2 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowsSumRowRunByRun<NestedSums>)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowsSumRowRunByRun<SideBySideSums>)
    ->Arg(16 << 10)
    ->Arg(32 << 10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowsSumRowRunByRun<OrdinaryLines>)->Arg(1 << 20)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace q9
