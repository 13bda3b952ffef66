#include "passes/correct_liner.h"

#include <array>
#include <string>
#include <utility>

namespace q9 {
namespace {

// Searched in this order; the first one found before the separator decides.
constexpr std::array<std::string_view, 4> kGuardMarkers = {"//", "/*", "\"", "["};

}  // namespace

std::size_t AcceptedSeparator(std::string_view line, char separator) {
  const std::size_t p = line.find(separator);
  if (p == std::string_view::npos) return std::string_view::npos;
  for (std::string_view marker : kGuardMarkers) {
    // Only a marker that starts before p matters, so only the prefix that can
    // hold one is searched; this keeps repeated calls on the rest of a long line
    // linear in total.
    const std::string_view prefix = line.substr(0, p + marker.size() - 1);
    if (prefix.find(marker) != std::string_view::npos) return std::string_view::npos;
  }
  return p;
}

LineList CorrectLiner(LineList lines, char separator) {
  LineList result;
  result.reserve(lines.size());
  for (std::string& line : lines) {
    const std::size_t p = AcceptedSeparator(line, separator);
    if (p == std::string_view::npos || p + 1 == line.size()) {
      result.push_back(std::move(line));
      continue;
    }
    std::string rest = line.substr(p + 1);
    line.resize(p + 1);
    result.push_back(std::move(line));
    result.push_back(std::move(rest));
  }
  return result;
}

}  // namespace q9
