// The whole conversion in memory (all six stages) on realistic scripts at two
// sizes, and on a line of deeply nested calls.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <string>

#include "pipeline/pipeline.h"

namespace q9 {
namespace {

// About |bytes| of an object script in the old syntax: functions made of label
// headers and lines holding several statements, with a comment now and then.
LineList RealisticScript(std::size_t bytes) {
  static const char* const kBody[] = {
      "  SetVar(0,Sum(Var(0),1)); if(Equal(Var(0),10)) SetVar(0,0);",
      "  if(And(GreaterThan(Var(1),2),Not(Var(2)))) return(Mul(Var(1),3));",
      "  // count the frames until the next check",
      "  IncVar(3); SetLocal(0,Sub(Local(0),Div(Var(3),2))); DecVar(4);",
      "  if(Or(LessThan(Var(4),0),SEqual(GetMood(),\"Idle\"))) return(0);",
  };
  LineList lines;
  std::size_t size = 0;
  for (std::size_t n = 0; size < bytes; ++n) {
    lines.push_back("Function" + std::to_string(n) + ":");
    size += lines.back().size() + 1;
    for (const char* body : kBody) {
      lines.emplace_back(body);
      size += lines.back().size() + 1;
    }
  }
  return lines;
}

LineList NestedCalls(std::size_t depth) {
  std::string line = "x=";
  for (std::size_t i = 0; i < depth; ++i) line += "Sum(a,";
  line += "b";
  line.append(depth, ')');
  line += ";";
  return {line};
}

void RunConvert(benchmark::State& state, const LineList& input, std::size_t bytes) {
  for (auto _ : state) {
    state.PauseTiming();
    LineList lines = input;
    state.ResumeTiming();
    benchmark::DoNotOptimize(Convert(&lines));
    state.PauseTiming();
    lines = LineList();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_ConvertRealistic(benchmark::State& state) {
  const std::size_t bytes = static_cast<std::size_t>(state.range(0));
  RunConvert(state, RealisticScript(bytes), bytes);
}
BENCHMARK(BM_ConvertRealistic)->Arg(1 << 20)->Arg(2 << 20)->Unit(benchmark::kMillisecond);

void BM_ConvertNestedCalls(benchmark::State& state) {
  const std::size_t depth = static_cast<std::size_t>(state.range(0));
  RunConvert(state, NestedCalls(depth), depth * 7);
}
BENCHMARK(BM_ConvertNestedCalls)->Arg(1000)->Arg(2000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace q9
