#include "batch/nearest_word.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace q9 {
namespace {

std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  std::iota(row.begin(), row.end(), std::size_t{0});
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t replaced = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
      diagonal = row[j];
      row[j] = std::min({replaced, row[j] + 1, row[j - 1] + 1});
    }
  }
  return row[b.size()];
}

}  // namespace

std::string NearestWord(std::string_view word, std::span<const std::string> known) {
  std::size_t best = std::max<std::size_t>(2, word.size() / 3) + 1;
  std::string nearest;
  for (const std::string& candidate : known) {
    if (const std::size_t distance = EditDistance(word, candidate); distance < best) {
      best = distance;
      nearest = candidate;
    }
  }
  return nearest;
}

}  // namespace q9
