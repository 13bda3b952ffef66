// The real program on scripts and paths that no sane editor makes: none may
// crash or hang, and each is converted as the library converts it.

#include <filesystem>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "linestore/line_store.h"
#include "pipeline/pipeline.h"
#include "tests/e2e/process.h"

namespace q9::test {
namespace {

namespace fs = std::filesystem;

const std::string kHeader =
    "/*+++Automatisiertes Syntax Update zu #strict - Quellor+++*/\n#strict\n";
const std::string kClosing =
    "Operation abgeschlossen\nDrueck die \"Any Key\" taste zum fortfahren\n";
const std::string kNul("\0", 1);
const std::string kBom = "\xEF\xBB\xBF";

std::string Repeat(std::string_view piece, std::size_t times) {
  std::string text;
  for (std::size_t i = 0; i < times; ++i) text += piece;
  return text;
}

std::string HighBytes() {
  std::string bytes;
  for (int b = 0x80; b <= 0xFF; ++b) bytes += static_cast<char>(b);
  return bytes;
}

struct Case {
  std::string name;
  std::string script;
  std::string stated;  // the converted file, where it is easy to state
  std::string path = "Script.c";
};

// Runs the program on |c| in a fresh folder. The file must be the stated text,
// or else the library's conversion in this process; the messages the library's.
void ConvertAndCompare(const Case& c) {
  SCOPED_TRACE(c.name);
  const fs::path dir = MakeScratchDir();
  const fs::path file = dir / c.path;
  fs::create_directories(file.parent_path());
  WriteFile(file, c.script);
  LineList lines = SplitLines(c.script);
  std::string messages = "Pfad: " + c.path + "\n";
  for (const BracketError& error : Convert(&lines).bracket_errors) {
    messages += "Klammer fehler in zeile " + std::to_string(error.line) + "\n";
  }
  const std::string expected = c.stated.empty() ? JoinLines(lines) : c.stated;
  ProcessResult r =
      RunProcess({Q9_PROGRAM}, c.path + "\n", {.cwd = dir.string(), .time_limit_seconds = 120});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.out.ends_with(messages + kClosing)) << r.out.substr(0, 2000);
  // Compared as a flag: a failure must not print megabytes.
  EXPECT_TRUE(ReadFile(file) == expected) << "the file differs";
  EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), {}), 1)
      << "a temporary file was left";
  fs::remove_all(dir);
}

TEST(BadInputTest, NoCrashNoHangAndConvertedAsStated) {
  constexpr std::size_t kTenMegabytes = 10 * 1024 * 1024;
  // 4,000 bytes in nested folders, ending in a name of the longest length, 255.
  const std::string long_path = Repeat(std::string(254, 'd') + "/", 14) + std::string(174, 'e') +
                                "/" + std::string(253, 'f') + ".c";
  const std::vector<Case> cases = {
      // The NUL after the semicolon is text after it, so it gets a line of its own.
      {"NUL bytes", "x=Sum(a" + kNul + "b,c);" + kNul + "\n",
       kHeader + "x=a" + kNul + "b+c;\n" + kNul + "\n"},
      {"lone CRs", "x=Sum(a,b);\ry=1\r", kHeader + "x=a+b;\n\ry=1\r\n"},
      {"every byte above 0x7F", "x=Sum(" + HighBytes() + ",y);\n",
       kHeader + "x=" + HighBytes() + "+y;\n"},
      {"a byte-order mark before a label", kBom + "Initialize: SetVar(0,1);\n",
       kHeader + " func " + kBom + "Initialize(){\n Var(0)=1;\n}\n"},
      {"unbalanced brackets everywhere",
       "Init: Sum(((a,b);\n)))Sum(a,b;\nEqual(Sum(a,b),(c;\nNot((((;\nSetVar(0,Mul(1,2)\n"
       "IncVar(\nx=Div(a,b)))))\nOr(\n((((((((((\n))))))))))\n",
       ""},
      {"a path of 4,000 bytes", "x=Sum(a,b);\n", kHeader + "x=a+b;\n", long_path},
      {"a path of bytes above 0x7F", "x=Sum(a,b);\n", kHeader + "x=a+b;\n", HighBytes()},
      {"a 10 MB line of calls", Repeat("Sum(a,b)", kTenMegabytes / 8) + "\n",
       kHeader + Repeat("a+b", kTenMegabytes / 8) + "\n"},
      {"a million empty lines", std::string(1000000, '\n'), kHeader + std::string(1000000, '\n')},
      // Splitting must stay linear in the statements of one line.
      {"a million statements on one line", Repeat("SetVar(0,1);", 1000000),
       kHeader + Repeat("Var(0)=1;\n", 1000000)},
  };
  for (const Case& c : cases) ConvertAndCompare(c);
}

}  // namespace
}  // namespace q9::test
