// The real program on scripts and paths that no sane editor makes: NUL bytes,
// lone CRs, huge lines, a million empty lines, bytes above 0x7F, a byte-order
// mark, brackets that never close, very long and non-ASCII paths. None may
// crash or hang; each is converted exactly as the library converts it, and
// where the result is easy to state it is checked against that too.

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

// Generous even under the sanitizers; a hang ends the test with SIGALRM.
constexpr unsigned kTimeLimitSeconds = 120;
const std::string kHeader =
    "/*+++Automatisiertes Syntax Update zu #strict - Quellor+++*/\n#strict\n";
const std::string kClosing =
    "Operation abgeschlossen\n"
    "Drueck die \"Any Key\" taste zum fortfahren\n";

std::string Repeat(std::string_view piece, std::size_t times) {
  std::string text;
  text.reserve(piece.size() * times);
  for (std::size_t i = 0; i < times; ++i) text += piece;
  return text;
}

std::string HighBytes() {
  std::string bytes;
  for (int b = 0x80; b <= 0xFF; ++b) bytes += static_cast<char>(b);
  return bytes;
}

// The library's conversion of |bytes| in this process: the file it leads to
// and what the program prints between the path echo and the closing lines.
struct Expected {
  std::string file;
  std::string messages;
};

Expected InProcess(const std::string& bytes) {
  LineList lines = SplitLines(bytes);
  const Conversion conversion = Convert(&lines);
  Expected expected{JoinLines(lines), ""};
  for (const BracketError& error : conversion.bracket_errors) {
    expected.messages += "Klammer fehler in zeile " + std::to_string(error.line) + "\n";
  }
  return expected;
}

std::string AfterPathEcho(const std::string& out, const std::string& path) {
  const std::string echo = "Pfad: " + path + "\n";
  const std::size_t at = out.find(echo);
  return at == std::string::npos ? "<no path echo>" : out.substr(at + echo.size());
}

// The save's temporary files are hidden names beside the script.
bool HoldsHiddenFile(const fs::path& dir) {
  for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
    if (entry.path().filename().string().starts_with('.')) return true;
  }
  return false;
}

class BadInputTest : public ::testing::Test {
 protected:
  void TearDown() override { fs::remove_all(dir_); }

  // Converts |script| at |path| (relative to the scratch folder, its folders
  // already there) with the program and checks the run against the library.
  void ConvertAndCompare(const std::string& path, const std::string& script,
                         const std::string& stated = "") {
    WriteFile(dir_ / path, script);
    ASSERT_EQ(ReadFile(dir_ / path).size(), script.size());
    const Expected expected = InProcess(script);
    if (!stated.empty()) {
      EXPECT_TRUE(expected.file == stated) << "the library itself gives another text";
    }
    ProcessResult r = RunProcess({Q9_PROGRAM}, path + "\n",
                                 {.cwd = dir_.string(), .time_limit_seconds = kTimeLimitSeconds});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(AfterPathEcho(r.out, path) == expected.messages + kClosing)
        << r.out.substr(0, 2000);
    // Compared as a flag first: a failure must not print megabytes.
    const std::string written = ReadFile(dir_ / path);
    EXPECT_TRUE(written == expected.file)
        << "sizes " << written.size() << " and " << expected.file.size();
  }

  const fs::path dir_ = MakeScratchDir();
};

