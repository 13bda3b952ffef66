#include "passes/var_function.h"

#include <string>
#include <utility>
#include <vector>

namespace q9 {
namespace {

// Rewrites the call of |name| found at |p| in |*line|. Returns false on a bracket
// error, when the line may be left half edited; the caller restores it.
bool RewriteCallAt(std::string* line, std::size_t p, std::string_view name, std::string_view prefix,
                   std::string_view infix, bool unary) {
  // The name and the byte after it, normally the opening bracket; erase clamps
  // at the end of the line.
  line->erase(p, name.size() + 1);
  const ScanResult scan = ScanArguments(line, p, infix);
  if (!scan.found) return false;
  line->erase(scan.close, 1);
  if (unary) line->insert(scan.close, infix);
  // A two-argument Not has become an inequality; its "!=" keeps the "!" out.
  const bool keep_prefix_out = name == "Not" && line->find("!=") != std::string::npos;
  if (!keep_prefix_out) line->insert(p, prefix);
  return true;
}

}  // namespace

RunResult VarFunction(LineList* lines, std::string_view name, std::string_view prefix,
                      std::string_view infix, bool unary) {
  // Lines as they were before this run, so that a bracket error keeps nothing.
  std::vector<std::pair<std::size_t, std::string>> originals;
  RunResult result;
  for (std::size_t i = 0; i < lines->size(); ++i) {
    std::string& line = (*lines)[i];
    const std::size_t p = line.find(name);
    if (p == std::string::npos) continue;
    originals.emplace_back(i, line);
    if (!RewriteCallAt(&line, p, name, prefix, infix, unary)) {
      for (auto& [index, text] : originals) (*lines)[index] = std::move(text);
      return {.changed = false, .bracket_error = i};
    }
    result.changed = true;
  }
  return result;
}

}  // namespace q9
