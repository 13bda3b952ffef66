#include "batch/glob_match.h"

#include <cstddef>
#include <optional>

namespace q9 {
namespace {

// Where a bracket expression starting at |open| (the "[") ends, just past its
// "]", and whether |byte| is in its set; nullopt when no "]" closes it.
struct BracketResult {
  std::size_t end;
  bool matched;
};

std::optional<BracketResult> MatchBracket(std::string_view pattern, std::size_t open,
                                          unsigned char byte) {
  std::size_t i = open + 1;
  bool negated = i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
  if (negated) ++i;
  bool in_set = false;
  for (bool first = true; i < pattern.size(); first = false) {
    if (pattern[i] == ']' && !first) return BracketResult{i + 1, in_set != negated};
    if (pattern[i] == '\\' && i + 1 < pattern.size()) ++i;
    const auto low = static_cast<unsigned char>(pattern[i]);
    auto high = low;
    if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
      i += 2;
      if (pattern[i] == '\\' && i + 1 < pattern.size()) ++i;
      high = static_cast<unsigned char>(pattern[i]);
    }
    if (low <= byte && byte <= high) in_set = true;
    ++i;
  }
  return std::nullopt;
}

// Matches one pattern element (not "*") at |p| against |byte|; gives the index
// after the element, or nullopt when the byte does not match.
std::optional<std::size_t> MatchOne(std::string_view pattern, std::size_t p, unsigned char byte) {
  switch (pattern[p]) {
    case '?':
      return p + 1;
    case '[':
      if (auto bracket = MatchBracket(pattern, p, byte)) {
        if (!bracket->matched) return std::nullopt;
        return bracket->end;
      }
      break;  // no closing "]": a literal "["
    case '\\':
      if (p + 1 < pattern.size()) ++p;
      break;
    default:
      break;
  }
  if (static_cast<unsigned char>(pattern[p]) != byte) return std::nullopt;
  return p + 1;
}

}  // namespace

// The usual single-backtrack walk: on a mismatch after a "*", that star takes
// one byte more. Stars before the last one never need to be revisited, so the
// walk is linear in practice and never exponential.
bool GlobMatch(std::string_view pattern, std::string_view name) {
  std::size_t p = 0, n = 0;
  std::optional<std::size_t> star_p, star_n;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star_p = ++p;
      star_n = n;
      continue;
    }
    if (p < pattern.size()) {
      if (auto next = MatchOne(pattern, p, static_cast<unsigned char>(name[n]))) {
        p = *next;
        ++n;
        continue;
      }
    }
    if (!star_p) return false;
    p = *star_p;
    n = ++*star_n;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace q9
