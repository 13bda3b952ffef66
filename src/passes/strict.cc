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
  bool added = false;
  // The directive goes in first so that the marker, inserted second, ends on top.
  if (!AnyLineContains(*lines, kStrictDirective)) {
    lines->insert(lines->begin(), std::string(kStrictDirective));
    added = true;
  }
  if (!AnyLineContains(*lines, kUpdateMarker)) {
    lines->insert(lines->begin(), std::string(kUpdateMarker));
    added = true;
  }
  return added;
}

}  // namespace q9
