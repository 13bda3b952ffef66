#include "batch/unified_diff.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "passes/script_generator_test_util.h"

namespace q9 {
namespace {

// The file's lines, each with its LF (the last one possibly without).
std::vector<std::string> Pieces(const std::string& bytes) {
  std::vector<std::string> pieces;
  for (std::size_t start = 0; start < bytes.size();) {
    std::size_t lf = bytes.find('\n', start);
    std::size_t end = lf == std::string::npos ? bytes.size() : lf + 1;
    pieces.push_back(bytes.substr(start, end - start));
    start = end;
  }
  return pieces;
}

// Reads "START[,COUNT]"; a missing count is 1.
void ParseRange(const std::string& text, std::size_t* start, std::size_t* count) {
  std::size_t comma = text.find(',');
  *start = std::stoul(text.substr(0, comma));
  *count = comma == std::string::npos ? 1 : std::stoul(text.substr(comma + 1));
}

// Applies |diff| to |original| the strict way patch does without fuzz: every
// context and removed line must match, and every hunk's counts must be right.
// Returns the patched bytes, or "<failed>" with a trace of why.
std::string Apply(const std::string& original, const std::string& diff) {
  const std::vector<std::string> old_lines = Pieces(original);
  std::vector<std::string> lines = Pieces(diff);
  if (lines.size() < 2 || !lines[0].starts_with("--- a/") || !lines[1].starts_with("+++ b/")) {
    return "<failed: headers>";
  }
  std::string result;
  std::size_t copied = 0;  // old lines consumed so far
  for (std::size_t i = 2; i < lines.size();) {
    const std::string& header = lines[i++];
    std::size_t plus = header.find(" +");
    if (!header.starts_with("@@ -") || plus == std::string::npos) return "<failed: hunk header>";
    std::size_t old_start, old_count, new_start, new_count;
    ParseRange(header.substr(4, plus - 4), &old_start, &old_count);
    ParseRange(header.substr(plus + 2, header.find(" @@") - plus - 2), &new_start, &new_count);
    std::size_t first_old = old_count == 0 ? old_start : old_start - 1;
    if (first_old < copied || first_old > old_lines.size()) return "<failed: hunk position>";
    for (; copied < first_old; ++copied) result += old_lines[copied];
    std::size_t seen_old = 0, seen_new = 0;
    while (i < lines.size() && !lines[i].starts_with("@@")) {
      std::string body = lines[i].substr(1);
      const char kind = lines[i][0];
      ++i;
      if (i < lines.size() && lines[i] == "\\ No newline at end of file\n") {
        body.pop_back();
        ++i;
      }
      if (kind == ' ' || kind == '-') {
        if (copied >= old_lines.size() || old_lines[copied] != body) return "<failed: mismatch>";
        ++copied;
        ++seen_old;
      }
      if (kind == ' ' || kind == '+') {
        result += body;
        ++seen_new;
      }
    }
    if (seen_old != old_count || seen_new != new_count) return "<failed: hunk counts>";
  }
  for (; copied < old_lines.size(); ++copied) result += old_lines[copied];
  return result;
}

std::string Bytes(const LineList& lines, bool ends_with_lf) {
  std::string bytes = JoinLines(lines);
  if (!ends_with_lf && !bytes.empty()) bytes.pop_back();
  return bytes;
}

TEST(UnifiedDiffTest, FormatsHunksLikeDiff) {
  struct Case {
    const char* name;
    LineList before;
    bool ends_with_lf;
    LineList after;
    std::string diff;
  };
  const LineList ten = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};
  const std::string head = "--- a/d/s.c\n+++ b/d/s.c\n";
  const Case cases[] = {
      {"same bytes", ten, true, ten, ""},
      {"empty before", {}, true, {"a", "b"}, head + "@@ -0,0 +1,2 @@\n+a\n+b\n"},
      {"insert at the top",
       {"x", "y", "z", "w"},
       true,
       {"new", "x", "y", "z", "w"},
       head + "@@ -1,3 +1,4 @@\n+new\n x\n y\n z\n"},
      {"change in the middle keeps three lines each side",
       ten,
       true,
       {"1", "2", "3", "4", "five", "6", "7", "8", "9", "10"},
       head + "@@ -2,7 +2,7 @@\n 2\n 3\n 4\n-5\n+five\n 6\n 7\n 8\n"},
      {"changes six lines apart share a hunk",
       ten,
       true,
       {"one", "2", "3", "4", "5", "6", "7", "eight", "9", "10"},
       head + "@@ -1,10 +1,10 @@\n-1\n+one\n 2\n 3\n 4\n 5\n 6\n 7\n-8\n+eight\n 9\n 10\n"},
      {"changes seven lines apart make two hunks",
       {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"},
       true,
       {"one", "2", "3", "4", "5", "6", "7", "8", "nine", "10", "11"},
       head + "@@ -1,4 +1,4 @@\n-1\n+one\n 2\n 3\n 4\n@@ -6,6 +6,6 @@\n 6\n 7\n 8\n-9\n+nine\n "
              "10\n 11\n"},
      {"deleting the only line", {"x"}, true, {}, head + "@@ -1 +0,0 @@\n-x\n"},
      {"only the final LF added",
       {"a", "b"},
       false,
       {"a", "b"},
       head + "@@ -1,2 +1,2 @@\n a\n-b\n\\ No newline at end of file\n+b\n"},
      {"bytes pass through",
       {"a\r", "\xE4\xF6\xFC", std::string("n\0l", 3)},
       true,
       {"a\r", "\xE4x", std::string("n\0l", 3)},
       head + "@@ -1,3 +1,3 @@\n a\r\n-\xE4\xF6\xFC\n+\xE4x\n " + std::string("n\0l", 3) + "\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string diff = UnifiedDiff("d/s.c", c.before, c.ends_with_lf, c.after);
    EXPECT_EQ(diff, c.diff);
    if (!diff.empty()) {
      EXPECT_EQ(Apply(Bytes(c.before, c.ends_with_lf), diff), Bytes(c.after, true));
    }
  }
}

// Random scripts and random edits of them: every diff applies and gives the
// edited file, whatever the mix of kept, removed and added lines.
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
      switch (rng() % 6) {
        case 0:
          break;  // removed
        case 1:
          after.push_back(line + "x");
          break;
        case 2:
          after.push_back("added");
          after.push_back(line);
          break;
        default:
          after.push_back(line);
      }
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
