#include "batch/unified_diff.h"

#include <cstddef>
#include <string>
#include <tuple>
#include <vector>

#include "gtest/gtest.h"
#include "linestore/line_store.h"

namespace q9 {
namespace {

TEST(UnifiedDiffTest, FormatsHunksLikeDiff) {
  const std::string ten = "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n", head = "--- a/d/s.c\n+++ b/d/s.c\n";
  const std::vector<Origin> same_ten = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  // Before, after, the origin of each line after, the diff.
  const std::tuple<std::string, std::string, std::vector<Origin>, std::string> cases[] = {
      {ten, ten, same_ten, ""},
      {"", "a\nb\n", {kAddedLine, kAddedLine}, head + "@@ -0,0 +1,2 @@\n+a\n+b\n"},
      {"x\ny\nz\nw\n",
       "new\nx\ny\nz\nw\n",
       {kAddedLine, 0, 1, 2, 3},
       head + "@@ -1,3 +1,4 @@\n+new\n x\n y\n z\n"},
      {ten, "1\n2\n3\n4\nfive\n6\n7\n8\n9\n10\n", same_ten,
       head + "@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n"},
      // Changes six lines apart share a hunk, seven apart make two.
      {ten, "one\n2\n3\n4\n5\n6\n7\neight\n9\n10\n", same_ten,
       head + "@@ -1,10 +1,10 @@\n-1\n+one\n 2\n 3\n 4\n 5\n 6\n 7\n-8\n+eight\n 9\n 10\n"},
      {ten + "11\n",
       "one\n2\n3\n4\n5\n6\n7\n8\nnine\n10\n11\n",
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
       head + "@@ -1,4 +1,4 @@\n-1\n+one\n 2\n 3\n 4\n@@ -6,6 +6,6 @@\n 6\n 7\n 8\n-9\n+nine\n"
              " 10\n 11\n"},
      {"x\n", "", {}, head + "@@ -1 +0,0 @@\n-x\n"},
      {"a\nb",
       "a\nb\n",
       {0, 1},
       head + "@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+b\n"},
      // A line cut in two, a line added below its own, changed lines side by
      // side: their removed lines come before their added ones.
      {"a;b;\nc\n", "a;\nb;\nc\n", {0, 0, 1}, head + "@@ -1,2 +1,3 @@\n-a;b;\n+a;\n+b;\n c\n"},
      {"a\nb\nc\n", "a\nb\n}\nc\n", {0, 1, 1, 2}, head + "@@ -1,3 +1,4 @@\n a\n b\n+}\n c\n"},
      {"a\nb\nc\n", "A\nB\nc\n", {0, 1, 2}, head + "@@ -1,3 +1,3 @@\n-a\n-b\n+A\n+B\n c\n"},
      // Origins out of order or past the end count as added lines.
      {"a\nb\n", "b\na\nb\n", {1, 0}, head + "@@ -1,2 +1,3 @@\n-a\n b\n+a\n+b\n"},
  };
  for (const auto& [before, after, origin, diff] : cases) {
    SCOPED_TRACE(before + "=>" + after);
    const bool ends_with_lf = before.empty() || before.ends_with('\n');
    EXPECT_EQ(UnifiedDiff("d/s.c", SplitViews(before), ends_with_lf, SplitViews(after), origin),
              diff);
  }
}

}  // namespace
}  // namespace q9
