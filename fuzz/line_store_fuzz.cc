// Any bytes split into lines and joined again must come back as they were, with
// one LF added at the end when it was missing, and no line may hold an LF.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "linestore/line_store.h"

namespace {

void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "line store property broken: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const q9::LineList lines = q9::SplitLines(bytes);
  for (const std::string& line : lines) {
    Require(line.find('\n') == std::string::npos, "an entry holds an LF");
  }
  std::string expected(bytes);
  if (!expected.empty() && expected.back() != '\n') expected.push_back('\n');
  Require(q9::JoinLines(lines) == expected, "joining the lines does not give the bytes back");
  return 0;
}