TEST_F(BadInputTest, OddBytesAreKeptAndConverted) {
  const std::string nul("\0", 1);
  const std::string bom = "\xEF\xBB\xBF";
  struct Case {
    std::string name;
    std::string script;
    std::string stated;  // the converted file where it is easy to state; else only the library's
  };
  const std::vector<Case> cases = {
      {"NUL bytes in a call", "x=Sum(a" + nul + "b,c" + nul + ");" + nul + "\n",
       // The NUL after the semicolon is text after it, so it gets a line of its own.
       kHeader + "x=a" + nul + "b+c" + nul + ";\n" + nul + "\n"},
      {"a line of NUL bytes", Repeat(nul, 1000), kHeader + Repeat(nul, 1000) + "\n"},
      {"lone CRs inside statements", "Init:\rSetVar(0,1);\rreturn(Sum(1,2));\r", ""},
      // The same for a CR after a statement's semicolon.
      {"CR LF line ends", "x=Sum(a,b);\r\ny=Mul(c,d);\r\nz=1\r\n",
       kHeader + "x=a+b;\n\r\ny=c*d;\n\r\nz=1\r\n"},
      {"every byte above 0x7F", "x=Sum(" + HighBytes() + ",y);\n",
       kHeader + "x=" + HighBytes() + "+y;\n"},
      {"a byte-order mark before a label", bom + "Initialize: SetVar(0,1);\n", ""},
      {"a byte-order mark alone", bom, kHeader + bom + "\n"},
      {"unbalanced brackets everywhere",
       "Init: Sum(((a,b);\n)))Sum(a,b;\nEqual(Sum(a,b),(c;\nNot((((;\nSetVar(0,Mul(1,2)\n"
       "IncVar(\nx=Div(a,b)))))\nOr(\n((((((((((\n))))))))))\n",
       ""},
      {"brackets never closed on any line", Repeat("Sum(Mul(Equal(a,(b,\n", 200), ""},
      {"a name at the end of every line", Repeat("x=Sum\ny=SetVar\n", 100), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConvertAndCompare("Script.c", c.script, c.stated);
  }
}

TEST_F(BadInputTest, HugeScriptsEndInBoundedTime) {
  constexpr std::size_t kTenMegabytes = 10 * 1024 * 1024;
  struct Case {
    std::string name;
    std::string script;
    std::string stated;
  };
  const std::vector<Case> cases = {
      {"a 10 MB line of side-by-side calls", Repeat("Sum(a,b)", kTenMegabytes / 8) + "\n",
       kHeader + Repeat("a+b", kTenMegabytes / 8) + "\n"},
      {"a 10 MB line without calls", std::string(kTenMegabytes, 'q') + "\n",
       kHeader + std::string(kTenMegabytes, 'q') + "\n"},
      {"a million empty lines", std::string(1000000, '\n'), kHeader + std::string(1000000, '\n')},
      {"a million statements on one line", Repeat("SetVar(0,1);", 1000000),
       kHeader + Repeat("Var(0)=1;\n", 1000000)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConvertAndCompare("Script.c", c.script, c.stated);
  }
}

TEST_F(BadInputTest, LongAndNonAsciiPaths) {
  // One name holds at most 255 bytes, so the long path is nested folders:
  // 15 of 250 bytes plus their slashes, then a 235-byte name, 4,000 in all.
  std::string long_path;
  for (int i = 0; i < 15; ++i) long_path += std::string(249, 'd') + std::to_string(i % 10) + "/";
  long_path += std::string(233, 'f') + ".c";
  ASSERT_EQ(long_path.size(), 4000u);
  struct Case {
    std::string name;
    std::string path;
  };
  const Case cases[] = {
      {"4,000 bytes", long_path},
      {"Latin-1 umlauts", "Skript_\xE4\xF6\xFC\xDF.c"},
      {"UTF-8 umlauts in a folder", "Ordner_\xC3\xA4\xC3\xB6/Datei_\xC3\xBC.c"},
      {"every byte above 0x7F", HighBytes()},
      {"control bytes",
       "a\x01\x02\x7F"
       "b.c"},
  };
  const std::string script = "Initialize: SetVar(0,Sum(1,2)); return(1);\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::create_directories((dir_ / c.path).parent_path());
    ConvertAndCompare(c.path, script);
    EXPECT_FALSE(HoldsHiddenFile((dir_ / c.path).parent_path())) << "a temporary file was left";
  }
}

}  // namespace
}  // namespace q9::test
