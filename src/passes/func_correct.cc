#include "passes/func_correct.h"

#include <string>
#include <string_view>
#include <utility>

#include "passes/correct_liner.h"

namespace q9 {
namespace {

constexpr std::string_view kFunc = " func ";
constexpr std::string_view kBrackets = "(){";

// The header whose accepted colon stands at |colon|, rewritten: the colon becomes
// "(){" and " func " goes in front of the last blank before it, or at the start.
// Built into one fresh string so that each header costs a single allocation.
std::string ConvertHeader(std::string_view line, std::size_t colon) {
  const std::size_t blank = line.substr(0, colon).rfind(' ');
  const std::size_t at = blank == std::string_view::npos ? 0 : blank;
  std::string header;
  header.reserve(line.size() + kFunc.size() + kBrackets.size() - 1);
  header.append(line.substr(0, at));
  header.append(kFunc);
  header.append(line.substr(at, colon - at));
  header.append(kBrackets);
  header.append(line.substr(colon + 1));
  return header;
}

}  // namespace

bool FuncCorrect(LineList* lines) {
  LineList result;
  result.reserve(lines->size() + 1);
  bool converted = false;
  for (std::string& line : *lines) {
    const std::size_t colon = AcceptedSeparator(line, ':');
    if (colon != std::string_view::npos) {
      // The previous function ends directly above the next header.
      if (converted) result.emplace_back("}");
      line = ConvertHeader(line, colon);
      converted = true;
    }
    result.push_back(std::move(line));
  }
  if (converted) result.emplace_back("}");
  *lines = std::move(result);
  return converted;
}

}  // namespace q9
