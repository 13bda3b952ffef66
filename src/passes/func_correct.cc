#include "passes/func_correct.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

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
  std::vector<std::size_t> headers;
  for (std::size_t i = 0; i < lines->size(); ++i) {
    std::string& line = (*lines)[i];
    const std::size_t colon = AcceptedSeparator(line, ':');
    if (colon == std::string_view::npos) continue;
    line = ConvertHeader(line, colon);
    headers.push_back(i);
  }
  if (headers.empty()) return false;
  // A "}" goes directly above every header but the first, and one at the end.
  // The list grows in place from the back, so it is never held twice.
  const std::size_t size = lines->size();
  lines->reserve(size + headers.size());  // exactly: resize alone would double the room
  lines->resize(size + headers.size());
  std::size_t next = lines->size();  // lines at and after |next| are in their final place
  (*lines)[--next] = "}";
  for (std::size_t i = size; i-- > 0;) {
    if (--next != i) (*lines)[next] = std::move((*lines)[i]);
    if (headers.empty() || i != headers.back()) continue;
    headers.pop_back();
    if (!headers.empty()) (*lines)[--next] = "}";
  }
  return true;
}

}  // namespace q9
