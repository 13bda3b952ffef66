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

TEST(UnifiedDiffTest, FormatsHunksLikeDiff) {
  const std::string ten = "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n", head = "--- a/d/s.c\n+++ b/d/s.c\n";
  const std::string nul = std::string("n\0l\n", 4);
  const std::string cases[][3] = {
      // before, after, diff
      {ten, ten, ""},
      {"", "a\nb\n", head + "@@ -0,0 +1,2 @@\n+a\n+b\n"},
      {"x\ny\nz\nw\n", "new\nx\ny\nz\nw\n", head + "@@ -1,3 +1,4 @@\n+new\n x\n y\n z\n"},
      {ten, "1\n2\n3\n4\nfive\n6\n7\n8\n9\n10\n",
       head + "@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n"},
      // Changes six lines apart share a hunk, seven apart make two.
      {ten, "one\n2\n3\n4\n5\n6\n7\neight\n9\n10\n",
       head + "@@ -1,10 +1,10 @@\n-1\n+one\n 2\n 3\n 4\n 5\n 6\n 7\n-8\n+eight\n 9\n 10\n"},
      {ten + "11\n", "one\n2\n3\n4\n5\n6\n7\n8\nnine\n10\n11\n",
       head + "@@ -1,4 +1,4 @@\n-1\n+one\n 2\n 3\n 4\n@@ -6,6 +6,6 @@\n 6\n 7\n 8\n-9\n+nine\n "
              "10\n 11\n"},
      {"x\n", "", head + "@@ -1 +0,0 @@\n-x\n"},
      {"a\nb", "a\nb\n", head + "@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+b\n"},
      {"a\r\n\xE4\xF6\xFC\n" + nul, "a\r\n\xE4x\n" + nul,
       head + "@@ -1,3 +1,3 @@\n a\r\n-\xE4\xF6\xFC\n+\xE4x\n " + nul},
  };
  for (const auto& [before, after, expected] : cases) {
    SCOPED_TRACE(before + "=>" + after);
    const bool ends_with_lf = before.empty() || before.ends_with('\n');
    const std::string diff = UnifiedDiff("d/s.c", Lines(before), ends_with_lf, Lines(after));
    EXPECT_EQ(diff, expected);
    if (!diff.empty()) {
      EXPECT_EQ(Apply(before, diff), after);
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
    LineList after;
    std::mt19937 rng(seed);
    for (const std::string& line : before) {
      const auto choice = rng() % 6;  // 0: removed, 1: changed, 2: a line added before
      if (choice == 2) after.push_back("added");
      if (choice != 0) after.push_back(choice == 1 ? line + "x" : line);
    }
    // Only a non-empty last line can lack its LF.
    const bool ends_with_lf = seed % 3 != 0 || before.empty() || before.back().empty();
    const std::string diff = UnifiedDiff("s.c", before, ends_with_lf, after);
    if (Bytes(before, ends_with_lf) == Bytes(after, true)) {
      EXPECT_EQ(diff, "");
    } else {
      EXPECT_EQ(Apply(Bytes(before, ends_with_lf), diff), Bytes(after, true)) << diff;
    }
  }
}

}  // namespace
}  // namespace q9
