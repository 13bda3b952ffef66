#include "passes/exchange.h"

#include <string>

namespace q9 {

bool Exchange(LineList* lines, std::string_view find, std::string_view replacement) {
  bool changed = false;
  for (std::string& line : *lines) {
    const std::size_t p = line.find(find);
    if (p == std::string::npos) continue;
    line.replace(p, find.size(), replacement);
    changed = true;
  }
  return changed;
}

}  // namespace q9
