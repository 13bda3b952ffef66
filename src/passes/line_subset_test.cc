#include "passes/line_subset.h"

#include <gtest/gtest.h>

#include <vector>

namespace q9 {
namespace {

std::vector<std::size_t> Members(const LineSubset& subset) {
  std::vector<std::size_t> members;
  for (const std::size_t line : subset) members.push_back(line);
  return members;
}

// Members on both sides of word edges, split at every count: the two parts
// hold the members in order, the first part |count| of them.
TEST(LineSubsetTest, SplitsAtEveryCount) {
  const std::vector<std::vector<std::size_t>> cases = {
      {}, {0}, {63}, {64}, {0, 1, 63, 64, 65, 127, 128, 199}, {5, 130, 131, 191}};
  for (const std::vector<std::size_t>& members : cases) {
    LineBits bits(200);
    for (const std::size_t line : members) bits.Add(line);
    const LineSubset all(bits);
    EXPECT_EQ(Members(all), members);
    EXPECT_EQ(all.size(), members.size());
    for (std::size_t count = 0; count <= members.size(); ++count) {
      const auto [first, rest] = all.Split(count);
      const std::vector<std::size_t> front(members.begin(), members.begin() + count);
      const std::vector<std::size_t> back(members.begin() + count, members.end());
      EXPECT_EQ(Members(first), front) << count;
      EXPECT_EQ(Members(rest), back) << count;
      EXPECT_EQ(rest.size(), back.size()) << count;
      EXPECT_EQ(Members(rest.Split(1).second),
                std::vector<std::size_t>(back.begin() + std::min<std::size_t>(back.size(), 1),
                                         back.end()));
    }
  }
  LineBits bits(130);
  bits.Add(3);
  bits.Add(129);
  bits.Clear();
  EXPECT_EQ(LineSubset(bits).size(), 0u);
}

}  // namespace
}  // namespace q9
