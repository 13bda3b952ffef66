#include "batch/script_checks.h"

#include <algorithm>
#include <string_view>

#include "passes/strict.h"

namespace q9 {
namespace {

bool IsLine(std::string_view line, std::string_view text) {
  if (line.ends_with('\r')) line.remove_suffix(1);
  return line == text;
}

}  // namespace

bool HoldsNulByte(const LineList& lines) {
  return std::any_of(lines.begin(), lines.end(),
                     [](const std::string& line) { return line.find('\0') != std::string::npos; });
}

bool IsAlreadyConverted(const LineList& lines) {
  return lines.size() >= 2 && IsLine(lines[0], kUpdateMarker) && IsLine(lines[1], kStrictDirective);
}

}  // namespace q9
