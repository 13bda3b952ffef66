#include "passes/strict.h"

#include <algorithm>
#include <string>

namespace q9 {
namespace {

bool AnyLineContains(const LineList& lines, std::string_view text) {
  return std::any_of(lines.begin(), lines.end(), [text](const std::string& line) {
    return line.find(text) != std::string::npos;
  });
}

}  // namespace

bool Strict(LineList* lines) {
  // The line "#strict" never holds the marker, so both can be looked for first.
  const bool add_directive = !AnyLineContains(*lines, kStrictDirective);
  const bool add_marker = !AnyLineContains(*lines, kUpdateMarker);
  if (!add_directive && !add_marker) return false;
  lines->reserve(lines->size() + add_directive + add_marker);  // exactly: insert would double it
  // The directive goes in first so that the marker, inserted second, ends on top.
  if (add_directive) lines->insert(lines->begin(), std::string(kStrictDirective));
  if (add_marker) lines->insert(lines->begin(), std::string(kUpdateMarker));
  return true;
}

}  // namespace q9
