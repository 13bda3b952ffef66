#include "batch/unified_diff.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "passes/script_generator_test_util.h"

namespace q9 {
namespace {

// The lines of |bytes|, each with its LF (the last one possibly without).
std::vector<std::string> Pieces(const std::string& bytes) {
  std::vector<std::string> pieces;
  for (std::size_t start = 0, end = 0; start < bytes.size(); start = end) {
    end = std::min(bytes.find('\n', start), bytes.size() - 1) + 1;
    pieces.push_back(bytes.substr(start, end - start));
  }
  return pieces;
}

// Applies |diff| as patch does without fuzz: every context and removed line
// must match and every hunk's counts must be right; "<failed>" otherwise.
std::string Apply(const std::string& original, const std::string& diff) {
  static const std::regex kHunk(R"(@@ -(\d+)(?:,(\d+))? \+\d+(?:,(\d+))? @@\n)");
  const std::vector<std::string> old = Pieces(original), lines = Pieces(diff);
  if (lines.size() < 2 || !lines[0].starts_with("--- a/") || !lines[1].starts_with("+++ b/")) {
    return "<failed>";
  }
  std::string result;
  std::size_t copied = 0;
  for (std::size_t i = 2; i < lines.size();) {
    std::smatch m;
    if (!std::regex_match(lines[i++], m, kHunk)) return "<failed>";
    std::size_t old_count = m[2].matched ? std::stoul(m[2]) : 1;
    std::size_t new_count = m[3].matched ? std::stoul(m[3]) : 1;
    const std::size_t first = std::stoul(m[1]) - (old_count == 0 ? 0 : 1);
    if (first < copied || first > old.size()) return "<failed>";
    while (copied < first) result += old[copied++];
    while (i < lines.size() && !lines[i].starts_with("@@")) {
      const char kind = lines[i][0];
      std::string body = lines[i++].substr(1);
      if (i < lines.size() && lines[i] == "\\ No newline at end of file\n") {
        body.pop_back();
        ++i;
      }
      if (kind != '+' && (copied >= old.size() || old[copied++] != body)) return "<failed>";
      if (kind != '+') --old_count;
      if (kind != '-') result += body, --new_count;
    }
    if (old_count != 0 || new_count != 0) return "<failed>";
  }
  while (copied < old.size()) result += old[copied++];
  return result;
}

LineList Lines(const std::string& bytes) {
  LineList lines = Pieces(bytes);
  for (std::string& line : lines) {
    if (line.ends_with('\n')) line.pop_back();
  }
  return lines;
}

std::string Bytes(const LineList& lines, bool ends_with_lf) {
  std::string bytes = JoinLines(lines);
  if (!ends_with_lf && !bytes.empty()) bytes.pop_back();
  return bytes;
}

constexpr std::size_t kNew = kAddedLine;

TEST(UnifiedDiffTest, FormatsHunksLikeDiff) {
  const std::string ten = "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n", head = "--- a/d/s.c\n+++ b/d/s.c\n";
  const std::vector<std::size_t> same_ten = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  const std::string nul = std::string("n\0l\n", 4);
  struct Case {
    std::string before, after;
    std::vector<std::size_t> origin;
    std::string diff;
  };
  const Case cases[] = {
      {ten, ten, same_ten, ""},
      {"", "a\nb\n", {kNew, kNew}, head + "@@ -0,0 +1,2 @@\n+a\n+b\n"},
      {"x\ny\nz\nw\n",
       "new\nx\ny\nz\nw\n",
       {kNew, 0, 1, 2, 3},
       head + "@@ -1,3 +1,4 @@\n+new\n x\n y\n z\n"},
      {ten, "1\n2\n3\n4\nfive\n6\n7\n8\n9\n10\n", same_ten,
       head + "@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n"},
      // Changes six lines apart share a hunk, seven apart make two.
      {ten, "one\n2\n3\n4\n5\n6\n7\neight\n9\n10\n", same_ten,
       head + "@@ -1,10 +1,10 @@\n-1\n+one\n 2\n 3\n 4\n 5\n 6\n 7\n-8\n+eight\n 9\n 10\n"},
      {ten + "11\n",
       "one\n2\n3\n4\n5\n6\n7\n8\nnine\n10\n11\n",
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
       head + "@@ -1,4 +1,4 @@\n-1\n+one\n 2\n 3\n 4\n@@ -6,6 +6,6 @@\n 6\n 7\n 8\n-9\n+nine\n "
              "10\n 11\n"},
      {"x\n", "", {}, head + "@@ -1 +0,0 @@\n-x\n"},
      {"a\nb",
       "a\nb\n",
       {0, 1},
       head + "@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+b\n"},
      {"a\r\n\xE4\xF6\xFC\n" + nul,
       "a\r\n\xE4x\n" + nul,
       {0, 1, 2},
       head + "@@ -1,3 +1,3 @@\n a\r\n-\xE4\xF6\xFC\n+\xE4x\n " + nul},
      // A line cut in two, a line added below its own, changed lines side by
      // side: their removed lines come before their added ones.
      {"a;b;\nc\n", "a;\nb;\nc\n", {0, 0, 1}, head + "@@ -1,2 +1,3 @@\n-a;b;\n+a;\n+b;\n c\n"},
      {"a\nb\nc\n", "a\nb\n}\nc\n", {0, 1, 1, 2}, head + "@@ -1,3 +1,4 @@\n a\n b\n+}\n c\n"},
      {"a\nb\nc\n", "A\nB\nc\n", {0, 1, 2}, head + "@@ -1,3 +1,3 @@\n-a\n-b\n+A\n+B\n c\n"},
      // Origins out of order or past the end count as added lines.
      {"a\nb\n", "b\na\nb\n", {1, 0}, head + "@@ -1,2 +1,3 @@\n-a\n b\n+a\n+b\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.before + "=>" + c.after);
    const bool ends_with_lf = c.before.empty() || c.before.ends_with('\n');
    const std::string diff =
        UnifiedDiff("d/s.c", Lines(c.before), ends_with_lf, Lines(c.after), c.origin);
    EXPECT_EQ(diff, c.diff);
    if (!diff.empty()) {
      EXPECT_EQ(Apply(c.before, diff), c.after);
    }
  }
}

// Random scripts and random edits of them: every diff applies and gives the edit.
TEST(UnifiedDiffTest, RandomEditsApplyExactly) {
  for (std::uint32_t seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE(seed);
    ScriptGenerator generator(seed);
    LineList before;
    for (int i = 0; i < 4; ++i) {
      LineList more = generator.NextList();
      before.insert(before.end(), more.begin(), more.end());
    }
    // Only a non-empty last line can lack its LF.
    const bool ends_with_lf = seed % 3 != 0 || before.empty() || before.back().empty();
    LineList after;
    std::vector<std::size_t> origin;
    std::size_t kept = 0;
    std::mt19937 rng(seed);
    for (std::size_t k = 0; k < before.size(); ++k) {
      // 0: removed, 1: changed, 2: a line added before, 3: one added after
      const auto choice = rng() % 7;
      auto add = [&](const std::string& line, std::size_t from) {
        after.push_back(line);
        origin.push_back(from);
      };
      if (choice == 2) add("added", kNew);
      if (choice != 0) add(choice == 1 ? before[k] + "x" : before[k], k);
      if (choice == 3) add(before[k], k);
      kept += choice > 1;
      // A last line without LF changes when it gets one.
      if (choice > 1 && k + 1 == before.size() && !ends_with_lf) --kept;
    }
    const std::string diff = UnifiedDiff("s.c", before, ends_with_lf, after, origin);
    if (Bytes(before, ends_with_lf) == Bytes(after, true)) {
      EXPECT_EQ(diff, "");
    } else {
      EXPECT_EQ(Apply(Bytes(before, ends_with_lf), diff), Bytes(after, true)) << diff;
    }
    // Every line that stayed is kept, no other.
    const std::regex change("\n[-+]");  // the "+++" line too
    const auto changes = static_cast<std::size_t>(
        std::distance(std::sregex_iterator(diff.begin(), diff.end(), change), {}));
    EXPECT_EQ(changes, before.size() + after.size() - 2 * kept + (diff.empty() ? 0 : 1)) << diff;
  }
}

}  // namespace
}  // namespace q9
